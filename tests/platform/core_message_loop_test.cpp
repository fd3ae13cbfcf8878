// The message loop's ordering, its timers on a manual clock, and the form timer.
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <thread>

#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/message_loop.h"

namespace zentrik {
namespace {

class MessageLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    loop().reset();
    clock = std::make_shared<ManualClock>();
    loop().set_clock(clock);
  }
  void TearDown() override {
    loop().reset();
    loop().set_clock(nullptr);
  }
  static MessageLoop& loop() { return MessageLoop::instance(); }
  std::shared_ptr<ManualClock> clock;
};

TEST_F(MessageLoopTest, TasksRunInPostingOrderIncludingTheOnesTheyPost) {
  std::vector<int> order;
  loop().post([&] {
    order.push_back(1);
    loop().post([&] { order.push_back(3); });
  });
  loop().post([&] { order.push_back(2); });
  EXPECT_EQ(loop().run_until_idle(), 3u);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(loop().run_until_idle(), 0u);
}

TEST_F(MessageLoopTest, PostsFromSeveralThreadsAllArriveInOrderPerThread) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 500;
  std::vector<std::vector<int>> seen(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i) loop().post([&seen, t, i] { seen[t].push_back(i); });
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(loop().run_until_idle(), std::size_t{kThreads * kPerThread});
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(seen[t].size(), std::size_t{kPerThread});
    for (int i = 0; i < kPerThread; ++i) ASSERT_EQ(seen[t][i], i);
  }
}

TEST_F(MessageLoopTest, TimersTickEveryIntervalAndTiesGoInCreationOrder) {
  std::vector<std::pair<std::int64_t, char>> ticks;
  loop().add_timer(30, [&] { ticks.emplace_back(loop().now_ms(), 'a'); });
  loop().add_timer(20, [&] { ticks.emplace_back(loop().now_ms(), 'b'); });
  loop().add_timer(60, [&] { ticks.emplace_back(loop().now_ms(), 'c'); });
  loop().advance(59);
  EXPECT_EQ(ticks, (std::vector<std::pair<std::int64_t, char>>{{20, 'b'}, {30, 'a'}, {40, 'b'}}));
  ticks.clear();
  loop().advance(1);
  EXPECT_EQ(ticks, (std::vector<std::pair<std::int64_t, char>>{{60, 'a'}, {60, 'b'}, {60, 'c'}}));
  EXPECT_EQ(loop().now_ms(), 60);
}

TEST_F(MessageLoopTest, TasksPostedByATickRunBeforeTheNextTick) {
  std::vector<std::string> order;
  loop().add_timer(10, [&] {
    order.push_back("tick" + std::to_string(loop().now_ms()));
    loop().post([&] { order.push_back("task" + std::to_string(loop().now_ms())); });
  });
  loop().advance(20);
  EXPECT_EQ(order, (std::vector<std::string>{"tick10", "task10", "tick20", "task20"}));
}

TEST_F(MessageLoopTest, RunUntilIdleRunsOnlyTimersAlreadyDue) {
  int ticks = 0;
  loop().add_timer(100, [&] { ++ticks; });
  clock->advance(99);
  EXPECT_EQ(loop().run_until_idle(), 0u);
  clock->advance(1);
  EXPECT_EQ(loop().run_until_idle(), 1u);
  // Far behind: one tick, then the period starts again from now.
  clock->advance(1000);
  EXPECT_EQ(loop().run_until_idle(), 1u);
  loop().advance(99);
  EXPECT_EQ(ticks, 2);
  loop().advance(1);
  EXPECT_EQ(ticks, 3);
}

TEST_F(MessageLoopTest, RemovedTimersStopAndATimerMayRemoveItself) {
  int ticks = 0;
  MessageLoop::TimerId self = 0;
  self = loop().add_timer(10, [&] {
    ++ticks;
    loop().remove_timer(self);
  });
  const MessageLoop::TimerId other = loop().add_timer(10, [&] { ticks += 100; });
  loop().remove_timer(other);
  loop().advance(50);
  EXPECT_EQ(ticks, 1);
  loop().remove_timer(12345);  // unknown: ignored
}

TEST_F(MessageLoopTest, AdvanceNeedsAManualClockAndTimersAPositiveInterval) {
  loop().set_clock(nullptr);
  EXPECT_THROW(loop().advance(10), AutomationError);
  EXPECT_THROW(loop().add_timer(0, [] {}), AutomationError);
}

TEST_F(MessageLoopTest, RunReturnsOnQuitFromAnotherThreadAndRunsItsPosts) {
  loop().set_clock(nullptr);
  std::atomic<int> ran{0};
  std::thread other([&] {
    loop().post([&] { ++ran; });
    loop().post([&] { loop().quit(); });
  });
  loop().run();
  other.join();
  EXPECT_EQ(ran.load(), 1);
}

