// The command runner: one console command at a time as a hidden child whose
// standard streams are pipes; the caller waits, then collects what it wrote.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// A run's output and error together are read up to this many bytes (1 MB);
// a child that writes more is ended there, and the program goes on with
// what it read.
constexpr size_t kCommandOutputCap = 1 << 20;

// Starts the command line; true when the child was created. A line that
// begins with "cmd /c " runs the rest directly: no shell ever reads it.
bool StartCommand(std::string_view commandLine);
// Waits at most ms while draining the pipes (the limit is checked on every
// read), and returns as soon as the child has exited and its output is all
// read, or has been ended at the cap. The limit is not scaled like the
// fixed waits: it already ends as early as the child allows, and a shorter
// one would only cut the answer. With no child it is a plain fixed wait.
// True when the child has ended and all it wrote is read (or none started).
bool WaitCommand(int ms);
// What the child wrote since the last collection: output + CR LF + error,
// each part cut at its first zero byte; CR LF after a non-empty result.
std::string ReadCommandOutput();
// Ends the child (and its process group) and closes the run. A fatal signal
// to the program ends the running child's group as well.
void EndCommand();
// Runs a netsh query and waits until it has answered, at most 5 s (a busy
// NetworkManager takes over a second; a list cut short would leave an empty
// menu, ask again for a known key, or call a made connection a failure);
// what it wrote.
std::string RunQuery(std::string_view commandLine);
// One non-blocking peek-and-read of at most 65,535 bytes, cut at a zero byte.
std::string ReadPipe(int fd);

// The text to put between double quotes so that it reaches the program as it
// stands, whatever quotes and backslashes it holds.
std::string QuoteArgument(std::string_view text);

// The words of a command line as the runner starts them: blanks separate,
// double quotes group (and are removed), line-end characters are dropped.
std::string SplitCommandLineForTest(std::string_view commandLine);
