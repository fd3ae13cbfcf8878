// cPalette's JASC text palette: the exact text written, the field rules of the reader and the
// errors raised for files that cannot be read or written.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "colour_test_support.h"
#include "zentrik/colour/cPalette.h"
#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/files.h"

namespace zentrik {
namespace {

using testing::ReadBytes;
using testing::Rgb;
using testing::ScratchFolder;
using testing::WriteBytes;

constexpr const char* kSource = "libzentrik_colour.cPalette";

class JascFiles : public ::testing::Test {
 protected:
  void TearDown() override { set_write_fault(std::nullopt); }
  ScratchFolder folder_;
};

TEST_F(JascFiles, WritesMonoAsFiveLinesWithoutAFinalSeparator) {
  cPalette palette;
  palette.CreateMono();
  const std::string path = folder_.File("mono.pal");
  EXPECT_EQ(palette.SaveToJASCFile(path), vbTrue);
  EXPECT_EQ(ReadBytes(path), "JASC\r\n0100\r\n2\r\n0 0 0\r\n255 255 255");
}

TEST_F(JascFiles, WritesAnEmptyPaletteAsTheThreeHeaderLines) {
  cPalette palette;
  const std::string path = folder_.File("empty.pal");
  EXPECT_EQ(palette.SaveToJASCFile(path), vbTrue);
  EXPECT_EQ(ReadBytes(path), "JASC\r\n0100\r\n0");
}

TEST_F(JascFiles, ReplacesALongerFileCompletely) {
  const std::string path = folder_.File("p.pal");
  WriteBytes(path, std::string(500, '9'));
  cPalette palette;
  palette.Add(1, 2, 3);
  ASSERT_EQ(palette.SaveToJASCFile(path), vbTrue);
  EXPECT_EQ(ReadBytes(path), "JASC\r\n0100\r\n1\r\n1 2 3");
}

TEST_F(JascFiles, WebSafeRoundTrip) {
  cPalette palette;
  palette.CreateWebSafe();
  const std::string path = folder_.File("web.pal");
  ASSERT_EQ(palette.SaveToJASCFile(path), vbTrue);
  cPalette reread;
  reread.Add(1, 1, 1);
  ASSERT_EQ(reread.LoadFromJASCFile(path), vbTrue);
  EXPECT_EQ(reread.entries(), palette.entries());
}

struct JascRead {
  const char* name;
  std::string text;
  std::vector<PaletteEntry> entries;  // when it loads
  Long error = 0;                     // when it raises
};

class JascReads : public JascFiles, public ::testing::WithParamInterface<JascRead> {};

TEST_P(JascReads, FollowTheFieldRules) {
  const JascRead& c = GetParam();
  const std::string path = folder_.File("in.pal");
  WriteBytes(path, c.text);
  cPalette palette;
  palette.CreateHalfTone();  // replaced in every case
  if (c.error == 0) {
    EXPECT_EQ(palette.LoadFromJASCFile(path), vbTrue);
    EXPECT_EQ(palette.entries(), c.entries);
    return;
  }
  try {
    palette.LoadFromJASCFile(path);
    ADD_FAILURE() << "no error";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.number(), c.error);
    EXPECT_EQ(error.source(), kSource);
    EXPECT_EQ(error.description(), error_text(c.error));
  }
  EXPECT_EQ(palette.Count(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, JascReads,
    ::testing::Values(
        JascRead{"Written",
                 "JASC\r\n0100\r\n2\r\n0 0 0\r\n255 255 255",
                 {Rgb(0, 0, 0), Rgb(255, 255, 255)}},
        JascRead{"NoHeader", "1 2 3\r\n4 5 6", {Rgb(1, 2, 3), Rgb(4, 5, 6)}},
        JascRead{"CountIsIgnored", "JASC\r\n0100\r\n7\r\n1 2 3", {Rgb(1, 2, 3)}},
        JascRead{"TrailingSeparator", "JASC\r\n0100\r\n1\r\n1 2 3\r\n", {Rgb(1, 2, 3)}},
        JascRead{"TwoSpacesMakeFourFields", "1 2  3\r\n4 5 6", {Rgb(4, 5, 6)}},
        JascRead{"SpaceAfterMakesFourFields", "1 2 3 \r\n4 5 6", {Rgb(4, 5, 6)}},
        JascRead{"LeadingSpaceMakesFourFields", " 1 2 3", {}},
        JascRead{"HalvesRoundToEven", "0.5 1.5 254.5", {Rgb(0, 2, 254)}},
        JascRead{"RoundsIntoRange", "-0.4 255.4 +7", {Rgb(0, 255, 7)}},
        JascRead{"Exponent", "1e2 0 0", {Rgb(100, 0, 0)}}, JascRead{"EmptyFile", "", {}},
        JascRead{"LineFeedsOnlyAreOneLine", "JASC\n0100\n2\n0 0 0\n255 255 255", {}},
        JascRead{"EmptyThirdField", "1 2 ", {}, errors::kTypeMismatch},
        JascRead{"EmptyFirstField", " 2 3", {}, errors::kTypeMismatch},
        JascRead{"OutOfRange", "1 2 3\r\n255 255 256", {}, errors::kOverflow},
        JascRead{"RoundsOutOfRange", "255.5 0 0", {}, errors::kOverflow},
        JascRead{"Negative", "-1 0 0", {}, errors::kOverflow},
        JascRead{"NotANumber", "JASC\r\n0100\r\n1\r\nred 0 0", {}, errors::kTypeMismatch},
        JascRead{"LineFeedsAroundOneEntry", "JASC\n0100\n1\n1 2 3", {}, errors::kTypeMismatch},
        JascRead{"BinaryBytes", std::string("\0 \xff \x01", 5), {}, errors::kTypeMismatch}),
    [](const ::testing::TestParamInfo<JascRead>& info) { return info.param.name; });

TEST_F(JascFiles, MissingFileRaisesFileNotFoundAndEmptiesThePalette) {
  cPalette palette;
  palette.CreateMono();
  try {
    palette.LoadFromJASCFile(folder_.File("none.pal"));
    ADD_FAILURE() << "no error";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.number(), errors::kFileNotFound);
    EXPECT_EQ(error.description(), "File not found");
    EXPECT_EQ(error.source(), kSource);
  }
  EXPECT_EQ(palette.Count(), 0);
}

TEST_F(JascFiles, FolderForAFileRaisesPathFileAccess) {
  cPalette palette;
  try {
    palette.LoadFromJASCFile(folder_.path().string());
    ADD_FAILURE() << "no error";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.number(), errors::kPathFileAccess);
    EXPECT_EQ(error.source(), kSource);
  }
}

TEST_F(JascFiles, UncreatableFileRaisesPathFileAccess) {
  cPalette palette;
  palette.CreateMono();
  try {
    palette.SaveToJASCFile(folder_.File("missing/p.pal"));
    ADD_FAILURE() << "no error";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.number(), errors::kPathFileAccess);
    EXPECT_EQ(error.description(), "Path/File access error");
    EXPECT_EQ(error.source(), kSource);
  }
  EXPECT_EQ(palette.Count(), 2);
}

TEST_F(JascFiles, FailedWriteRaisesAndKeepsThePreviousFile) {
  const std::string path = folder_.File("p.pal");
  WriteBytes(path, "JASC\r\n0100\r\n1\r\n1 2 3");
  cPalette palette;
  palette.CreateWebSafe();
  set_write_fault(10);
  try {
    palette.SaveToJASCFile(path);
    ADD_FAILURE() << "no error";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.number(), 61);
    EXPECT_EQ(error.description(), "Disk full");
    EXPECT_EQ(error.source(), kSource);
  }
  set_write_fault(std::nullopt);
  EXPECT_EQ(ReadBytes(path), "JASC\r\n0100\r\n1\r\n1 2 3");
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder_.path()))
    ++files;
  EXPECT_EQ(files, 1u);  // no partial or temporary file left behind
}

}  // namespace
}  // namespace zentrik
