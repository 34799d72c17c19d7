// The command runner: one console command at a time as a hidden child whose
// standard streams are pipes; the caller waits, then collects what it wrote.
#pragma once
#include <string>
#include <string_view>

// Starts the command line; true when the child was created. A line that
// begins with "cmd /c " runs the rest directly: no shell ever reads it.
bool StartCommand(std::string_view commandLine);
// Waits at most ms (scaled like every fixed wait) while draining the pipes,
// and returns as soon as the child has exited and its output is all read.
void WaitCommand(int ms);
// What the child wrote since the last collection: output + CR LF + error,
// each part cut at its first zero byte; CR LF after a non-empty result.
std::string ReadCommandOutput();
// Ends the child (and its process group) and closes the run.
void EndCommand();
// One non-blocking peek-and-read of at most 65,535 bytes, cut at a zero byte.
std::string ReadPipe(int fd);

// The text to put between double quotes so that it reaches the program as it
// stands, whatever quotes and backslashes it holds.
std::string QuoteArgument(std::string_view text);

// The words of a command line as the runner starts them: blanks separate,
// double quotes group (and are removed), line-end characters are dropped.
std::string SplitCommandLineForTest(std::string_view commandLine);
