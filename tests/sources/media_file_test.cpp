// The FFmpeg driver on video files made by the test: size, orientation, order, end, frame rate,
// files that are missing, truncated or damaged, and large pictures read the same every time.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <vector>

#include "frame_probe.h"
#include "source_options.h"
#include "temp_folder.h"
#include "test_video.h"
#include "zentrik/sources/MediaSourceDriver.h"

namespace zentrik {
namespace {

using testing::TempFolder;
using testing::TestVideo;

struct Encoding {
  const char* name;
  const char* file;
  const char* arguments;
};

class MediaFileTest : public ::testing::TestWithParam<Encoding> {};

TEST_P(MediaFileTest, FramesComeOutScaledUprightInOrderThenEnd) {
  TempFolder folder;
  const auto path = folder / GetParam().file;
  std::string log;
  ASSERT_TRUE(testing::make_test_video(path, GetParam().arguments, log)) << log;

  MediaSourceDriver driver(testing::source(path.string()));
  ASSERT_FALSE(driver.threaded());
  ASSERT_TRUE(driver.open()) << driver.error();
  EXPECT_DOUBLE_EQ(driver.frame_rate(), TestVideo::kRate);
  ASSERT_TRUE(driver.start());

  auto frame = std::make_unique<Frame>();
  for (int k = 0; k < TestVideo::kFrames; ++k) {
    ASSERT_EQ(driver.next_frame(*frame), FrameStatus::Ok) << "frame " << k << driver.error();
    EXPECT_EQ(frame->index, k);
    // The red bar is at the top left and nothing is at the bottom left: not upside down.
    EXPECT_TRUE(testing::looks_red(testing::pixel_at(*frame, 10, 5))) << "frame " << k;
    EXPECT_TRUE(testing::looks_black(testing::pixel_at(*frame, 10, 234))) << "frame " << k;
    const auto centre = testing::white_centre(*frame);
    ASSERT_TRUE(centre.has_value()) << "frame " << k;
    EXPECT_NEAR(centre->first, TestVideo::square_x(k), 1.5) << "frame " << k;
    EXPECT_NEAR(centre->second, TestVideo::square_y(), 1.5) << "frame " << k;
  }
  EXPECT_EQ(driver.next_frame(*frame), FrameStatus::End);
  EXPECT_EQ(driver.next_frame(*frame), FrameStatus::End);
  EXPECT_EQ(driver.status().state, SourceState::Ended);
  EXPECT_EQ(driver.status().frames, TestVideo::kFrames);
  EXPECT_EQ(driver.error(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Encoders, MediaFileTest,
    ::testing::Values(Encoding{"ffv1", "clip.mkv", "-c:v ffv1"},
                      Encoding{"mpeg4", "clip.avi", "-c:v mpeg4 -q:v 2 -pix_fmt yuv420p"},
                      Encoding{"h264", "clip.mp4", "-c:v libx264 -crf 10 -pix_fmt yuv420p"},
                      Encoding{"mjpeg", "clip.mov", "-c:v mjpeg -q:v 2 -pix_fmt yuvj422p"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MediaFile, NothingFlowsBeforeStartAndAfterStop) {
  TempFolder folder;
  const auto path = folder / "clip.avi";
  std::string log;
  ASSERT_TRUE(testing::make_test_video(path, "-c:v mpeg4", log)) << log;
  MediaSourceDriver driver(testing::source(path.string()));
  auto frame = std::make_unique<Frame>();
  EXPECT_EQ(driver.next_frame(*frame), FrameStatus::Error);
  EXPECT_FALSE(driver.start());
  ASSERT_TRUE(driver.open());
  EXPECT_EQ(driver.next_frame(*frame), FrameStatus::Again);
  ASSERT_TRUE(driver.start());
  ASSERT_EQ(driver.next_frame(*frame), FrameStatus::Ok);
  driver.stop();
  EXPECT_EQ(driver.next_frame(*frame), FrameStatus::Again);
  ASSERT_TRUE(driver.start());  // a file carries on where it stopped
  ASSERT_EQ(driver.next_frame(*frame), FrameStatus::Ok);
  EXPECT_EQ(frame->index, 1);
  driver.close();
  EXPECT_EQ(driver.next_frame(*frame), FrameStatus::Error);
}

TEST(MediaFile, MissingFileFailsToOpenWithItsName) {
  MediaSourceDriver driver(testing::source("/nonexistent/folder/clip.mp4"));
  EXPECT_FALSE(driver.open());
  EXPECT_EQ(driver.error(),
            "cannot open video file '/nonexistent/folder/clip.mp4': No such file or directory");
  EXPECT_EQ(driver.description(), "File: clip.mp4");
}

TEST(MediaFile, PathWithColonIsReadAsAFile) {
  TempFolder folder;
  const auto path = folder / "cam:1.avi";
  std::string log;
  ASSERT_TRUE(testing::make_test_video(path, "-c:v mpeg4", log)) << log;
  MediaSourceDriver driver(testing::source(path.string()));
  EXPECT_TRUE(driver.open()) << driver.error();
}

TEST(MediaFile, FileWithoutVideoIsRefused) {
  TempFolder folder;
  const auto path = folder / "noise.bin";
  std::ofstream(path, std::ios::binary) << std::string(4096, '\0');
  MediaSourceDriver driver(testing::source(path.string()));
  EXPECT_FALSE(driver.open());
  EXPECT_NE(driver.error().find(path.string()), std::string::npos) << driver.error();
}

std::string read_all(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void write_all(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));
}

// Reads to the end; returns the number of frames, or -1 when the source never ended. `latest`
// keeps the last good frame.
int drain(MediaSourceDriver& driver, FrameStatus& last, Frame* latest = nullptr) {
  auto frame = std::make_unique<Frame>();
  int frames = 0;
  for (int i = 0; i < 1000; ++i) {
    last = driver.next_frame(*frame);
    if (last != FrameStatus::Ok) return frames;
    if (latest != nullptr) *latest = *frame;
    ++frames;
  }
  return -1;
}

// All frames of a file, decoded with or without the shortcuts for large pictures.
std::vector<std::vector<std::uint8_t>> all_frames(const std::filesystem::path& path,
                                                  bool full_decode) {
  MediaSourceOptions options = testing::source(path.string());
  options.full_decode = full_decode;
  MediaSourceDriver driver(options);
  std::vector<std::vector<std::uint8_t>> frames;
  if (!driver.open() || !driver.start()) return frames;
  auto frame = std::make_unique<Frame>();
  while (driver.next_frame(*frame) == FrameStatus::Ok)
    frames.emplace_back(frame->pixels, frame->pixels + sizeof frame->pixels);
  return frames;
}

// A noisy H.264 clip gives the same frames every time it is read, and skipping the loop filter
// (640 x 480 is twice 320 x 240 each way) changes them a little: under 2 levels on average.
TEST(MediaFile, LargePicturesDecodeTheSameEveryTimeAndCloseToAFullDecode) {
  TempFolder folder;
  const auto path = folder / "noisy.mp4";
  std::string log;
  ASSERT_TRUE(testing::make_test_video(
      path, "-vf noise=alls=24:allf=t+u -c:v libx264 -crf 32 -bf 0 -pix_fmt yuv420p", log))
      << log;
  const auto first = all_frames(path, false);
  ASSERT_EQ(first.size(), std::size_t{TestVideo::kFrames});
  EXPECT_TRUE(first == all_frames(path, false));
  const auto full = all_frames(path, true);
  ASSERT_EQ(full.size(), first.size());
  double difference = 0;
  for (std::size_t k = 0; k < first.size(); ++k)
    for (std::size_t i = 0; i < first[k].size(); ++i)
      difference += std::abs(int{first[k][i]} - int{full[k][i]});
  difference /= static_cast<double>(first.size() * first[0].size());
  EXPECT_GT(difference, 0.0) << "the loop filter was not skipped";
  EXPECT_LT(difference, 2.0);
}

// A picture that repeats the one before (a still camera) comes out as the frame it gives when it
// is new: a lossless clip whose tenth frame is held for four more frames against the clip itself.
TEST(MediaFile, HeldPicturesComeOutAsTheFramesTheyRepeat) {
  TempFolder folder;
  const auto moving = folder / "moving.mkv", held = folder / "held.mkv";
  std::string log;
  ASSERT_TRUE(testing::make_test_video(moving, "-c:v ffv1 -pix_fmt yuv420p", log)) << log;
  ASSERT_TRUE(testing::make_test_video(
      held, "-vf loop=loop=4:size=1:start=10 -c:v ffv1 -pix_fmt yuv420p", log))
      << log;
  const auto want = all_frames(moving, false), got = all_frames(held, false);
  ASSERT_EQ(want.size(), std::size_t{TestVideo::kFrames});
  ASSERT_EQ(got.size(), want.size() + 4);
  for (std::size_t k = 0; k < got.size(); ++k) {
    const std::size_t shown = k <= 9 ? k : k <= 13 ? 9 : k - 4;
    EXPECT_TRUE(got[k] == want[shown]) << "frame " << k;
  }
}

TEST(MediaFile, TruncatedFileEndsEarlyWithoutHarm) {
  TempFolder folder;
  const auto path = folder / "clip.avi";
  std::string log;
  ASSERT_TRUE(testing::make_test_video(path, "-c:v mpeg4 -q:v 2", log)) << log;
  auto bytes = read_all(path);
  bytes.resize(bytes.size() / 2);
  write_all(path, bytes);

  MediaSourceDriver driver(testing::source(path.string()));
  ASSERT_TRUE(driver.open()) << driver.error();
  ASSERT_TRUE(driver.start());
  FrameStatus last = FrameStatus::Ok;
  const int frames = drain(driver, last);
  EXPECT_GT(frames, 0);
  EXPECT_LT(frames, TestVideo::kFrames);
  EXPECT_EQ(last, FrameStatus::End);
}

TEST(MediaFile, DamagedFramesAreSkippedAndTheRestComesOut) {
  TempFolder folder;
  const auto path = folder / "clip.avi";
  std::string log;
  // Every frame a key frame, so that the frames after the damage decode on their own.
  ASSERT_TRUE(testing::make_test_video(path, "-c:v mpeg4 -q:v 2 -g 1", log)) << log;
  auto bytes = read_all(path);
  std::mt19937 random(7);
  // Scribble over a stretch in the middle of the file.
  for (std::size_t i = bytes.size() * 2 / 5; i < bytes.size() * 3 / 5; ++i)
    bytes[i] = static_cast<char>(random());
  write_all(path, bytes);

  MediaSourceDriver driver(testing::source(path.string()));
  ASSERT_TRUE(driver.open()) << driver.error();
  ASSERT_TRUE(driver.start());
  FrameStatus last = FrameStatus::Ok;
  auto latest = std::make_unique<Frame>();
  const int frames = drain(driver, last, latest.get());
  EXPECT_GT(frames, 0);
  EXPECT_LT(frames, TestVideo::kFrames);  // the damage cost frames ...
  EXPECT_EQ(last, FrameStatus::End);      // ... but did not end the file early
  const auto centre = testing::white_centre(*latest);
  ASSERT_TRUE(centre.has_value());
  EXPECT_NEAR(centre->first, TestVideo::square_x(TestVideo::kFrames - 1), 1.5);
}

TEST(MediaFile, TooManyBadFramesInARowFailTheInput) {
  TempFolder folder;
  const auto path = folder / "clip.avi";
  std::string log;
  ASSERT_TRUE(testing::make_test_video(path, "-c:v mjpeg -q:v 3", log)) << log;
  // Every picture after the first five is blanked inside its chunk; the container stays intact.
  auto bytes = read_all(path);
  int pictures = 0;
  const std::size_t movie_end = std::min(bytes.find("idx1"), bytes.size());  // then the index
  for (std::size_t i = 0; i + 8 < movie_end; ++i) {
    if (bytes.compare(i, 4, "00dc") != 0) continue;  // an AVI video chunk: tag, size, data
    const std::size_t size = static_cast<unsigned char>(bytes[i + 4]) |
                             static_cast<unsigned char>(bytes[i + 5]) << 8 |
                             static_cast<unsigned char>(bytes[i + 6]) << 16;
    if (size == 0 || i + 8 + size > bytes.size()) continue;
    if (++pictures > 5) std::fill_n(bytes.begin() + static_cast<long>(i) + 8, size, '\0');
    i += 8 + size - 1;
  }
  ASSERT_EQ(pictures, TestVideo::kFrames);
  write_all(path, bytes);

  DecoderSettings settings;
  settings.location = classify_location(path.string());
  settings.max_corrupt_in_a_row = 2;
  auto decoder = make_ffmpeg_decoder(settings);
  ASSERT_TRUE(decoder->open()) << decoder->error();
  auto frame = std::make_unique<Frame>();
  double timestamp = 0.0;
  DecodeStatus status = DecodeStatus::Frame;
  int good = 0;
  for (; good < 100; ++good)
    if ((status = decoder->read(*frame, timestamp)) != DecodeStatus::Frame) break;
  EXPECT_EQ(good, 5);
  EXPECT_EQ(status, DecodeStatus::Error);
  EXPECT_GE(decoder->corrupt_frames(), 2);
  EXPECT_NE(decoder->error().find(path.string()), std::string::npos) << decoder->error();
  EXPECT_EQ(decoder->read(*frame, timestamp), DecodeStatus::Error);  // and stays failed

  // Under the usual bound the same file skips its bad pictures and ends in order.
  MediaSourceDriver driver(testing::source(path.string()));
  ASSERT_TRUE(driver.open());
  ASSERT_TRUE(driver.start());
  FrameStatus last = FrameStatus::Ok;
  EXPECT_EQ(drain(driver, last), 5);
  EXPECT_EQ(last, FrameStatus::End);
  EXPECT_EQ(driver.status().corrupt_frames, TestVideo::kFrames - 5);
}

TEST(MediaFile, RandomBytesNeverCrash) {
  TempFolder folder;
  std::mt19937 random(11);
  for (int round = 0; round < 8; ++round) {
    const auto path = folder / ("random" + std::to_string(round) + ".avi");
    std::string bytes(static_cast<std::size_t>(1000 + 3000 * round), '\0');
    for (char& b : bytes) b = static_cast<char>(random());
    write_all(path, bytes);
    MediaSourceDriver driver(testing::source(path.string()));
    if (!driver.open()) {
      EXPECT_FALSE(driver.error().empty());
      continue;
    }
    ASSERT_TRUE(driver.start());
    FrameStatus last = FrameStatus::Ok;
    EXPECT_GE(drain(driver, last), 0);
  }
}

TEST(MediaCamera, MissingDeviceFailsToOpenWithItsName) {
  MediaSourceDriver driver(testing::source("/dev/video987"));
  EXPECT_TRUE(driver.threaded());
  EXPECT_FALSE(driver.open());
  EXPECT_NE(driver.error().find("cannot open camera '/dev/video987'"), std::string::npos)
      << driver.error();
}

}  // namespace
}  // namespace zentrik
