// The JPEG library's entry points: record defaults, statuses for every kind of bad record, and
// files that libjpeg-turbo's own djpeg decodes to the picture, the right way up, at the quality
// asked for; failed writes leave nothing behind and an old file untouched.
#include "zentrik/imaging/ijl.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "imaging_test_support.h"
#include "zentrik/platform/files.h"

namespace zentrik {
namespace {

using testing_support::decode_with_djpeg;
using testing_support::estimate_jpeg_quality;
using testing_support::jpeg_quant_tables;
using testing_support::read_bytes;
using testing_support::ScratchFolder;

struct Colour {
  int red, green, blue;
};

// A picture of four flat quarters, different in every channel order and under every flip.
Colour quarter_colour(int x, int y, int width, int height) {
  const bool top = y < height / 2;
  const bool left = width < 32 || x < width / 2;
  if (top) return left ? Colour{230, 30, 30} : Colour{30, 200, 40};
  return left ? Colour{30, 40, 230} : Colour{240, 240, 240};
}

// Pixels laid out as the library reads them: `channels` per pixel in `order`, each row followed
// by `pad` filler bytes, rows bottom-up when `bottomUp`.
struct SourceImage {
  int width, height, pad;
  bool bottomUp;
  IJL_COLOR order;
  std::vector<Byte> bytes;

  SourceImage(int w, int h, int p, bool up, IJL_COLOR o)
      : width(w), height(h), pad(p), bottomUp(up), order(o) {
    const int channels = order == IJL_COLOR::IJL_G ? 1 : 3;
    const std::size_t stride = static_cast<std::size_t>(width * channels + pad);
    bytes.assign(stride * static_cast<std::size_t>(height), 0x5A);  // the filler shows up if read
    for (int y = 0; y < height; ++y) {
      const int memoryRow = bottomUp ? height - 1 - y : y;
      Byte* row = bytes.data() + stride * static_cast<std::size_t>(memoryRow);
      for (int x = 0; x < width; ++x) {
        const Colour c = quarter_colour(x, y, width, height);
        if (channels == 1) {
          row[x] = static_cast<Byte>((c.red + c.green + c.blue) / 3);
        } else if (order == IJL_COLOR::IJL_BGR) {
          row[3 * x] = static_cast<Byte>(c.blue);
          row[3 * x + 1] = static_cast<Byte>(c.green);
          row[3 * x + 2] = static_cast<Byte>(c.red);
        } else {
          row[3 * x] = static_cast<Byte>(c.red);
          row[3 * x + 1] = static_cast<Byte>(c.green);
          row[3 * x + 2] = static_cast<Byte>(c.blue);
        }
      }
    }
  }

  void describe(JPEG_CORE_PROPERTIES& p, const std::string& file, int quality) const {
    const bool grey = order == IJL_COLOR::IJL_G;
    p.DIBBytes = bytes.data();
    p.DIBWidth = width;
    p.DIBHeight = bottomUp ? -height : height;
    p.DIBPadBytes = pad;
    p.DIBChannels = grey ? 1 : 3;
    p.DIBColor = order;
    if (grey) {
      p.JPGChannels = 1;
      p.JPGColor = IJL_COLOR::IJL_G;
    }
    p.JPGFile = file.c_str();
    p.JPGWidth = width;
    p.JPGHeight = height;
    p.jquality = quality;
  }
};

// Initialises a record and releases it when the test ends.
class Record {
 public:
  Record() { status_ = ijlInit(&props_); }
  ~Record() {
    if (props_.state) ijlFree(&props_);
  }
  JPEG_CORE_PROPERTIES& operator*() { return props_; }
  JPEG_CORE_PROPERTIES* operator->() { return &props_; }
  JPEG_CORE_PROPERTIES* get() { return &props_; }
  Long status() const { return status_; }

