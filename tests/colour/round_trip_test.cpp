// The round trip: an image quantised by CreateOptimal, its palette written as a JASC file and
// read back, gives the same pixels under ApplyPalette as the palette that never left memory.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "colour_test_support.h"
#include "zentrik/colour/cColourReduceDIB.h"
#include "zentrik/colour/cPalette.h"
#include "zentrik/imaging/cDIBSection.h"

namespace zentrik {
namespace {

// A smooth picture with some texture, in three copies.
void Paint(cDIBSection& dib, Long width, Long height) {
  ASSERT_EQ(dib.Create(width, height), vbTrue);
  for (Long y = 0; y < height; ++y) {
    Byte* row = dib.DIBSectionBitsPtr() + y * dib.BytesPerScanLine();
    for (Long x = 0; x < width; ++x) {
      row[3 * x] = Byte(128 + 120 * std::sin(x * 0.07 + y * 0.03));
      row[3 * x + 1] = Byte((x * 3 + y * 5) % 256);
      row[3 * x + 2] = Byte(255 * (x * y % 97) / 96);
    }
  }
}

std::vector<Byte> Bytes(const cDIBSection& dib) {
  const Byte* bits = dib.DIBSectionBitsPtr();
  return {bits, bits + dib.BytesPerScanLine() * dib.Height()};
}

TEST(RoundTrip, OptimalPaletteThroughAJascFileMapsTheSamePixels) {
  const Long width = 97, height = 61;
  cDIBSection original, direct, directTarget, viaFile, viaFileTarget;
  Paint(original, width, height);
  Paint(direct, width, height);
  Paint(viaFile, width, height);
  ASSERT_EQ(directTarget.Create(width, height), vbTrue);
  ASSERT_EQ(viaFileTarget.Create(width, height), vbTrue);

  cPalette palette;
  palette.CreateOptimal(original, 236, 6);
  ASSERT_GT(palette.Count(), 100);
  ASSERT_LE(palette.Count(), 236);

  testing::ScratchFolder folder;
  const std::string path = folder.File("optimal.pal");
  ASSERT_EQ(palette.SaveToJASCFile(path), vbTrue);
  cPalette reread;
  ASSERT_EQ(reread.LoadFromJASCFile(path), vbTrue);
  ASSERT_EQ(reread.entries(), palette.entries());

  for (const Boolean diffuse : {vbFalse, vbTrue}) {
    cColourReduceDIB reducer;
    reducer.ApplyPalette(direct, directTarget, palette, diffuse);
    reducer.ApplyPalette(viaFile, viaFileTarget, reread, diffuse);
    EXPECT_EQ(Bytes(viaFileTarget), Bytes(directTarget));
    EXPECT_EQ(Bytes(viaFile), Bytes(direct));
    EXPECT_NE(Bytes(directTarget), Bytes(original));
    Paint(direct, width, height);
    Paint(viaFile, width, height);
  }
}

}  // namespace
}  // namespace zentrik
