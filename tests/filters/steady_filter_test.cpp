// The steady filter through its driver: a still picture passes unchanged, sensor noise goes,
// a moving object keeps its edges, light changes are absorbed or passed in one frame, and the
// settings' text form.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <memory>
#include <random>

#include "zentrik/filters/SteadyDriver.h"

namespace zentrik {
namespace {

using Picture = std::vector<std::uint8_t>;  // one frame's bytes
constexpr std::size_t kBytes = sizeof(Frame::pixels);

// Plays the pictures it is given, in order.
class ListDriver : public CaptureDriver {
 public:
  explicit ListDriver(std::shared_ptr<std::deque<Picture>> feed) : feed_(std::move(feed)) {}
  std::string description() const override { return "list"; }
  std::string version() const override { return "test"; }
  bool open() override { return true; }
  void close() override {}
  bool start() override { return true; }
  void stop() override {}
  FrameStatus next_frame(Frame& frame) override {
    if (feed_->empty()) return FrameStatus::End;
    std::memcpy(frame.pixels, feed_->front().data(), kBytes);
    feed_->pop_front();
    return FrameStatus::Ok;
  }
  double frame_rate() const override { return 15.0; }
  std::string error() const override { return {}; }

 private:
  std::shared_ptr<std::deque<Picture>> feed_;
};

// A smooth-ish seeded texture within 60..190 (no channel near the ends, so light steps fit).
Picture texture(std::uint32_t seed) {
  std::mt19937 random(seed);
  Picture p(kBytes);
  for (std::size_t y = 0; y < 240; ++y) {
    for (std::size_t x = 0; x < 320; ++x) {
      const int base =
          60 + static_cast<int>((x * 7 + y * 3) % 100) + static_cast<int>(random() % 30);
      for (std::size_t c = 0; c < 3; ++c) p[y * 960 + x * 3 + c] = static_cast<std::uint8_t>(base);
    }
  }
  return p;
}

Picture with_noise(Picture p, int amplitude, std::mt19937& random) {
  std::uniform_int_distribution<int> offset(-amplitude, amplitude);
  for (std::uint8_t& byte : p) byte = static_cast<std::uint8_t>(byte + offset(random));
  return p;
}

Picture lit(Picture p, int delta) {
  for (std::uint8_t& byte : p) byte = static_cast<std::uint8_t>(byte + delta);
  return p;
}

// Rows counted from the top, as the picture shows them.
void fill_rect(Picture& p, int left, int top, int width, int height, std::uint8_t value) {
  for (int y = std::max(top, 0); y < std::min(top + height, 240); ++y) {
    for (int x = std::max(left, 0); x < std::min(left + width, 320); ++x) {
      std::memset(&p[static_cast<std::size_t>(239 - y) * 960 + static_cast<std::size_t>(x) * 3],
                  value, 3);
    }
  }
}

std::size_t changed_pixels(const Picture& a, const Picture& b) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < kBytes; i += 3) count += std::memcmp(&a[i], &b[i], 3) != 0;
  return count;
}

// Runs `pictures` through a steady driver and returns what it handed on.
std::vector<Picture> steady(std::deque<Picture> pictures, SteadySettings settings = {}) {
  auto feed = std::make_shared<std::deque<Picture>>(std::move(pictures));
  SteadyDriver driver(std::make_unique<ListDriver>(feed), settings);
  EXPECT_TRUE(driver.open());
  EXPECT_TRUE(driver.start());
  std::vector<Picture> out;
  auto frame = std::make_unique<Frame>();
  while (driver.next_frame(*frame) == FrameStatus::Ok) {
    out.emplace_back(frame->pixels, frame->pixels + kBytes);
  }
  return out;
}

TEST(SteadyFilter, StillPicturePassesUnchangedAndNothingOffIsExact) {
  const Picture still = texture(1);
  for (const Picture& out : steady({still, still, still, still})) EXPECT_EQ(out, still);

  // With nothing held back (no tolerance, no neighbours, no light absorbed) every frame of any
  // sequence passes exactly.
  std::mt19937 random(7);
  std::deque<Picture> any;
  for (int i = 0; i < 6; ++i)
    any.push_back(with_noise(texture(static_cast<std::uint32_t>(i)), 40, random));
  const std::vector<Picture> out = steady(any, {0, 0, 0});
  ASSERT_EQ(out.size(), any.size());
  for (std::size_t i = 0; i < out.size(); ++i) EXPECT_EQ(out[i], any[i]) << i;
}

TEST(SteadyFilter, RemovesNoiseOfTheGivenAmplitude) {
  const Picture base = texture(2);
  std::mt19937 random(3);
  struct Case {
    int amplitude;
    std::size_t most_changed;  // pixels per frame, of 76,800
  };
  // Up to half the tolerance no difference can pass; a little beyond, the few points that pass
  // alone are dropped; without the neighbour rule they would show.
  for (const Case c : {Case{12, 0}, Case{13, 100}}) {
    std::deque<Picture> noisy;
    for (int i = 0; i < 20; ++i) noisy.push_back(with_noise(base, c.amplitude, random));
    const std::vector<Picture> out = steady(noisy);
    for (std::size_t i = 1; i < out.size(); ++i) {
      EXPECT_LE(changed_pixels(out[i], out[i - 1]), c.most_changed) << c.amplitude << " " << i;
    }
    std::size_t lone = 0;
    const std::vector<Picture> kept = steady(noisy, {24, 0, 64});
    for (std::size_t i = 1; i < kept.size(); ++i) lone += changed_pixels(kept[i], kept[i - 1]);
    if (c.most_changed > 0) {
      EXPECT_GT(lone, 20 * c.most_changed);
    }
  }
}

