// `zentrik image` and `zentrik palette` through files: a bitmap the test writes goes through
// every operation and comes back as a bitmap or JPEG that is read and checked; palettes go
// through JASC text and raw blocks and read back the same.
#include <gtest/gtest.h>

#include <set>

#include "apps/picture_files.h"
#include "apps/text_checks.h"
#include "apps/zentrik_program.h"
#include "sources/temp_folder.h"

namespace zentrik::testing {
namespace {

constexpr int kWidth = 37;  // odd, so rows carry padding
constexpr int kHeight = 23;

// Gradients with a few saturated blocks: many colours, some exact ones.
Rgb source_colour(int x, int y) {
  if (x < 8 && y < 8) return {255, 0, 0};
  if (x >= 29 && y < 8) return {0, 0, 255};
  return {static_cast<std::uint8_t>(x * 255 / (kWidth - 1)),
          static_cast<std::uint8_t>(y * 255 / (kHeight - 1)),
          static_cast<std::uint8_t>((x + y) * 3)};
}

// The palette listing of `zentrik palette show`: its colours in order.
std::vector<Rgb> palette_listing(const std::string& out) {
  std::vector<Rgb> colours;
  const auto lines = split_lines(out);
  EXPECT_FALSE(lines.empty());
  for (std::size_t i = 1; i < lines.size(); ++i) {
    // "   N  RRR GGG BBB"
    const std::vector<std::string> w = words(lines[i]);
    if (w.size() != 4 || !all_digits(w[0]) || !all_digits(w[1]) || !all_digits(w[2]) ||
        !all_digits(w[3])) {
      ADD_FAILURE() << "not a palette line: " << lines[i];
      continue;
    }
    EXPECT_EQ(std::stoul(w[0]), i);
    colours.push_back({static_cast<std::uint8_t>(std::stoi(w[1])),
                       static_cast<std::uint8_t>(std::stoi(w[2])),
                       static_cast<std::uint8_t>(std::stoi(w[3]))});
  }
  if (!lines.empty()) {
    EXPECT_EQ(lines[0], std::to_string(colours.size()) + " entries");
  }
  return colours;
}

std::set<std::uint32_t> keys(const std::vector<Rgb>& colours) {
  std::set<std::uint32_t> set;
  for (const Rgb& c : colours) set.insert(c.r << 16 | c.g << 8 | c.b);
  return set;
}

class ImagingCommands : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(write_bitmap24(input_, kWidth, kHeight, source_colour)); }
  // Runs `zentrik image OP in OUT extra...` and reads OUT back with PIL.
  RgbImage image(const std::string& op, const std::string& out,
                 const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args = {"image", op, input_.string(), (folder_ / out).string()};
    args.insert(args.end(), extra.begin(), extra.end());
    const ProcessResult run = run_zentrik(args);
    EXPECT_EQ(run.exit_code, 0) << describe(run);
    std::string why;
    auto file = read_with_pil(folder_ / out, &why);
    EXPECT_TRUE(file) << why;
    if (!file) return {};
    const std::optional<RgbImage> picture = file->image;
    EXPECT_EQ(run.out, (folder_ / out).string() + ": " + std::to_string(picture->width) + " x " +
                           std::to_string(picture->height) + "\n");
    return *picture;
  }
  std::vector<Rgb> palette(const std::string& file) {
    const ProcessResult run = run_zentrik({"palette", "show", (folder_ / file).string()});
    EXPECT_EQ(run.exit_code, 0) << describe(run);
    return palette_listing(run.out);
  }
  std::vector<Rgb> standard(const std::string& name) {
    const ProcessResult run =
        run_zentrik({"palette", "make", name, (folder_ / (name + ".pal")).string()});
    EXPECT_EQ(run.exit_code, 0) << describe(run);
    return palette(name + ".pal");
  }
  static void expect_size(const RgbImage& picture, int width, int height) {
    EXPECT_EQ(picture.width, width);
    EXPECT_EQ(picture.height, height);
  }

  TempFolder folder_;
  std::filesystem::path input_ = folder_ / "in.bmp";
};

