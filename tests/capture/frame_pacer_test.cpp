// Real-time pacing on a manual clock: frame counts per second without drift, late loops that
// catch up a little and drop the rest, and callbacks that stop or restart the pacer.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "capture/FramePacer.h"
#include "capture_test_support.h"

namespace zentrik {
namespace {

using PacerTest = testing::LoopTest;

struct RateCase {
  double rate;
  std::int64_t ms;
  std::int64_t frames;
};

TEST_F(PacerTest, DeliversExactlyTheFramesDueWithoutDrift) {
  const RateCase cases[] = {{30.0, 1000, 30},    {30.0, 999, 29},    {30.0, 34, 1},
                            {30.0, 33, 0},       {25.0, 1000, 25},   {29.97, 100000, 2997},
                            {30.0, 60000, 1800}, {1000.0, 250, 250}, {7.0, 3000, 21}};
  for (const RateCase& c : cases) {
    loop().reset();
    std::int64_t frames = 0;
    FramePacer pacer([&] { ++frames; });
    pacer.start(c.rate);
    loop().advance(c.ms);
    EXPECT_EQ(frames, c.frames) << c.rate << " fps over " << c.ms << " ms";
    EXPECT_EQ(pacer.dropped(), 0);
  }
}

TEST_F(PacerTest, FramesComeAtTheFirstMillisecondAtOrAfterTheirTime) {
  std::vector<std::int64_t> times;
  FramePacer pacer([&] { times.push_back(loop().now_ms()); });
  pacer.start(30.0);
  loop().advance(200);
  EXPECT_EQ(times, (std::vector<std::int64_t>{34, 67, 100, 134, 167, 200}));
}

TEST_F(PacerTest, InvalidRatesCountAsThirty) {
  for (double rate : {0.0, -5.0, 5000.0, std::nan("")}) {
    loop().reset();
    int frames = 0;
    FramePacer pacer([&] { ++frames; });
    pacer.start(rate);
    EXPECT_DOUBLE_EQ(pacer.rate(), 30.0);
    loop().advance(1000);
    EXPECT_EQ(frames, 30) << rate;
  }
}

TEST_F(PacerTest, ALateLoopCatchesUpAFewFramesAndDropsTheRest) {
  int frames = 0;
  FramePacer pacer([&] { ++frames; });
  pacer.start(30.0);
  // The clock jumps without the loop running: 10 frames are due at the next tick.
  clock_->advance(334);
  loop().run_until_idle();
  EXPECT_EQ(frames, FramePacer::kMaxCatchUp);
  EXPECT_EQ(pacer.dropped(), 10 - FramePacer::kMaxCatchUp);
  // Then it keeps the original schedule: frame 11 at 367 ms.
  loop().advance(32);
  EXPECT_EQ(frames, FramePacer::kMaxCatchUp);
  loop().advance(1);
  EXPECT_EQ(frames, FramePacer::kMaxCatchUp + 1);
}

TEST_F(PacerTest, StopEndsTheFramesAndStartBeginsAfresh) {
  int frames = 0;
  FramePacer pacer([&] { ++frames; });
  pacer.start(30.0);
  loop().advance(500);
  EXPECT_EQ(frames, 15);
  pacer.stop();
  EXPECT_FALSE(pacer.running());
  loop().advance(1000);
  EXPECT_EQ(frames, 15);
  pacer.start(30.0);
  loop().advance(33);
  EXPECT_EQ(frames, 15);
  loop().advance(1);
  EXPECT_EQ(frames, 16);
}

TEST_F(PacerTest, TheCallbackMayStopOrRestartThePacer) {
  int frames = 0;
  std::unique_ptr<FramePacer> pacer;
  pacer = std::make_unique<FramePacer>([&] {
    ++frames;
    if (frames == 3) pacer->stop();
  });
  pacer->start(30.0);
  loop().advance(1000);
  EXPECT_EQ(frames, 3);

  int restarts = 0;
  FramePacer* self = nullptr;
  FramePacer restarting([&] {
    ++restarts;
    if (restarts == 2) self->start(10.0);  // from now on every 100 ms
  });
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

TEST_F(PacerTest, DestroyingARunningPacerRemovesItsTimer) {
  int frames = 0;
  {
    FramePacer pacer([&] { ++frames; });
    pacer.start(30.0);
    loop().advance(100);
  }
  loop().advance(1000);
  EXPECT_EQ(frames, 3);
}

}  // namespace
}  // namespace zentrik
