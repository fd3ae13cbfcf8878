// cDIBSection: making and releasing the buffer, loading pictures, blits, the clipboard copy and
// the direct pixel fill. Resampling and the bitmap file writer live in files of their own.
#include "zentrik/imaging/cDIBSection.h"

#include <cstdint>

#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/clipboard.h"
#include "zentrik/platform/gdi_scope.h"

namespace zentrik {

cDIBSection::~cDIBSection() {
  ClearUp();
}

Boolean cDIBSection::CopyToClipboard(Boolean bAsDIB) {
  OwnedDc display(CreateDCA("DISPLAY"));
  if (!display) return vbFalse;
  OwnedDc memory(CreateCompatibleDC(display.get()));
  if (!memory) return vbFalse;
  // The device-independent format is not provided.
  if (bAsDIB != vbFalse) return vbFalse;

  // Until the clipboard accepts it the bitmap is ours, and goes when this call returns.
  OwnedBitmap bitmap(CreateCompatibleBitmap(display.get(), Width(), Height()));
  if (!bitmap) return vbFalse;
  {
    ScopedSelection selection(memory.get(), bitmap.get());
    if (selection.selected()) PaintPicture(memory.get(), 0, 0, -1, -1, 0, 0, SRCCOPY);
  }
  Boolean placed = vbFalse;
  if (is_true(OpenClipboard(0))) {
    EmptyClipboard();
    if (SetClipboardData(CF_BITMAP, bitmap.get()) != 0) {
      bitmap.release();  // the clipboard owns it now
      placed = vbTrue;
    }
    CloseClipboard();
  }
  return placed;
}

Boolean cDIBSection::CreateDIB(HDC lHDC, Long lWidth, Long lheight, HBITMAP& hDib) {
  header_ = BitmapInfoHeader{};
  header_.biSize = 40;
  header_.biWidth = lWidth;
  header_.biHeight = lheight;
  header_.biPlanes = 1;
  header_.biBitCount = 24;
  header_.biCompression = BI_RGB;
  header_.biSizeImage =
      static_cast<std::uint32_t>(std::int64_t{lheight} * std::int64_t{BytesPerScanLine()});

  void* bits = nullptr;
  hDib = CreateDIBSection(lHDC, header_, {}, DIB_RGB_COLORS, &bits);
  bitsPointer_ = hDib != 0 ? static_cast<Byte*>(bits) : nullptr;
  return to_boolean(hDib != 0);
}

void cDIBSection::CreateFromPicture(const Picture& picThis) {
  pictureInfo_ = Bitmap{};
  const HBITMAP source = picThis.Handle();
  if (source == 0 || GetObjectA(source, sizeof(pictureInfo_), &pictureInfo_) == 0) {
    ClearUp();  // no bitmap: nothing to load
    return;
  }
  if (!is_true(Create(pictureInfo_.bmWidth, pictureInfo_.bmHeight))) return;

  OwnedDc memory(display_compatible_dc());
  if (!memory) return;
  ScopedSelection selection(memory.get(), source);
  if (selection.selected()) LoadPictureBlt(memory.get(), 0, 0, -1, -1, SRCCOPY);
}

Boolean cDIBSection::Create(Long lWidth, Long lheight) {
  ClearUp();
  if (lWidth <= 0 || lheight <= 0) return vbFalse;

  memoryDc_ = CreateCompatibleDC(0);
  if (memoryDc_ == 0) return vbFalse;
  if (is_true(CreateDIB(memoryDc_, lWidth, lheight, dibHandle_))) {
    oldBitmap_ = SelectObject(memoryDc_, dibHandle_);
    if (oldBitmap_ != 0) return vbTrue;
    DeleteObject(dibHandle_);
  }
  DeleteDC(memoryDc_);
  memoryDc_ = 0;
  dibHandle_ = 0;
  bitsPointer_ = nullptr;
  return vbFalse;
}

Long cDIBSection::BytesPerScanLine() const {
  return dib_stride(header_.biWidth, 24);
}

void cDIBSection::LoadPictureBlt(HDC lHDC, Long lSrcLeft, Long lSrcTop, Long lSrcWidth,
                                 Long lSrcHeight, Long eRop) {
  if (lSrcWidth < 0) lSrcWidth = Width();
  if (lSrcHeight < 0) lSrcHeight = Height();
  BitBlt(memoryDc_, 0, 0, lSrcWidth, lSrcHeight, lHDC, lSrcLeft, lSrcTop, eRop);
}

void cDIBSection::PaintPicture(HDC lHDC, Long lDestLeft, Long lDestTop, Long lDestWidth,
                               Long lDestHeight, Long lSrcLeft, Long lSrcTop, Long eRop) {
  if (lDestWidth < 0) lDestWidth = Width();
  if (lDestHeight < 0) lDestHeight = Height();
  BitBlt(lHDC, lDestLeft, lDestTop, lDestWidth, lDestHeight, memoryDc_, lSrcLeft, lSrcTop, eRop);
}

void cDIBSection::RandomiseBits(Boolean bGray) {
  const ByteView bits = view();
  if (bits.empty()) return;
  const Byte blue = is_true(bGray) ? 255 : 0;
  const std::size_t colourBytes = 3 * static_cast<std::size_t>(Width());
  for (std::ptrdiff_t row = 0; row < bits.rows(); ++row) {
    const std::span<Byte> line = bits.row(row);
    for (std::size_t x = 0; x < colourBytes; x += 3) {
      line[x] = blue;
      line[x + 1] = 255;
      line[x + 2] = 255;
    }
  }
}

void cDIBSection::ClearUp() {
  if (memoryDc_ != 0) {
    if (dibHandle_ != 0) {
      SelectObject(memoryDc_, oldBitmap_);
      DeleteObject(dibHandle_);
    }
    DeleteDC(memoryDc_);
  }
  memoryDc_ = 0;
  dibHandle_ = 0;
  oldBitmap_ = 0;
  bitsPointer_ = nullptr;
}

std::string cDIBSection::ApiError(Long errorCode) const {
  return system_message(errorCode);
}

ByteView cDIBSection::view() const {
  if (bitsPointer_ == nullptr) return {};
  return ByteView(bitsPointer_, BytesPerScanLine(), Height());
}

}  // namespace zentrik