TEST_F(ImagingCommands, CopyToBitmapKeepsEveryPixel) {
  const RgbImage out = image("copy", "copy.bmp");
  expect_size(out, kWidth, kHeight);
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x)
      ASSERT_EQ(out.at(x, y), source_colour(x, y)) << x << "," << y;
}

TEST_F(ImagingCommands, CopyToJpegDecodesAtTheSameSize) {
  const ProcessResult run = run_zentrik(
      {"image", "copy", input_.string(), (folder_ / "x.jpg").string(), "--quality", "95"});
  ASSERT_EQ(run.exit_code, 0) << describe(run);
  std::string why;
  const auto picture = decode_jpeg(folder_ / "x.jpg", &why);
  ASSERT_TRUE(picture) << why;
  expect_size(*picture, kWidth, kHeight);
  // The red block's middle stays red, the picture stays upright.
  const Rgb red = picture->at(3, 3);
  EXPECT_GT(red.r, 200);
  EXPECT_LT(red.g, 60);
  EXPECT_LT(red.b, 60);
  const Rgb blue = picture->at(33, 3);
  EXPECT_GT(blue.b, 200);
  EXPECT_LT(blue.r, 60);
}

// Grey: (707 green + 222 red + 71 blue) / 1000, halves to even, in all three bytes.
TEST_F(ImagingCommands, GreyUsesTheLuminanceWeights) {
  const RgbImage out = image("grey", "grey.bmp");
  expect_size(out, kWidth, kHeight);
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) {
      const Rgb c = source_colour(x, y);
      const int sum = 707 * c.g + 222 * c.r + 71 * c.b;
      int grey = sum / 1000;
      const int rest = sum % 1000;
      if (rest > 500 || (rest == 500 && grey % 2 == 1)) ++grey;
      const auto g = static_cast<std::uint8_t>(grey);
      ASSERT_EQ(out.at(x, y), (Rgb{g, g, g})) << x << "," << y;
    }
}

TEST_F(ImagingCommands, BlackAndWhiteLeavesOnlyBlackAndWhite) {
  const RgbImage out = image("bw", "bw.bmp");
  expect_size(out, kWidth, kHeight);
  std::set<std::uint32_t> seen = keys(out.pixels);
  EXPECT_EQ(seen, (std::set<std::uint32_t>{0x000000, 0xFFFFFF}));
}

struct ReduceCase {
  const char* name;
  std::vector<std::string> options;
  const char* standard;  // the palette every pixel must come from
};

class ImagingReduce : public ImagingCommands, public ::testing::WithParamInterface<ReduceCase> {};

TEST_P(ImagingReduce, EveryPixelComesFromThePalette) {
  const std::set<std::uint32_t> allowed = keys(standard(GetParam().standard));
  ASSERT_FALSE(allowed.empty());
  const RgbImage out = image(GetParam().name, "reduced.bmp", GetParam().options);
  expect_size(out, kWidth, kHeight);
  for (std::uint32_t colour : keys(out.pixels)) {
    EXPECT_TRUE(allowed.count(colour)) << std::hex << colour;
  }
  // The exact saturated blocks survive every one of these palettes.
  EXPECT_EQ(out.at(3, 3), (Rgb{255, 0, 0}));
  EXPECT_EQ(out.at(33, 3), (Rgb{0, 0, 255}));
}

INSTANTIATE_TEST_SUITE_P(
    Palettes, ImagingReduce,
    ::testing::Values(ReduceCase{"reduce", {"--standard", "16"}, "16"},
                      ReduceCase{"reduce", {"--standard", "16", "--diffuse"}, "16"},
                      ReduceCase{"reduce", {"--standard", "websafe"}, "websafe"},
                      ReduceCase{"depth", {"--colours", "16"}, "16"},
                      ReduceCase{"depth", {"--colours", "256"}, "halftone"}),
    [](const auto& info) {
      std::string name = std::string(info.param.name) + "_" + info.param.standard;
      for (const std::string& o : info.param.options) {
        if (o == "--diffuse") name += "_diffused";
      }
      return name;
    });