TEST(SteadyFilter, MovingObjectKeepsItsEdges) {
  const Picture base = texture(4);
  std::mt19937 random(5);
  for (int speed : {2, 3, 5}) {
    std::deque<Picture> frames;
    for (int f = 0; f < 12; ++f) {
      Picture p = with_noise(base, 8, random);
      fill_rect(p, 40 + speed * f, 100 - speed * f / 2, 24, 30, 250);
      frames.push_back(p);
    }
    const std::vector<Picture> out = steady(frames);
    for (std::size_t f = 0; f < out.size(); ++f) {
      // The object is exactly where it is, and nothing of it is left where it was.
      Picture expected_mask(kBytes, 0);
      fill_rect(expected_mask, 40 + speed * static_cast<int>(f),
                100 - speed * static_cast<int>(f) / 2, 24, 30, 1);
      for (std::size_t i = 0; i < kBytes; ++i) {
        if (expected_mask[i]) {
          ASSERT_EQ(out[f][i], 250) << "speed " << speed << " frame " << f << " byte " << i;
        } else {
          ASSERT_LT(out[f][i], 230) << "speed " << speed << " frame " << f << " byte " << i;
        }
      }
    }
  }
}

TEST(SteadyFilter, LightChangesAreHeldOrPassedInOneStep) {
  const Picture base = texture(6);
  // A step of up to the light setting raises nothing: the picture held stays as it was.
  for (int delta : {-40, 30, 64}) {
    const std::vector<Picture> out = steady({base, lit(base, delta), lit(base, delta)});
    EXPECT_EQ(out[1], base) << delta;
    EXPECT_EQ(out[2], base) << delta;
  }
  // A slow fade the same: ten frames of 5 levels each.
  std::deque<Picture> fade{base};
  for (int i = 1; i <= 10; ++i) fade.push_back(lit(base, 5 * i));
  for (const Picture& out : steady(fade)) EXPECT_EQ(out, base);
  // Beyond it the new light is passed whole in the one frame where it changed.
  const std::vector<Picture> big = steady({base, lit(base, 65), lit(base, 65)});
  EXPECT_EQ(big[1], lit(base, 65));
  EXPECT_EQ(big[2], lit(base, 65));
  // An object that comes while the light is held back still shows, in the light held, and
  // where it was the picture is the one held when it has gone.
  Picture object = lit(base, 30);
  fill_rect(object, 100, 100, 30, 30, 0);
  const std::vector<Picture> both = steady({base, lit(base, 30), object, lit(base, 30), base});
  Picture expected = base;
  fill_rect(expected, 100, 100, 30, 30, 0);  // 0 - 30, kept within 0..255
  EXPECT_EQ(both[2], expected);
  EXPECT_EQ(both[3], base);
  EXPECT_EQ(both[4], base);
}

TEST(SteadySettings, ReadAndWritten) {
  std::string error;
  EXPECT_EQ(parse_steady_settings("", error), SteadySettings{});
  EXPECT_EQ(parse_steady_settings("on", error), SteadySettings{});
  EXPECT_EQ(parse_steady_settings("tolerance=10,light=0", error), (SteadySettings{10, 2, 0}));
  EXPECT_EQ(parse_steady_settings(format_steady_settings({7, 8, 9}), error),
            (SteadySettings{7, 8, 9}));
  for (const char* bad : {"tolerance=256", "neighbours=9", "light=-1", "tolerance", "colour=3",
                          "tolerance=1,", "tolerance=1x"}) {
    error.clear();
    EXPECT_FALSE(parse_steady_settings(bad, error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
}

// A live source behind the filter: waits, damage counts and full-size pictures are its own.
class LiveDriver : public ListDriver {
 public:
  LiveDriver() : ListDriver(std::make_shared<std::deque<Picture>>()) {}
  bool wait_for_frame(std::chrono::milliseconds timeout) override {
    waited = timeout;
    return false;
  }
  std::int64_t damaged_frames() const override { return 7; }
  bool latest_full_frame(FullFrame& frame) override {
    frame.width = 640;
    return true;
  }
  std::chrono::milliseconds waited{0};
};

TEST(SteadyDriver, PassesOnTheWrappedSourcesWaitDamageAndFullPicture) {
  auto live = std::make_unique<LiveDriver>();
  LiveDriver& inner = *live;
  SteadyDriver driver(std::move(live), SteadySettings{});
  EXPECT_FALSE(driver.wait_for_frame(std::chrono::milliseconds(100)));  // no frame: it waited
  EXPECT_EQ(inner.waited, std::chrono::milliseconds(100));
  EXPECT_EQ(driver.damaged_frames(), 7);
  FullFrame full;
  EXPECT_TRUE(driver.latest_full_frame(full));
  EXPECT_EQ(full.width, 640);
}

}  // namespace
}  // namespace zentrik