 private:
  JPEG_CORE_PROPERTIES props_;
  Long status_;
};

TEST(IjlRecord, InitSetsAThreeChannelBgrSourceAndAColourJpeg) {
  Record record;
  ASSERT_EQ(record.status(), ijl::kOk);
  EXPECT_TRUE(record->state);
  EXPECT_EQ(record->DIBChannels, 3);
  EXPECT_EQ(record->DIBColor, IJL_COLOR::IJL_BGR);
  EXPECT_EQ(record->JPGChannels, 3);
  EXPECT_EQ(record->JPGColor, IJL_COLOR::IJL_YCBCR);
  EXPECT_EQ(record->DIBBytes, nullptr);
  EXPECT_EQ(record->JPGFile, nullptr);
}

TEST(IjlRecord, FreeReleasesAndTheRecordCanBeInitialisedAgain) {
  JPEG_CORE_PROPERTIES props;
  ASSERT_EQ(ijlInit(&props), ijl::kOk);
  props.jquality = 12;
  EXPECT_EQ(ijlFree(&props), ijl::kOk);
  EXPECT_FALSE(props.state);
  EXPECT_EQ(ijlFree(&props), ijl::kBadArguments);  // nothing left to release
  ASSERT_EQ(ijlInit(&props), ijl::kOk);
  EXPECT_EQ(props.jquality, 75) << "a new initialisation starts from the defaults";
  EXPECT_EQ(ijlInit(&props), ijl::kOk) << "initialising twice releases the first state";
  EXPECT_EQ(ijlFree(&props), ijl::kOk);
}

TEST(IjlRecord, MissingOrUninitialisedRecordsAreRefused) {
  EXPECT_EQ(ijlInit(nullptr), ijl::kBadArguments);
  EXPECT_EQ(ijlWrite(nullptr, IJLIOTYPE::IJL_JFILE_WRITEWHOLEIMAGE), ijl::kBadArguments);
  EXPECT_EQ(ijlFree(nullptr), ijl::kBadArguments);

  ScratchFolder folder;
  const std::string file = folder.file("never.jpg");
  SourceImage image(8, 8, 0, true, IJL_COLOR::IJL_BGR);
  JPEG_CORE_PROPERTIES props;  // never initialised
  image.describe(props, file, 90);
  EXPECT_EQ(ijlWrite(&props, IJLIOTYPE::IJL_JFILE_WRITEWHOLEIMAGE), ijl::kBadArguments);
  EXPECT_TRUE(folder.entries().empty());
}

TEST(IjlRecord, OnlyTheWholeImageFileWriteIsSupported) {
  ScratchFolder folder;
  const std::string file = folder.file("op.jpg");
  SourceImage image(8, 8, 0, true, IJL_COLOR::IJL_BGR);
  Record record;
  image.describe(*record, file, 90);
  EXPECT_EQ(ijlWrite(record.get(), static_cast<IJLIOTYPE>(7)), ijl::kUnsupportedOperation);
  EXPECT_TRUE(folder.entries().empty());
}

struct BadRecordCase {
  const char* name;
  std::function<void(JPEG_CORE_PROPERTIES&)> spoil;
  Long status;
};

class IjlBadRecord : public ::testing::TestWithParam<BadRecordCase> {};

TEST_P(IjlBadRecord, GivesItsStatusAndWritesNothing) {
  ScratchFolder folder;
  const std::string file = folder.file("bad.jpg");
  SourceImage image(16, 8, 0, true, IJL_COLOR::IJL_BGR);
  Record record;
  image.describe(*record, file, 90);
  GetParam().spoil(*record);
  EXPECT_EQ(ijlWrite(record.get(), IJLIOTYPE::IJL_JFILE_WRITEWHOLEIMAGE), GetParam().status);
  EXPECT_TRUE(folder.entries().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, IjlBadRecord,
    ::testing::Values(
        BadRecordCase{"NoPixels", [](auto& p) { p.DIBBytes = nullptr; }, ijl::kInvalidProperties},
        BadRecordCase{"ZeroWidth", [](auto& p) { p.DIBWidth = p.JPGWidth = 0; },
                      ijl::kInvalidProperties},
        BadRecordCase{"NegativeWidth", [](auto& p) { p.DIBWidth = p.JPGWidth = -16; },
                      ijl::kInvalidProperties},
        BadRecordCase{"ZeroHeight", [](auto& p) { p.DIBHeight = p.JPGHeight = 0; },
                      ijl::kInvalidProperties},
        BadRecordCase{"LowestHeight",
                      [](auto& p) {
                        p.DIBHeight = -2147483647 - 1;
                        p.JPGHeight = 8;
                      },
                      ijl::kInvalidProperties},
        BadRecordCase{"TooWide", [](auto& p) { p.DIBWidth = p.JPGWidth = 65501; },
                      ijl::kInvalidProperties},
        BadRecordCase{"ScaledWidth", [](auto& p) { p.JPGWidth = 8; }, ijl::kInvalidProperties},
        BadRecordCase{"ScaledHeight", [](auto& p) { p.JPGHeight = 4; }, ijl::kInvalidProperties},
        BadRecordCase{"NegativePadding", [](auto& p) { p.DIBPadBytes = -1; },
                      ijl::kInvalidProperties},
        BadRecordCase{"QualityZero", [](auto& p) { p.jquality = 0; }, ijl::kInvalidProperties},
        BadRecordCase{"QualityAbove100", [](auto& p) { p.jquality = 101; },
                      ijl::kInvalidProperties},
        BadRecordCase{"FourChannels", [](auto& p) { p.DIBChannels = 4; },
                      ijl::kUnsupportedChannels},
        BadRecordCase{"UnknownOrder", [](auto& p) { p.DIBColor = IJL_COLOR::IJL_OTHER; },
                      ijl::kUnsupportedChannels},
        BadRecordCase{"ColourSourceToGreyFile",
                      [](auto& p) {
                        p.JPGColor = IJL_COLOR::IJL_G;
                        p.JPGChannels = 1;
                      },
                      ijl::kUnsupportedChannels},
        BadRecordCase{"NoFileName", [](auto& p) { p.JPGFile = nullptr; }, ijl::kInvalidFileName},
        BadRecordCase{"EmptyFileName", [](auto& p) { p.JPGFile = ""; }, ijl::kInvalidFileName}),
    [](const auto& info) { return std::string(info.param.name); });

struct LayoutCase {
  int width, height, pad;
  bool bottomUp;
  IJL_COLOR order;
};

class IjlLayout : public ::testing::TestWithParam<LayoutCase> {};

// Every layout decodes, with an independent decoder, to the same picture the right way up.
TEST_P(IjlLayout, DecodesToThePicture) {
  const LayoutCase& c = GetParam();
  ScratchFolder folder;
  const std::string file = folder.file("layout.jpg");
  SourceImage image(c.width, c.height, c.pad, c.bottomUp, c.order);
  Record record;
  image.describe(*record, file, 90);
  ASSERT_EQ(ijlWrite(record.get(), IJLIOTYPE::IJL_JFILE_WRITEWHOLEIMAGE), ijl::kOk);

  const auto decoded = decode_with_djpeg(file);
  ASSERT_TRUE(decoded.has_value()) << "djpeg could not read " << file;
  ASSERT_EQ(decoded->width, c.width);
  ASSERT_EQ(decoded->height, c.height);
  const bool grey = c.order == IJL_COLOR::IJL_G;
  // Flat areas are compared away from the edges between quarters, where JPEG rings.
  const int margin = 8;
  int compared = 0;
  for (int y = 0; y < c.height; ++y) {
    if (std::abs(y - c.height / 2) < margin && c.height > 2 * margin) continue;
    for (int x = 0; x < c.width; ++x) {
      if (c.width >= 32 && std::abs(x - c.width / 2) < margin) continue;
      Colour want = quarter_colour(x, y, c.width, c.height);
      if (grey) want.red = want.green = want.blue = (want.red + want.green + want.blue) / 3;
      const std::uint8_t* got = decoded->at(x, y);
      ASSERT_NEAR(got[0], want.red, 12) << "red at " << x << "," << y;
      ASSERT_NEAR(got[1], want.green, 12) << "green at " << x << "," << y;
      ASSERT_NEAR(got[2], want.blue, 12) << "blue at " << x << "," << y;
      ++compared;
    }
  }
  EXPECT_GT(compared, 0);
}

INSTANTIATE_TEST_SUITE_P(Layouts, IjlLayout,
                         ::testing::Values(LayoutCase{320, 240, 0, true, IJL_COLOR::IJL_BGR},
                                           LayoutCase{321, 40, 1, true, IJL_COLOR::IJL_BGR},
                                           LayoutCase{1, 40, 1, true, IJL_COLOR::IJL_BGR},
                                           LayoutCase{2, 40, 2, true, IJL_COLOR::IJL_BGR},
                                           LayoutCase{3, 40, 3, true, IJL_COLOR::IJL_BGR},
                                           LayoutCase{64, 48, 0, false, IJL_COLOR::IJL_BGR},
                                           LayoutCase{64, 48, 4, true, IJL_COLOR::IJL_RGB},
                                           LayoutCase{66, 48, 2, true, IJL_COLOR::IJL_G}));

class IjlQuality : public ::testing::TestWithParam<int> {};

TEST_P(IjlQuality, TheFileCarriesTheTablesOfTheQualityAskedFor) {
  ScratchFolder folder;
  const std::string file = folder.file("q.jpg");
  SourceImage image(64, 64, 0, true, IJL_COLOR::IJL_BGR);
  Record record;
  image.describe(*record, file, GetParam());
  ASSERT_EQ(ijlWrite(record.get(), IJLIOTYPE::IJL_JFILE_WRITEWHOLEIMAGE), ijl::kOk);
  const auto tables = jpeg_quant_tables(file);
  ASSERT_GE(tables.size(), 2u) << "a colour file has a luminance and a chrominance table";
  EXPECT_EQ(estimate_jpeg_quality(tables[0]), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Qualities, IjlQuality, ::testing::Values(1, 25, 50, 75, 90, 100));

TEST(IjlFailedWrite, AMissingFolderGivesTheFileErrorAndCreatesNothing) {
  ScratchFolder folder;
  const std::string file = folder.file("absent/x.jpg");
  SourceImage image(16, 16, 0, true, IJL_COLOR::IJL_BGR);
  Record record;
  image.describe(*record, file, 90);
  EXPECT_EQ(ijlWrite(record.get(), IJLIOTYPE::IJL_JFILE_WRITEWHOLEIMAGE), ijl::kFileError);
  EXPECT_TRUE(folder.entries().empty());
}

// Where the disk fills up: after no byte, one byte, half the file, or all but its last byte.
enum class FaultAt { Start, FirstByte, Half, LastByte };

class IjlShortWrite : public ::testing::TestWithParam<FaultAt> {
 protected:
  void TearDown() override { set_write_fault(std::nullopt); }
};

// A full disk part-way through: the old file stays as it was and no temporary file is left.
TEST_P(IjlShortWrite, KeepsTheOldFileAndLeavesNoTemporaryFile) {
  ScratchFolder folder;
  SourceImage image(320, 240, 0, true, IJL_COLOR::IJL_BGR);
  std::size_t size = 0;
  {
    const std::string full = folder.file("full.jpg");
    Record record;
    image.describe(*record, full, 90);
    ASSERT_EQ(ijlWrite(record.get(), IJLIOTYPE::IJL_JFILE_WRITEWHOLEIMAGE), ijl::kOk);
    size = read_bytes(full).size();
    ASSERT_TRUE(DeleteFileA(full));
  }
  ASSERT_GT(size, 100u);
  const std::size_t faultAfter = GetParam() == FaultAt::Start       ? 0
                                 : GetParam() == FaultAt::FirstByte ? 1
                                 : GetParam() == FaultAt::Half      ? size / 2
                                                                    : size - 1;
  const std::string file = folder.file("old.jpg");
  testing_support::write_bytes(file, "the old file");
  Record record;
  image.describe(*record, file, 90);
  set_write_fault(faultAfter);
  EXPECT_EQ(ijlWrite(record.get(), IJLIOTYPE::IJL_JFILE_WRITEWHOLEIMAGE), ijl::kFileError);
  set_write_fault(std::nullopt);
  const auto bytes = read_bytes(file);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "the old file");
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"old.jpg"});
}

INSTANTIATE_TEST_SUITE_P(Faults, IjlShortWrite,
                         ::testing::Values(FaultAt::Start, FaultAt::FirstByte, FaultAt::Half,
                                           FaultAt::LastByte));

TEST(IjlWrite, ReplacesAnExistingFile) {
  ScratchFolder folder;
  const std::string file = folder.file("old.jpg");
  testing_support::write_bytes(file, "the old file");
  SourceImage image(32, 32, 0, true, IJL_COLOR::IJL_BGR);
  Record record;
  image.describe(*record, file, 90);
  ASSERT_EQ(ijlWrite(record.get(), IJLIOTYPE::IJL_JFILE_WRITEWHOLEIMAGE), ijl::kOk);
  EXPECT_TRUE(decode_with_djpeg(file).has_value());
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"old.jpg"});
}

}  // namespace
}  // namespace zentrik