// Quantise to 8 colours: the saved palette holds at most 8, and the picture uses only them.
TEST_F(ImagingCommands, QuantiseSavesThePaletteItUsed) {
  const RgbImage out = image("quantise", "q.bmp",
                             {"--colours", "8", "--save-palette", (folder_ / "p.pal").string()});
  expect_size(out, kWidth, kHeight);
  const std::vector<Rgb> used = palette("p.pal");
  ASSERT_FALSE(used.empty());
  EXPECT_LE(used.size(), 8u);
  const std::set<std::uint32_t> allowed = keys(used);
  for (std::uint32_t colour : keys(out.pixels)) EXPECT_TRUE(allowed.count(colour)) << colour;
  // The saved palette reduces the original to the same picture.
  const RgbImage again = image("reduce", "again.bmp", {"--palette", (folder_ / "p.pal").string()});
  EXPECT_TRUE(again.pixels == out.pixels);
}

TEST_F(ImagingCommands, ResampleMakesTheAskedSize) {
  const RgbImage small = image("resample", "small.bmp", {"--width", "10", "--height", "7"});
  expect_size(small, 10, 7);
  const RgbImage large = image("resample", "large.bmp", {"--width", "80", "--height", "50"});
  expect_size(large, 80, 50);
  // The red corner block stays in the top-left corner.
  EXPECT_GT(small.at(0, 0).r, 200);
  EXPECT_LT(small.at(0, 0).g, 60);
}

struct PaletteCase {
  const char* name;
  const char* test_name;
  std::size_t entries;
};

class PaletteRoundTrip : public ::testing::TestWithParam<PaletteCase> {};

// make -> JASC, convert to a raw block and back: every form lists the same colours.
TEST_P(PaletteRoundTrip, JascAndRawListTheSameColours) {
  TempFolder folder;
  const std::string name = GetParam().name;
  auto run = [&](std::vector<std::string> args) {
    const ProcessResult r = run_zentrik(args);
    EXPECT_EQ(r.exit_code, 0) << describe(r);
    return r;
  };
  run({"palette", "make", name, (folder / "a.pal").string()});
  run({"palette", "convert", (folder / "a.pal").string(), (folder / "b.raw").string(), "--raw"});
  run({"palette", "convert", (folder / "b.raw").string(), (folder / "c.pal").string()});
  const ProcessResult a = run({"palette", "show", (folder / "a.pal").string()});
  const ProcessResult b = run({"palette", "show", (folder / "b.raw").string()});
  const std::vector<Rgb> colours = palette_listing(a.out);
  EXPECT_EQ(colours.size(), GetParam().entries);
  EXPECT_EQ(b.out, a.out);
  EXPECT_EQ(read_text_file(folder / "c.pal"), read_text_file(folder / "a.pal"));
  // A raw block: a 4-byte count and 4 bytes per entry.
  EXPECT_EQ(std::filesystem::file_size(folder / "b.raw"), 4 + 4 * GetParam().entries);
  // A JASC file as other programs write it: JASC-PAL, 0100 and the count, then one line per
  // colour, every line ending in CR LF.
  const auto text = read_text_file(folder / "a.pal");
  EXPECT_EQ(text.rfind("JASC-PAL\r\n0100\r\n" + std::to_string(GetParam().entries) + "\r\n", 0),
            0u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

INSTANTIATE_TEST_SUITE_P(Standard, PaletteRoundTrip,
                         ::testing::Values(PaletteCase{"mono", "Mono", 2},
                                           PaletteCase{"16", "Sixteen", 16},
                                           PaletteCase{"halftone", "Halftone", 256},
                                           PaletteCase{"websafe", "Websafe", 256}),
                         [](const auto& info) { return std::string(info.param.test_name); });

// A raw block inside a larger file is read at --offset.
TEST(PaletteOffset, RawBlockAtAnOffset) {
  TempFolder folder;
  std::string bytes(10, 'x');
  bytes += std::string("\x02\0\0\0\x0a\x14\x1e\0\xff\x80\x01\0", 12);
  ASSERT_TRUE(write_text_file(folder / "blob", bytes));
  const ProcessResult run =
      run_zentrik({"palette", "show", (folder / "blob").string(), "--offset", "10"});
  ASSERT_EQ(run.exit_code, 0) << describe(run);
  const auto colours = palette_listing(run.out);
  EXPECT_EQ(colours, (std::vector<Rgb>{{10, 20, 30}, {255, 128, 1}}));
}

}  // namespace
}  // namespace zentrik::testing
