// The main thread's message queue.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "console/console.h"
#include "platform/messages.h"
#include "tests/support/testenv.h"

namespace {

std::vector<std::vector<uintptr_t>> gSeen;
int gQuits = 0;

void Record(const Message& m) {
  if (m.code < gSeen.size()) gSeen[m.code].push_back(m.wparam);
}

class MessageQueue : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetMessages();
    gSeen.assign(8, {});
    gQuits = 0;
    SetMessageHandler(Record);
  }
  void TearDown() override { ResetMessages(); }
};

TEST_F(MessageQueue, PostsFromSeveralThreadsAreAllDispatchedOnceInOrder) {
  constexpr int kThreads = 4, kEach = 20000;
  std::atomic<int> done{0};
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t)
    posters.emplace_back([t, &done] {
      for (int i = 0; i < kEach; ++i) PostMessage(static_cast<unsigned>(t), static_cast<uintptr_t>(i));
      done++;
    });
  // The main thread pumps and waits meanwhile, as the program does.
  while (done.load() < kThreads || MessagesPending()) {
    WaitMessageFor(50);
    DispatchMessages();
  }
  for (std::thread& p : posters) p.join();
  DispatchMessages();
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(gSeen[t].size(), static_cast<size_t>(kEach)) << "thread " << t;
    for (int i = 0; i < kEach; ++i) ASSERT_EQ(gSeen[t][i], static_cast<uintptr_t>(i)) << "thread " << t;
  }
}

TEST_F(MessageQueue, WaitReturnsWhenAnotherThreadPosts) {
  std::thread poster([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    PostMessage(3, 42);
  });
  WaitMessage();  // would block for ever if the post did not wake it
  DispatchMessages();
  poster.join();
  ASSERT_EQ(gSeen[3].size(), 1u);
  EXPECT_EQ(gSeen[3][0], 42u);
}

TEST_F(MessageQueue, WaitWithALimitGivesUpWhenNothingComes) {
  EXPECT_FALSE(WaitMessageFor(20));
  PostMessage(1);
  EXPECT_TRUE(WaitMessageFor(0));
}

TEST_F(MessageQueue, QuitRunsTheQuitActionAndKeepsTheRest) {
  SetQuitAction([] { gQuits++; });
  PostMessage(1, 1);
  PostQuitMessage();
  PostMessage(2, 2);
  DispatchMessages();
  EXPECT_EQ(gQuits, 1);
  EXPECT_EQ(gSeen[1].size(), 1u);
  EXPECT_TRUE(gSeen[2].empty());
  DispatchMessages();
  EXPECT_EQ(gSeen[2].size(), 1u);
}

TEST_F(MessageQueue, AHandlerThatPostsDoesNotLoopForEver) {
  SetMessageHandler([](const Message& m) {
    Record(m);
    PostMessage(m.code, m.wparam + 1);
  });
  PostMessage(5, 0);
  DispatchMessages();
  EXPECT_EQ(gSeen[5].size(), 1u);
  DispatchMessages();
  EXPECT_EQ(gSeen[5].size(), 2u);
}

// An input source: the queue waits through it and polls it.
int gPolls = 0, gWaits = 0;
TEST_F(MessageQueue, InputSourceIsPolledAndWaitedOn) {
  static const EventSource source{[] { gPolls++; PostMessage(6, 9); }, [](int) { gWaits++; }, nullptr};
  SetEventSource(&source);
  gPolls = gWaits = 0;
  EXPECT_TRUE(WaitMessageFor(10));
  EXPECT_EQ(gWaits, 1);
  DispatchMessages();
  EXPECT_GE(gPolls, 2);
  EXPECT_FALSE(gSeen[6].empty());
}

// The console's delay: a plain sleep, then what came meanwhile is dispatched.
TEST(ConsoleDelayTest, SleepsThenPumps) {
  ScopedEnv video("ZELNAR_VIDEO", "headless");
  ScopedEnv scale("ZELNAR_TIME_SCALE", "0");
  ResetMessages();
  ConsoleDelay(0);  // the window exists, its handler in place
  PostMessage(kMsgSpeechCut);
  PostMessage(kMsgEngineBusy);
  ASSERT_TRUE(MessagesPending());
  ConsoleDelay(300);
  EXPECT_FALSE(MessagesPending());
  ResetConsole();
  ResetMessages();
}

}  // namespace
