// cDIBSectionSave: the paletted sections with their colour tables, the conversion through them
// (two platform blits; the platform maps each pixel to the nearest table entry) and the
// pre-reduction modes that reduce the image with cColourReduceDIB first.
#include "zentrik/colourdepth/cDIBSectionSave.h"

#include <algorithm>

#include "zentrik/colour/cColourReduceDIB.h"
#include "zentrik/colour/cPalette.h"
#include "zentrik/imaging/cDIBSection.h"
#include "zentrik/platform/gdi_scope.h"

namespace zentrik {

namespace {

// The header of a paletted section of the image's size; the stride rounds each row up to 4 bytes.
void fill_header(BitmapInfoHeader& header, Long width, Long height, std::uint16_t bits) {
  header = BitmapInfoHeader{};
  header.biSize = 40;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = bits;
  header.biCompression = BI_RGB;
  header.biSizeImage =
      static_cast<std::uint32_t>(std::int64_t{height} * std::int64_t{dib_stride(width, bits)});
}

void copy_colours(const cPalette& palette, std::span<RgbQuad> table, Long count) {
  for (Long i = 0; i < count; ++i) {
    const Variant index = Long{i + 1};
    RgbQuad& entry = table[static_cast<std::size_t>(i)];
    entry.rgbBlue = palette.Blue(index);
    entry.rgbGreen = palette.Green(index);
    entry.rgbRed = palette.Red(index);
    entry.rgbReserved = 0;
  }
}

template <std::size_t N>
HBITMAP make_section(const BitmapInfoN<N>& info) {
  OwnedDc display(CreateDCA("DISPLAY"));
  if (!display) return 0;
  void* bits = nullptr;
  return CreateDIBSection(display.get(), info.bmiHeader, info.bmiColors, DIB_RGB_COLORS, &bits);
}

}  // namespace

cDIBSectionSave::cDIBSectionSave() = default;
cDIBSectionSave::~cDIBSectionSave() = default;

Boolean cDIBSectionSave::Save(const std::string& /*sFileName*/, cDIBSection& cDib, cPalette* cPal,
                              Long eOutputColourDepth, Long eColourReductionMethod) {
  converted_ = false;
  if (eColourReductionMethod == 0) writeBack_ = vbTrue;
  if (eOutputColourDepth != 1 && eOutputColourDepth != 2) return vbFalse;

  // In the pre-reduction modes the reduced copy is what goes through the paletted section, and
  // the result always replaces the image.
  cDIBSection* source = &cDib;
  cPalette* palette = cPal;
  cPalette own;
  bool writeBack = is_true(writeBack_);
  if (eColourReductionMethod == 1 || eColourReductionMethod == 2) {
    if (!PreReduce(cDib, cPal, eOutputColourDepth, eColourReductionMethod, own, palette)) {
      return vbFalse;
    }
    source = workImage_.get();
    writeBack = true;
  }

  OwnedBitmap paletted(eOutputColourDepth == 1 ? BuildDib16(cDib.Width(), cDib.Height())
                                               : BuildDib256(cDib.Width(), cDib.Height(), palette));
  if (!paletted) return vbFalse;  // the image stays as it was

  OwnedDc memory(display_compatible_dc());
  if (!memory) return vbFalse;
  ScopedSelection selection(memory.get(), paletted.get());
  if (!selection.selected()) return vbFalse;
  // Into the paletted section every pixel becomes the index of its nearest table entry; back out
  // of it each index reads as the entry's colour.
  source->PaintPicture(memory.get(), 0, 0, -1, -1, 0, 0, SRCCOPY);
  if (writeBack) cDib.LoadPictureBlt(memory.get(), 0, 0, -1, -1, SRCCOPY);
  converted_ = true;
  return vbFalse;
}

HBITMAP cDIBSectionSave::BuildDib16(Long width, Long height) {
  fill_header(info16_.bmiHeader, width, height, 4);
  cPalette standard;
  standard.Create16Colour();
  copy_colours(standard, info16_.bmiColors, 16);
  return make_section(info16_);
}

HBITMAP cDIBSectionSave::BuildDib256(Long width, Long height, const cPalette* palette) {
  fill_header(info256_.bmiHeader, width, height, 8);
  cPalette halftone;
  if (palette == nullptr) {
    halftone.CreateHalfTone();
    palette = &halftone;
  }
  // A shorter palette leaves the entries past its end as they were.
  copy_colours(*palette, info256_.bmiColors, std::min<Long>(palette->Count(), 256));
  return make_section(info256_);
}

bool cDIBSectionSave::PreReduce(cDIBSection& cDib, cPalette* cPal, Long depth, Long method,
                                cPalette& own, cPalette*& palette) {
  palette = cPal != nullptr ? cPal : &own;
  if (method == 2) {
    if (depth == 1) {
      palette->Create16Colour();
    } else {
      palette->CreateOptimal(cDib, 236, 6);
    }
  } else if (cPal == nullptr) {
    if (depth == 1) {
      own.Create16Colour();
    } else {
      own.CreateHalfTone();
    }
  }

  if (!workImage_) workImage_ = std::make_unique<cDIBSection>();
  if (!is_true(workImage_->Create(cDib.Width(), cDib.Height()))) return false;
  if (!reducer_) reducer_ = std::make_unique<cColourReduceDIB>();
  const bool diffuse = !(method == 2 && depth == 2);
  reducer_->ApplyPalette(cDib, *workImage_, *palette, to_boolean(diffuse));
  return true;
}

}  // namespace zentrik
