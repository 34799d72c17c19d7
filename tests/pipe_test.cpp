// The command runner, through real child processes.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "app/pipe.h"
#include "platform/clock.h"
#include "tests/support/testenv.h"

namespace {

std::string RunCommand(const std::string& line, int waitMs = 1500) {
  StartCommand(line);
  WaitCommand(waitMs);
  std::string out = ReadCommandOutput();
  EndCommand();
  return out;
}

TEST(CommandRunner, CombinesOutputAndErrorStreams) {
  EXPECT_EQ(RunCommand("sh -c \"printf abc\""), "abc\r\n\r\n");
  EXPECT_EQ(RunCommand("sh -c \"printf oops >&2\""), "oops\r\n");
  EXPECT_EQ(RunCommand("sh -c \"printf out; printf err >&2\""), "out\r\nerr\r\n");
  EXPECT_EQ(RunCommand("true"), "");
}

TEST(CommandRunner, UnknownProgramGivesNothing) {
  EXPECT_FALSE(StartCommand("zelnar-no-such-program-here wlan"));
  EXPECT_EQ(ReadCommandOutput(), "");
  EndCommand();
  EXPECT_FALSE(StartCommand(""));
  EndCommand();
}

TEST(CommandRunner, SecondCollectionTakesOnlyWhatIsNew) {
  StartCommand("sh -c \"printf one; sleep 0.3; printf two\"");
  WaitCommand(100);
  EXPECT_EQ(ReadCommandOutput(), "one\r\n\r\n");
  EXPECT_EQ(ReadCommandOutput(), "");
  WaitCommand(3000);
  EXPECT_EQ(ReadCommandOutput(), "two\r\n\r\n");
  EndCommand();
}

TEST(CommandRunner, OutputIsCutAtTheFirstZeroByte) {
  EXPECT_EQ(RunCommand("printf ab\\000cd"), "ab\r\n\r\n");
}

TEST(CommandRunner, ChildStillRunningIsCollectedPartlyThenEnded) {
  TempDir dir;
  std::string marker = dir.path() + "/late";
  StartCommand("sh -c \"printf early; sleep 2; touch " + marker + "\"");
  WaitCommand(200);
  EXPECT_EQ(ReadCommandOutput(), "early\r\n\r\n");
  EndCommand();
  usleep(2500 * 1000);
  EXPECT_NE(access(marker.c_str(), F_OK), 0) << "the child outlived EndCommand";
}

TEST(CommandRunner, WhatTheChildStartedIsEndedWithIt) {
  // The child leaves a process of its own behind and exits at once.
  TempDir dir;
  std::string marker = dir.path() + "/late";
  StartCommand("sh -c \"(sleep 1; touch " + marker + ") & printf left\"");
  WaitCommand(300);
  EXPECT_EQ(ReadCommandOutput(), "left\r\n\r\n");
  EndCommand();
  usleep(1500 * 1000);
  EXPECT_NE(access(marker.c_str(), F_OK), 0) << "a process the child started outlived EndCommand";
}

TEST(CommandRunner, LongOutputIsNeverCut) {
  // Far more than a pipe holds: the runner drains while the caller waits.
  std::string out = RunCommand("sh -c \"i=0; while [ $i -lt 20000 ]; do echo line-$i-xxxxxxxxxxxxxxxxxxxxxxxx; i=$((i+1)); done\"", 10000);
  EXPECT_GT(out.size(), 600000u);
  EXPECT_NE(out.find("line-19999-"), std::string::npos);
}

TEST(CommandRunner, WaitEndsWhenTheChildIsDone) {
  int64_t t0 = NowMs();
  EXPECT_EQ(RunCommand("sh -c \"printf quick\"", 20000), "quick\r\n\r\n");
  EXPECT_LT(NowMs() - t0, 10000) << "the wait ran to its limit though the child had finished";
}

TEST(CommandRunner, AnUnendedRunFinishesBeforeTheNextStarts) {
  TempDir dir;
  std::string marker = dir.path() + "/added";
  StartCommand("sh -c \"sleep 0.4; touch " + marker + "\"");  // never ended, like the profile addition
  StartCommand("true");
  EXPECT_EQ(access(marker.c_str(), F_OK), 0);
  EndCommand();
}

// Whether the process is gone or has exited (a zombie waiting for its parent).
bool ProcessEnded(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  size_t close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

// The number a child wrote into path, waiting up to five seconds for it.
pid_t PidFrom(const std::string& path) {
  for (int i = 0; i < 250; ++i) {
    std::ifstream f(path);
    pid_t pid = 0;
    if (f >> pid && pid > 0) return pid;
    usleep(20 * 1000);
  }
  return 0;
}

TEST(CommandRunner, EndlessOutputIsCutAtTheCapAndItsWriterEnded) {
  TempDir dir;
  std::string pidFile = dir.path() + "/pid";
  StartCommand("sh -c \"echo $$ > " + pidFile + "; exec yes\"");
  WaitCommand(120000);  // returns once the writer is ended at the cap
  pid_t pid = PidFrom(pidFile);
  ASSERT_GT(pid, 0);
  EXPECT_TRUE(ProcessEnded(pid)) << "the endless writer still runs after the wait";
  std::string out = ReadCommandOutput();
  EXPECT_EQ(out.size(), kCommandOutputCap + 4);
  EXPECT_EQ(out.substr(0, 4), "y\ny\n");
  EXPECT_EQ(out.substr(out.size() - 6), "y\n\r\n\r\n");
  EXPECT_EQ(ReadCommandOutput(), "");
  EndCommand();
}

TEST(CommandRunner, AFatalSignalEndsTheHungChildToo) {
  TempDir dir;
  std::string pidFile = dir.path() + "/pid";
  pid_t program = fork();
  ASSERT_GE(program, 0);
  if (program == 0) {
    // A netsh that hangs, and the program waiting for it.
    StartCommand("sh -c \"echo $$ > " + pidFile + "; exec sleep 600\"");
    WaitCommand(600000);
    std::_Exit(0);
  }
  pid_t hung = PidFrom(pidFile);
  kill(program, SIGTERM);
  int status = 0;
  waitpid(program, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "status " << status;
  ASSERT_GT(hung, 0);
  bool ended = false;
  for (int i = 0; i < 250 && !ended; ++i) {
    ended = ProcessEnded(hung);
    if (!ended) usleep(20 * 1000);
  }
  EXPECT_TRUE(ended) << "the hung child outlived the program";
  if (!ended) kill(hung, SIGKILL);
}

TEST(CommandRunner, LineIsSplitWithoutAShell) {
  EXPECT_EQ(SplitCommandLineForTest("netsh wlan  connect \"Casa Azul\r\n\""), "[netsh][wlan][connect][Casa Azul]");
  EXPECT_EQ(SplitCommandLineForTest("netsh wlan add profile filename=\"/a b/z.xml\""),
            "[netsh][wlan][add][profile][filename=/a b/z.xml]");
  EXPECT_EQ(SplitCommandLineForTest("x \"\""), "[x][]");
  EXPECT_EQ(SplitCommandLineForTest("a\\\\b \\\"q\\\" \"c\\\\\""), "[a\\\\b][\"q\"][c\\]");
  for (std::string name : {"a\" & touch /tmp/pwned & \"", "x\\", "\\\"", "$(id)`id`;|<>", "a\\\\\"b"})
    EXPECT_EQ(SplitCommandLineForTest("netsh \"" + QuoteArgument(name) + "\""), "[netsh][" + name + "]") << name;
  TempDir dir;
  std::string pwned = dir.path() + "/pwned";
  // Quotes, ampersands and substitutions are plain bytes to the child.
  std::string out = RunCommand("cmd /c printf %s \"" + QuoteArgument("a\" & touch " + pwned + " & $(touch " + pwned + ") `id`") + "\"");
  EXPECT_NE(access(pwned.c_str(), F_OK), 0);
  EXPECT_NE(out.find("& touch"), std::string::npos);
}

TEST(CommandRunner, ChildGetsOnlyItsThreeStandardStreams) {
  // Descriptors the program holds without close-on-exec (a wake pipe, a
  // sound or speech socket) must not reach netsh and what it starts.
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::string probe;
  for (int fd : fds) probe += "[ -e /proc/self/fd/" + std::to_string(fd) + " ] && echo leaked-" + std::to_string(fd) + "; ";
  std::string out = RunCommand("sh -c \"" + probe + "echo checked\"");
  close(fds[0]);
  close(fds[1]);
  EXPECT_EQ(out, "checked\n\r\n\r\n");
}

TEST(CommandRunner, ReadPipeTakesWhatIsThereWithoutWaiting) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  EXPECT_EQ(ReadPipe(fds[0]), "");  // nothing there: at once
  ASSERT_EQ(write(fds[1], "hi\0there", 8), 8);
  EXPECT_EQ(ReadPipe(fds[0]), "hi");
  EXPECT_EQ(ReadPipe(-1), "");
  close(fds[0]);
  close(fds[1]);
}

}  // namespace
