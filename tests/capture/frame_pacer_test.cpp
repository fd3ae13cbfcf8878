// Real-time pacing on a manual clock: frame counts per second without drift, frames with time
// stamps at their stamps' distance from the first, breaks in a source's clock, late loops that
// move the schedule on, and callbacks that stop or restart the pacer.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <memory>
#include <vector>

#include "capture/FramePacer.h"
#include "capture_test_support.h"

namespace zentrik {
namespace {

using PacerTest = testing::LoopTest;

// What the pacer is fed: the stamps of the frames to come (NaN: no stamp; the source never runs
// dry unless `dry`), and the loop times of each fetch and each show.
struct Feed {
  std::deque<double> stamps;
  bool dry = false;  // no frame once the stamps are used up
  std::vector<std::int64_t> fetched;
  std::vector<std::int64_t> shown;
  std::function<void()> on_show;

  FramePacer::Fetch fetch() {
    return [this]() -> std::optional<double> {
      fetched.push_back(MessageLoop::instance().now_ms());
      if (stamps.empty()) {
        if (dry) return std::nullopt;
        return std::nan("");
      }
      const double stamp = stamps.front();
      stamps.pop_front();
      return stamp;
    };
  }
  FramePacer::Show show() {
    return [this] {
      shown.push_back(MessageLoop::instance().now_ms());
      if (on_show) on_show();
    };
  }
};

struct RateCase {
  double rate;
  std::int64_t ms;
  std::int64_t frames;
  double paced_at;  // the rate the pacer keeps: invalid rates count as 30
};

TEST_F(PacerTest, DeliversExactlyTheFramesDueWithoutDrift) {
  const double nan = std::nan("");
  const RateCase cases[] = {
      {30.0, 1000, 30, 30.0},    {30.0, 999, 29, 30.0},    {30.0, 34, 1, 30.0},
      {30.0, 33, 0, 30.0},       {25.0, 1000, 25, 25.0},   {29.97, 100000, 2997, 29.97},
      {30.0, 60000, 1800, 30.0}, {1000.0, 250, 250, 1000}, {7.0, 3000, 21, 7.0},
      {0.0, 1000, 30, 30.0},     {-5.0, 1000, 30, 30.0},   {5000.0, 1000, 30, 30.0},
      {nan, 1000, 30, 30.0}};
  for (const RateCase& c : cases) {
    loop().reset();
    Feed feed;
    FramePacer pacer(feed.fetch(), feed.show());
    pacer.start(c.rate);
    EXPECT_DOUBLE_EQ(pacer.rate(), c.paced_at) << c.rate;
    loop().advance(c.ms);
    EXPECT_EQ(static_cast<std::int64_t>(feed.shown.size()), c.frames)
        << c.rate << " fps over " << c.ms << " ms";
    // Without stamps each frame is read at its own time, not ahead of it.
    EXPECT_EQ(feed.fetched, feed.shown);
    EXPECT_EQ(pacer.dropped(), 0);
  }
}

TEST_F(PacerTest, FramesComeAtTheFirstMillisecondAtOrAfterTheirTime) {
  Feed feed;
  FramePacer pacer(feed.fetch(), feed.show());
  pacer.start(30.0);
  loop().advance(200);
  EXPECT_EQ(feed.shown, (std::vector<std::int64_t>{34, 67, 100, 134, 167, 200}));
}

TEST_F(PacerTest, ALateLoopMovesTheScheduleOnInsteadOfRushing) {
  Feed feed;
  FramePacer pacer(feed.fetch(), feed.show());
  pacer.start(30.0);
  // The clock jumps without the loop running: frame 1, due at 34 ms, comes 300 ms late, and the
  // nine periods it missed are skipped rather than made up in a burst.
  clock_->advance(334);
  loop().run_until_idle();
  EXPECT_EQ(feed.shown, (std::vector<std::int64_t>{334}));
  EXPECT_EQ(pacer.dropped(), 9);
  loop().advance(100);
  EXPECT_EQ(feed.shown, (std::vector<std::int64_t>{334, 368, 401, 434}));

  // A little late (within kMaxCatchUp periods): the frames due come at once, on schedule after.
  Feed stamped;
  stamped.stamps = {0.0, 0.1, 0.2, 0.3, 0.4};
  FramePacer catching(stamped.fetch(), stamped.show());
  const std::int64_t begin = loop().now_ms();
  catching.start(10.0);  // frame 1 at +100 ms, the others 100 ms apart
  clock_->advance(350);
  loop().run_until_idle();
  EXPECT_EQ(stamped.shown, (std::vector<std::int64_t>(3, begin + 350)));
  EXPECT_EQ(catching.dropped(), 0);
  loop().advance(50);
  EXPECT_EQ(stamped.shown.back(), begin + 400);
}

TEST_F(PacerTest, StampedFramesComeAtTheirStampsDistanceFromTheFirst) {
  struct Case {
    const char* name;
    std::vector<double> stamps;
    std::vector<std::int64_t> shown;  // loop ms; the pacer starts at 0 at 10 fps
  };
  const Case cases[] = {
      {"even", {0.0, 0.1, 0.2, 0.3}, {100, 200, 300, 400}},
      {"uneven, some faster than the rate",
       {5.0, 5.01, 5.04, 5.09, 6.5},
       {100, 110, 140, 190, 1600}},
      {"the same stamp twice", {1.0, 1.0, 1.25}, {100, 200, 450}},
      {"a stamp between milliseconds", {0.0, 0.0334}, {100, 134}},
      {"a late gap within the bound", {0.0, 9.9}, {100, 10000}},
      {"a clock that goes back", {3.0, 3.5, 1.0, 1.2}, {100, 600, 700, 900}},
      {"a clock that jumps ahead", {0.0, 0.2, 500.0, 500.1}, {100, 300, 400, 500}},
      {"the same stamp always", {2.0, 2.0, 2.0, 2.0}, {100, 200, 300, 400}},
      {"stamps and none", {0.0, 0.5, std::nan(""), std::nan(""), 0.9}, {100, 600, 700, 800, 1000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    loop().reset();
    clock_ = std::make_shared<ManualClock>();
    loop().set_clock(clock_);
    Feed feed;
    feed.stamps.assign(c.stamps.begin(), c.stamps.end());
    feed.dry = true;
    FramePacer pacer(feed.fetch(), feed.show());
    pacer.start(10.0);
    loop().advance(c.shown.back() + 1000);
    EXPECT_EQ(feed.shown, c.shown);
    EXPECT_EQ(pacer.dropped(), 0);
  }
}

TEST_F(PacerTest, AStampedFrameIsReadAheadAndHeldUntilItsTime) {
  Feed feed;
  feed.stamps = {0.0, 2.0, 2.5};
  FramePacer pacer(feed.fetch(), feed.show());
  pacer.start(25.0);
  loop().advance(40);
  // The second frame is read as soon as the first is shown, then waits for its stamp.
  EXPECT_EQ(feed.shown, (std::vector<std::int64_t>{40}));
  EXPECT_EQ(feed.fetched, (std::vector<std::int64_t>{40, 40}));
  loop().advance(1000);
  pacer.stop();  // the held frame is kept...
  EXPECT_FALSE(pacer.running());
  loop().advance(5000);
  EXPECT_EQ(feed.shown.size(), 1u);
  pacer.start(25.0);  // ...and comes first after a start, one period later
  loop().advance(40);
  EXPECT_EQ(feed.shown, (std::vector<std::int64_t>{40, 6080}));
  EXPECT_EQ(feed.fetched.size(), 3u);
  EXPECT_TRUE(pacer.release_held());  // taken by a host that asks for frames itself
  EXPECT_FALSE(pacer.release_held());
  feed.stamps = {7.0};
  loop().advance(1000);
  pacer.forget();  // a held frame of a source that is gone is dropped
  EXPECT_FALSE(pacer.release_held());
}

TEST_F(PacerTest, ASourceWithNoFrameNowIsAskedAgainOnePeriodLater) {
  Feed feed;
  feed.dry = true;
  FramePacer pacer(feed.fetch(), feed.show());
  pacer.start(20.0);
  loop().advance(160);
  EXPECT_EQ(feed.fetched, (std::vector<std::int64_t>{50, 100, 150}));
  feed.stamps = {4.0};
  loop().advance(50);
  EXPECT_EQ(feed.shown, (std::vector<std::int64_t>{200}));
}

TEST_F(PacerTest, StopEndsTheFramesStartBeginsAfreshAndDestroyingRemovesTheTimer) {
  Feed feed;
  auto pacer = std::make_unique<FramePacer>(feed.fetch(), feed.show());
  pacer->start(30.0);
  loop().advance(500);
  EXPECT_EQ(feed.shown.size(), 15u);
  pacer->stop();
  EXPECT_FALSE(pacer->running());
  loop().advance(1000);
  EXPECT_EQ(feed.shown.size(), 15u);
  pacer->start(30.0);
  loop().advance(33);
  EXPECT_EQ(feed.shown.size(), 15u);
  loop().advance(1);
  EXPECT_EQ(feed.shown.size(), 16u);
  pacer.reset();  // while running
  loop().advance(1000);
  EXPECT_EQ(feed.shown.size(), 16u);
}

TEST_F(PacerTest, TheCallbackMayStopOrRestartThePacer) {
  Feed stopping;
  std::unique_ptr<FramePacer> pacer;
  stopping.on_show = [&] {
    if (stopping.shown.size() == 3) pacer->stop();
  };
  pacer = std::make_unique<FramePacer>(stopping.fetch(), stopping.show());
  pacer->start(30.0);
  loop().advance(1000);
  EXPECT_EQ(stopping.shown.size(), 3u);

  Feed feed;
  std::size_t restarts = 0;
  FramePacer* self = nullptr;
  feed.on_show = [&] {
    ++restarts;
    if (restarts == 2) self->start(10.0);  // from now on every 100 ms
  };
  FramePacer restarting(feed.fetch(), feed.show());
  self = &restarting;
  const std::int64_t begin = loop().now_ms();
  restarting.start(30.0);
  loop().advance(67);  // two frames at 30 fps, the second restarts at 10 fps
  EXPECT_EQ(restarts, 2);
  loop().advance(99);
  EXPECT_EQ(restarts, 2);
  loop().advance(1);
  EXPECT_EQ(restarts, 3);
  EXPECT_EQ(loop().now_ms() - begin, 167);
}

}  // namespace
}  // namespace zentrik
