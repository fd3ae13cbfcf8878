// Picture and palette files of other programs through `zentrik image` and `zentrik palette`:
// files written by PIL, ImageMagick and ffmpeg read pixel for pixel (JPEG within a tolerance);
// paletted PNGs and bitmaps read back by PIL with the exact palette and pixels; palettes of every
// kind; the colour count of quantise; batches and standard input and output.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "apps/picture_files.h"
#include "apps/text_checks.h"
#include "apps/zentrik_program.h"
#include "sources/temp_folder.h"

namespace zentrik::testing {
namespace {

constexpr int kWidth = 37;  // odd, so bitmap rows carry padding
constexpr int kHeight = 23;

Rgb source_colour(int x, int y) {
  if (x < 6 && y < 6) return {255, 0, 0};
  return {static_cast<std::uint8_t>(x * 255 / (kWidth - 1)),
          static_cast<std::uint8_t>(y * 255 / (kHeight - 1)),
          static_cast<std::uint8_t>((x * y) % 256)};
}

std::string run_ok(const std::vector<std::string>& args) {
  const ProcessResult run = run_zentrik(args);
  EXPECT_EQ(run.exit_code, 0) << describe(run);
  return run.out;
}

// The largest channel difference between two pictures of the same size (-1 when the sizes
// differ).
int largest_difference(const RgbImage& a, const RgbImage& b) {
  if (a.width != b.width || a.height != b.height) return -1;
  int most = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i) {
    most = std::max({most, std::abs(a.pixels[i].r - b.pixels[i].r),
                     std::abs(a.pixels[i].g - b.pixels[i].g),
                     std::abs(a.pixels[i].b - b.pixels[i].b)});
  }
  return most;
}

std::uint64_t squared_error(const RgbImage& a, const RgbImage& b) {
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i) {
    const int d[3] = {a.pixels[i].r - b.pixels[i].r, a.pixels[i].g - b.pixels[i].g,
                      a.pixels[i].b - b.pixels[i].b};
    for (int v : d) total += static_cast<std::uint64_t>(v * v);
  }
  return total;
}

std::vector<Rgb> palette_of(const std::string& listing) {
  std::vector<Rgb> colours;
  const auto lines = split_lines(listing);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const auto w = words(lines[i]);
    if (w.size() != 4) continue;
    colours.push_back({static_cast<std::uint8_t>(std::stoi(w[1])),
                       static_cast<std::uint8_t>(std::stoi(w[2])),
                       static_cast<std::uint8_t>(std::stoi(w[3]))});
  }
  return colours;
}

void replace(std::string& text, const std::string& key, const std::string& value) {
  for (std::size_t at; (at = text.find(key)) != std::string::npos;)
    text.replace(at, key.size(), value);
}

class PictureFiles : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(write_bitmap24(source_, kWidth, kHeight, source_colour)); }
  std::string path(const std::string& name) const { return (folder_ / name).string(); }
  // Runs a program with @SRC and @OUT in its words replaced by the source and `out`.
  void make(std::vector<std::string> args, const std::string& out) {
    for (std::string& a : args) {
      replace(a, "@SRC", source_.string());
      replace(a, "@OUT", path(out));
    }
    ProcessOptions options;
    options.args = args;
    const ProcessResult run = run_process(options);
    ASSERT_EQ(run.exit_code, 0) << describe(run);
  }
  std::vector<Rgb> show(const std::string& file) {
    return palette_of(run_ok({"palette", "show", path(file)}));
  }

  TempFolder folder_;
  std::filesystem::path source_ = folder_ / "source.bmp";
};

struct MadeFile {
  const char* name;  // the test's
  const char* file;
  std::vector<std::string> maker;
  int tolerance;  // 0 but for JPEG
};

class ReadsFilesOfOtherPrograms : public PictureFiles,
                                  public ::testing::WithParamInterface<MadeFile> {};

std::vector<std::string> pil(const std::string& code) {
  return {"/usr/bin/python3", "-c",
          "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\n" + code, "@SRC",
          "@OUT"};
}