TEST_F(MessageLoopTest, RunWithTimeoutTicksRealTimers) {
  loop().set_clock(nullptr);
  int ticks = 0;
  loop().add_timer(1, [&] {
    if (++ticks == 3) loop().quit();
  });
  loop().run(std::chrono::seconds(30));
  EXPECT_EQ(ticks, 3);
}

TEST_F(MessageLoopTest, RunWithAZeroOrHugeTimeout) {
  loop().set_clock(nullptr);
  int ran = 0;
  loop().post([&] { ++ran; });
  loop().run(std::chrono::milliseconds(0));  // runs what is queued, then returns
  EXPECT_EQ(ran, 1);
  // A timeout too large to add to the clock waits like no timeout at all.
  std::thread late([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    loop().post([&] { ++ran; });
    loop().quit();
  });
  loop().run(std::chrono::milliseconds::max() - std::chrono::milliseconds(1));
  const int ranWhenReturned = ran;
  late.join();
  EXPECT_EQ(ranWhenReturned, 2);
}

TEST_F(MessageLoopTest, ResetDropsTasksAndTimers) {
  int ran = 0;
  loop().post([&] { ++ran; });
  loop().add_timer(5, [&] { ++ran; });
  loop().reset();
  loop().advance(100);
  EXPECT_EQ(ran, 0);
}

TEST_F(MessageLoopTest, FormTimerTicksWhileEnabledWithAPositiveInterval) {
  Timer timer;
  int ticks = 0;
  timer.OnTick([&] { ++ticks; });
  EXPECT_TRUE(timer.Enabled());
  loop().advance(1000);
  EXPECT_EQ(ticks, 0);  // interval 0: never
  timer.SetInterval(100);
  loop().advance(250);
  EXPECT_EQ(ticks, 2);
  timer.SetEnabled(false);
  loop().advance(1000);
  EXPECT_EQ(ticks, 2);
  timer.SetEnabled(true);  // a fresh period from now
  loop().advance(99);
  EXPECT_EQ(ticks, 2);
  loop().advance(1);
  EXPECT_EQ(ticks, 3);
  EXPECT_THROW(timer.SetInterval(-1), AutomationError);
}

TEST_F(MessageLoopTest, FormTimerDestroyedWhilePendingOrInsideItsTick) {
  int ticks = 0;
  {
    Timer pending;
    pending.SetInterval(10);
    pending.OnTick([&] { ++ticks; });
  }
  loop().advance(100);
  EXPECT_EQ(ticks, 0);

  auto owned = std::make_unique<Timer>();
  owned->SetInterval(10);
  owned->OnTick([&] {
    ++ticks;
    owned.reset();  // the timer goes away inside its own tick
  });
  loop().advance(100);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(owned, nullptr);
}

}  // namespace
}  // namespace zentrik

namespace zentrik {
namespace {

// On the real clock the loop sleeps until a task, a due timer or a signal comes: the wake-ups
// it counts are those and no more, however long it waits.
class MessageLoopWakeups : public ::testing::Test {
 protected:
  void SetUp() override {
    loop().reset();
    loop().set_clock(nullptr);
  }
  void TearDown() override { loop().reset(); }
  static MessageLoop& loop() { return MessageLoop::instance(); }
};

TEST_F(MessageLoopWakeups, IdleLoopWakesOnlyForDueTimersAndPosts) {
  int ticks = 0;
  Timer timer;
  timer.SetInterval(40);
  timer.OnTick([&] {
    if (++ticks == 3) loop().quit();
  });
  const std::uint64_t before = loop().wakeups();
  loop().run(std::chrono::seconds(30));
  EXPECT_EQ(ticks, 3);
  // One wake-up per tick; the quit from the last tick ends the run without another.
  EXPECT_LE(loop().wakeups() - before, 3u);

  std::thread poster([] {
    for (int i = 0; i < 5; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      MessageLoop::instance().post([] {});
    }
    MessageLoop::instance().quit();
  });
  timer.SetEnabled(false);
  const std::uint64_t posts = loop().wakeups();
  loop().run(std::chrono::seconds(30));
  poster.join();
  EXPECT_LE(loop().wakeups() - posts, 6u);
}

MessageLoop* g_signalled_loop = nullptr;
extern "C" void quit_on_signal(int) {
  g_signalled_loop->quit_from_signal();
}

TEST_F(MessageLoopWakeups, SignalHandlerEndsTheRun) {
  g_signalled_loop = &loop();
  struct sigaction action {
  }, previous{};
  action.sa_handler = quit_on_signal;
  sigaction(SIGUSR1, &action, &previous);
  std::thread sender([target = pthread_self()] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    pthread_kill(target, SIGUSR1);
  });
  const std::uint64_t before = loop().wakeups();
  loop().run(std::chrono::seconds(30));  // returns on the signal, long before the time-out
  sender.join();
  sigaction(SIGUSR1, &previous, nullptr);
  EXPECT_LE(loop().wakeups() - before, 2u);  // poll() may see the signal and the write apart
}

}  // namespace
}  // namespace zentrik