// Each file as ImageMagick decodes it (transparency over white) is what zentrik reads.
TEST_P(ReadsFilesOfOtherPrograms, PixelForPixel) {
  const std::string file = GetParam().file;
  make(GetParam().maker, file);
  run_ok({"image", "copy", path(file), path("out.bmp")});
  std::string why;
  const auto read = read_bitmap24(folder_ / "out.bmp", &why);
  ASSERT_TRUE(read) << why;
  const auto expected = decode_with_magick(folder_ / file, &why);
  ASSERT_TRUE(expected) << why;
  EXPECT_EQ(read->width, kWidth);
  EXPECT_LE(largest_difference(*read, *expected), GetParam().tolerance);
  EXPECT_GE(largest_difference(*read, *expected), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, ReadsFilesOfOtherPrograms,
    ::testing::Values(
        MadeFile{"pil_rgb_png", "pil_rgb_png.png", pil("im.save(sys.argv[2], 'PNG')"), 0},
        MadeFile{"pil_grey_png", "pil_grey_png.png",
                 pil("im.convert('L').save(sys.argv[2], 'PNG')"), 0},
        MadeFile{"pil_palette_png", "pil_palette_png.png",
                 pil("im.convert('P', palette=Image.ADAPTIVE, colors=40).save(sys.argv[2], "
                     "'PNG')"),
                 0},
        MadeFile{"pil_alpha_png", "pil_alpha_png.png",
                 pil("im = im.convert('RGBA')\nim.putalpha(Image.linear_gradient('L').resize("
                     "im.size))\nim.save(sys.argv[2], 'PNG')"),
                 1},
        MadeFile{"magick_16bit_png",
                 "magick_16bit_png.png",
                 {"/usr/bin/convert", "@SRC", "-depth", "16", "png48:@OUT"},
                 0},
        MadeFile{"magick_grey16_png",
                 "magick_grey16_png.png",
                 {"/usr/bin/convert", "@SRC", "-colorspace", "gray", "-depth", "8", "-depth", "16",
                  "@OUT"},
                 0},
        MadeFile{"magick_1bit_png",
                 "magick_1bit_png.png",
                 {"/usr/bin/convert", "@SRC", "-monochrome", "@OUT"},
                 0},
        MadeFile{"pil_jpeg", "pil_jpeg.jpg", pil("im.save(sys.argv[2], 'JPEG', quality=90)"), 3},
        MadeFile{"pil_grey_jpeg", "pil_grey_jpeg.jpg",
                 pil("im.convert('L').save(sys.argv[2], 'JPEG')"), 3},
        MadeFile{"ffmpeg_jpeg",
                 "ffmpeg_jpeg.jpg",
                 {"/usr/bin/ffmpeg", "-loglevel", "error", "-i", "@SRC", "-pix_fmt", "yuvj444p",
                  "-frames:v", "1", "-update", "1", "@OUT"},
                 3},
        MadeFile{"pil_ppm", "pil_ppm.ppm", pil("im.save(sys.argv[2], 'PPM')"), 0},
        MadeFile{"pil_pgm", "pil_pgm.pgm", pil("im.convert('L').save(sys.argv[2], 'PPM')"), 0},
        MadeFile{"magick_text_ppm",
                 "magick_text_ppm.ppm",
                 {"/usr/bin/convert", "@SRC", "-compress", "none", "@OUT"},
                 0},
        MadeFile{"magick_16bit_ppm",
                 "magick_16bit_ppm.ppm",
                 {"/usr/bin/convert", "@SRC", "-depth", "16", "@OUT"},
                 0},
        MadeFile{"magick_rle8_bmp",
                 "magick_rle8_bmp.bmp",
                 {"/usr/bin/convert", "@SRC", "-colors", "60", "-compress", "RLE", "BMP3:@OUT"},
                 0},
        MadeFile{"magick_565_bmp",
                 "magick_565_bmp.bmp",
                 {"/usr/bin/convert", "@SRC", "-define", "bmp:subtype=RGB565", "@OUT"},
                 0},
        MadeFile{"ffmpeg_565_bmp",
                 "ffmpeg_565_bmp.bmp",
                 {"/usr/bin/ffmpeg", "-loglevel", "error", "-i", "@SRC", "-pix_fmt", "rgb565le",
                  "-frames:v", "1", "-update", "1", "@OUT"},
                 0},
        MadeFile{"ffmpeg_555_bmp",
                 "ffmpeg_555_bmp.bmp",
                 {"/usr/bin/ffmpeg", "-loglevel", "error", "-i", "@SRC", "-pix_fmt", "rgb555le",
                  "-frames:v", "1", "-update", "1", "@OUT"},
                 0},
        MadeFile{"ffmpeg_32bit_bmp",
                 "ffmpeg_32bit_bmp.bmp",
                 {"/usr/bin/ffmpeg", "-loglevel", "error", "-i", "@SRC", "-pix_fmt", "bgra",
                  "-frames:v", "1", "-update", "1", "@OUT"},
                 0}),
    [](const auto& info) { return std::string(info.param.name); });

// A 4-bit run-length bitmap from GIMP (tests/apps/files/make_gimp_rle4.sh made it) reads as
// GIMP's own PNG export of the same picture. PIL mis-decodes this file, so the fixture is kept.
TEST_F(PictureFiles, ReadsGimpsRle4BitmapAsGimpsPng) {
  const std::string files = ZENTRIK_TEST_FILES;
  run_ok({"image", "copy", files + "/gimp_rle4.bmp", path("rle4.bmp")});
  std::string why;
  const auto read = read_bitmap24(folder_ / "rle4.bmp", &why);
  ASSERT_TRUE(read) << why;
  const auto gimp = read_with_pil(files + "/gimp_rle4.png", &why);
  ASSERT_TRUE(gimp) << why;
  EXPECT_EQ(read->width, 45);
  EXPECT_EQ(largest_difference(*read, gimp->image), 0);
}

// Zentrik reads its own JPEG snapshots as djpeg does.
TEST_F(PictureFiles, ReadsItsOwnJpeg) {
  run_ok({"image", "copy", source_.string(), path("own.jpg")});
  run_ok({"image", "copy", path("own.jpg"), path("back.bmp")});
  std::string why;
  const auto read = read_bitmap24(folder_ / "back.bmp", &why);
  const auto expected = decode_jpeg(folder_ / "own.jpg", &why);
  ASSERT_TRUE(read && expected) << why;
  EXPECT_LE(largest_difference(*read, *expected), 3);
  EXPECT_GE(largest_difference(*read, *expected), 0);
}

struct PalettedCase {
  const char* name;
  std::vector<std::string> operation;  // after IN OUT
  const char* extension;
  unsigned bits;  // the index width in the file
};

class WritesPalettedFiles : public PictureFiles,
                            public ::testing::WithParamInterface<PalettedCase> {};

// PIL reads the file as paletted, with exactly the palette zentrik reports, and the pixels are
// the palette's colours as the 24-bit result shows them.
TEST_P(WritesPalettedFiles, PilReadsTheExactPaletteAndPixels) {
  const PalettedCase& c = GetParam();
  const std::string out = std::string("out.") + c.extension;
  std::vector<std::string> args = {"image", c.operation[0], source_.string(), path(out)};
  args.insert(args.end(), c.operation.begin() + 1, c.operation.end());
  for (std::string& a : args) replace(a, "@used", path("used.pal"));
  run_ok(args);
  std::string why;
  const auto file = read_with_pil(folder_ / out, &why);
  ASSERT_TRUE(file) << why;
  EXPECT_EQ(file->mode, "P");
  std::vector<Rgb> expected;
  if (c.operation[0] == "quantise") {
    expected = show("used.pal");
  } else {
    run_ok({"palette", "make", "16", path("16.pal")});
    expected = show("16.pal");
  }
  ASSERT_GE(file->palette.size(), expected.size());
  // PIL may pad a bitmap's table.
  EXPECT_EQ(std::vector<Rgb>(file->palette.begin(),
                             file->palette.begin() + static_cast<long>(expected.size())),
            expected);
  const std::set<std::uint32_t> allowed = [&] {
    std::set<std::uint32_t> keys;
    for (const Rgb& c : expected) keys.insert(c.r << 16 | c.g << 8 | c.b);
    return keys;
  }();
  for (const Rgb& p : file->image.pixels) ASSERT_TRUE(allowed.count(p.r << 16 | p.g << 8 | p.b));
  // The index width: a PNG's bit depth (byte 24), a bitmap's bits per pixel (byte 28).
  const std::string bytes = read_text_file(folder_ / out);
  ASSERT_GT(bytes.size(), 30u);
  EXPECT_EQ(static_cast<unsigned char>(bytes[c.extension == std::string("png") ? 24 : 28]), c.bits);
  // The same operation written as a true-colour picture shows the same pixels.
  std::vector<std::string> again = args;
  again[3] = path("wide.bmp");
  for (std::string& a : again) replace(a, path("used.pal"), path("again.pal"));
  run_ok(again);
  const auto wide = read_with_pil(folder_ / "wide.bmp", &why);
  ASSERT_TRUE(wide) << why;
  EXPECT_EQ(largest_difference(wide->image, file->image), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, WritesPalettedFiles,
    ::testing::Values(
        PalettedCase{
            "quantise_png", {"quantise", "--colours", "40", "--save-palette", "@used"}, "png", 8},
        PalettedCase{
            "quantise_bmp", {"quantise", "--colours", "40", "--save-palette", "@used"}, "bmp", 8},
        PalettedCase{"quantise_few_png",
                     {"quantise", "--colours", "12", "--save-palette", "@used"},
                     "png",
                     4},
        PalettedCase{"reduce_png", {"reduce", "--standard", "16", "--diffuse"}, "png", 4},
        PalettedCase{"reduce_bmp", {"reduce", "--standard", "16"}, "bmp", 4}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PictureFiles, PngOfFewColoursIsPalettedAndOfManyIsTrueColour) {
  std::string why;
  run_ok({"image", "copy", source_.string(), path("copy.png")});
  const auto copy = read_with_pil(folder_ / "copy.png", &why);
  const auto source = read_bitmap24(source_, &why);
  ASSERT_TRUE(copy && source) << why;
  EXPECT_EQ(copy->mode, "RGB");
  EXPECT_EQ(largest_difference(copy->image, *source), 0);
  run_ok({"image", "bw", source_.string(), path("bw.png")});
  const auto bw = read_with_pil(folder_ / "bw.png", &why);
  ASSERT_TRUE(bw) << why;
  EXPECT_EQ(bw->mode, "P");
  EXPECT_EQ(bw->palette.size(), 2u);
}

struct PaletteFileCase {
  const char* name;
  const char* file;
  std::string bytes;
  std::size_t count;
  std::vector<Rgb> first;  // the first colours listed
};

class ReadsPaletteFiles : public PictureFiles,
                          public ::testing::WithParamInterface<PaletteFileCase> {};

TEST_P(ReadsPaletteFiles, ListsTheRightColours) {
  ASSERT_TRUE(write_text_file(folder_ / GetParam().file, GetParam().bytes));
  std::vector<Rgb> colours = show(GetParam().file);
  EXPECT_EQ(colours.size(), GetParam().count);
  colours.resize(std::min(colours.size(), GetParam().first.size()));
  EXPECT_EQ(colours, GetParam().first);
  // Written as GIMP and as a 768-byte table and read back: the same colours.
  run_ok({"palette", "convert", path(GetParam().file), path("back.gpl")});
  run_ok({"palette", "convert", path("back.gpl"), path("back.act")});
  std::vector<Rgb> back = show("back.act");
  EXPECT_EQ(back.size(), GetParam().count);
  back.resize(std::min(back.size(), GetParam().first.size()));
  EXPECT_EQ(back, GetParam().first);
}

std::string table(std::vector<std::uint8_t> start, std::string trailer = {}) {
  start.resize(768, 0);
  return std::string(start.begin(), start.end()) + trailer;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ReadsPaletteFiles,
    ::testing::Values(PaletteFileCase{"jasc_line_feeds",
                                      "lf.pal",
                                      "JASC-PAL\n0100\n2\n10 20 30\n40 50 60\n",
                                      2,
                                      {{10, 20, 30}, {40, 50, 60}}},
                      PaletteFileCase{"jasc_carriage_returns",
                                      "cr.pal",
                                      "JASC-PAL\r0100\r2\r10 20 30\r40 50 60",
                                      2,
                                      {{10, 20, 30}, {40, 50, 60}}},
                      PaletteFileCase{"jasc_of_zentrik",
                                      "old.pal",
                                      "JASC\r\n0100\r\n2\r\n1 2 3\r\n4 5 6",
                                      2,
                                      {{1, 2, 3}, {4, 5, 6}}},
                      PaletteFileCase{"gimp",
                                      "g.gpl",
                                      "GIMP Palette\nName: test\nColumns: 4\n#\n 10  20  30\tDark\n"
                                      "255 128 0\n\n# done\n",
                                      2,
                                      {{10, 20, 30}, {255, 128, 0}}},
                      PaletteFileCase{"act_768",
                                      "t.act",
                                      table({1, 2, 3, 250, 251, 252}),
                                      256,
                                      {{1, 2, 3}, {250, 251, 252}, {0, 0, 0}}},
                      PaletteFileCase{
                          "act_with_count",
                          "c.act",
                          table({1, 2, 3, 250, 251, 252}, std::string("\0\x02\xff\xff", 4)),
                          2,
                          {{1, 2, 3}, {250, 251, 252}}},
                      PaletteFileCase{"vga_6_bit",
                                      "vga.pal",
                                      table({63, 0, 32, 1, 2, 3}),
                                      256,
                                      {{255, 0, 130}, {4, 8, 12}, {0, 0, 0}}}),
    [](const auto& info) { return std::string(info.param.name); });

// The count asked for is the count given; below what the octree can make, one clear message.
TEST_F(PictureFiles, QuantiseGivesTheColourCountAskedFor) {
  for (const char* colours : {"16", "64"}) {
    run_ok({"image", "quantise", source_.string(), path("q.png"), "--colours", colours,
            "--save-palette", path("q.pal")});
    EXPECT_EQ(show("q.pal").size(), std::stoul(colours)) << colours;
  }
  const ProcessResult refused =
      run_zentrik({"image", "quantise", source_.string(), path("two.png"), "--colours", "2"});
  EXPECT_EQ(refused.exit_code, 2);
  EXPECT_EQ(split_lines(refused.err).size(), 1u) << refused.err;
  EXPECT_NE(refused.err.find("--refine"), std::string::npos) << refused.err;
  run_ok({"image", "quantise", source_.string(), path("two.png"), "--colours", "2", "--refine", "4",
          "--save-palette", path("two.pal")});
  EXPECT_EQ(show("two.pal").size(), 2u);
}

// Pictures for the quantising tests: the gradient of the others, noise, and flat blobs.
Rgb noise_colour(int x, int y) {
  const auto v = static_cast<unsigned>(x * 7919 + y * 104729) * 2654435761u;
  return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
          static_cast<std::uint8_t>((v >> 8) & 0x7F)};
}
Rgb blob_colour(int x, int y) {
  return (x - 18) * (x - 18) + (y - 11) * (y - 11) < 60 ? Rgb{200, 40, 90}
         : x < 12                                       ? Rgb{20, 20, 30}
                                                        : Rgb{230, 230, 200};
}

// With or without diffusion, refinement never leaves a picture further from the original than
// the octree's palette alone (squared error).
TEST_F(PictureFiles, RefinementIsNeverWorseThanTheOctree) {
  using Paint = Rgb (*)(int, int);
  for (const Paint paint : {Paint{source_colour}, Paint{noise_colour}, Paint{blob_colour}}) {
    ASSERT_TRUE(write_bitmap24(source_, kWidth, kHeight, paint));
    std::string why;
    const auto source = read_bitmap24(source_, &why);
    ASSERT_TRUE(source) << why;
    for (const std::string colours : {"8", "24"}) {
      for (const bool diffuse : {false, true}) {
        std::vector<std::string> octree = {"image",       "quantise",  source_.string(),
                                           path("o.bmp"), "--colours", colours};
        if (diffuse) octree.push_back("--diffuse");
        std::vector<std::string> refined = octree;
        refined[3] = path("r.bmp");
        refined.insert(refined.end(), {"--refine", "12"});
        run_ok(octree);
        run_ok(refined);
        const auto a = read_with_pil(folder_ / "o.bmp", &why);
        const auto b = read_with_pil(folder_ / "r.bmp", &why);
        ASSERT_TRUE(a && b) << why;
        EXPECT_LE(squared_error(b->image, *source), squared_error(a->image, *source))
            << colours << " colours, diffused " << diffuse;
      }
    }
  }
}

// Without --refine the picture is the colour reducer's, with the palette the quantiser saved
// (topped up to the count), diffused or not: byte for byte what `reduce --palette` writes.
TEST_F(PictureFiles, QuantiseWithoutRefinementIsTheReducerWithItsPalette) {
  for (const bool diffuse : {false, true}) {
    std::vector<std::string> quantise = {"image",     "quantise", source_.string(), path("q.bmp"),
                                         "--colours", "24",       "--save-palette", path("q.pal")};
    std::vector<std::string> reduce = {"image",       "reduce",    source_.string(),
                                       path("r.bmp"), "--palette", path("q.pal")};
    if (diffuse) quantise.push_back("--diffuse"), reduce.push_back("--diffuse");
    run_ok(quantise);
    run_ok(reduce);
    EXPECT_EQ(show("q.pal").size(), 24u);
    EXPECT_EQ(read_text_file(folder_ / "q.bmp"), read_text_file(folder_ / "r.bmp")) << diffuse;
  }
}

TEST_F(PictureFiles, ResampleKeepsTheAspectRatioOfOneSide) {
  run_ok({"image", "resample", source_.string(), path("w.png"), "--width", "74"});
  run_ok({"image", "resample", source_.string(), path("h.png"), "--height", "46"});
  std::string why;
  for (const char* name : {"w.png", "h.png"}) {
    const auto file = read_with_pil(folder_ / name, &why);
    ASSERT_TRUE(file) << why;
    EXPECT_EQ(file->image.width, 74) << name;
    EXPECT_EQ(file->image.height, 46) << name;
  }
}

TEST_F(PictureFiles, BatchesAndStandardStreams) {
  std::filesystem::copy_file(source_, folder_ / "second.bmp");
  const std::string out = run_ok(
      {"image", "grey", source_.string(), path("second.bmp"), "--output", "{dir}/{name}-grey.png"});
  EXPECT_EQ(split_lines(out).size(), 2u) << out;
  std::string why;
  const auto first = read_with_pil(folder_ / "source-grey.png", &why);
  const auto second = read_with_pil(folder_ / "second-grey.png", &why);
  ASSERT_TRUE(first && second) << why;
  EXPECT_EQ(largest_difference(first->image, second->image), 0);
  // '-' in and out, through a shell's redirections.
  ProcessOptions shell;
  shell.args = {"/bin/sh",
                "-c",
                "\"$0\" image grey - - --format png < \"$1\" > \"$2\"",
                zentrik_program(),
                source_.string(),
                path("piped.png")};
  const ProcessResult piped = run_process(shell);
  ASSERT_EQ(piped.exit_code, 0) << describe(piped);
  const auto through = read_with_pil(folder_ / "piped.png", &why);
  ASSERT_TRUE(through) << why;
  EXPECT_EQ(largest_difference(through->image, first->image), 0);
}

}  // namespace
}  // namespace zentrik::testing
