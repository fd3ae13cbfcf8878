// cDIBSection: the 24-bit image buffer every image operation works on, a DIB section kept
// selected into a memory device context of its own, with blits, clipboard copy, resize and a
// bitmap file writer.
//
// Pixels: blue, green, red; rows bottom-up; stride = 3 x width rounded up to a multiple of 4.
// Pixel loops use view(), a byte view (offset in row, row) laid over the bits without copying.
#pragma once

#include <memory>
#include <string>

#include "zentrik/platform/automation.h"
#include "zentrik/platform/byte_view.h"
#include "zentrik/platform/gdi.h"
#include "zentrik/platform/picture.h"

namespace zentrik {

class cDIBSection {
 public:
  cDIBSection() = default;
  ~cDIBSection();  // runs ClearUp
  cDIBSection(const cDIBSection&) = delete;
  cDIBSection& operator=(const cDIBSection&) = delete;

  // Puts a copy of the image on the clipboard as a bitmap; True when the clipboard took it.
  // bAsDIB = True is not provided: it places nothing and returns False.
  Boolean CopyToClipboard(Boolean bAsDIB);
  // Stores the header and makes a DIB section on lHDC; hDib receives the handle (0 on failure).
  Boolean CreateDIB(HDC lHDC, Long lWidth, Long lheight, HBITMAP& hDib);
  // Loads a picture holding a bitmap; a picture without one leaves the object empty.
  void CreateFromPicture(const Picture& picThis);
  // Makes a buffer of the size (releasing the previous one); False and empty for sizes <= 0.
  Boolean Create(Long lWidth, Long lheight);

  Long BytesPerScanLine() const;
  Long Width() const { return header_.biWidth; }
  Long Height() const { return header_.biHeight; }

  // Blits from lHDC at (lSrcLeft, lSrcTop) into the buffer at (0, 0); negative sizes stand for
  // the buffer's width or height.
  void LoadPictureBlt(HDC lHDC, Long lSrcLeft = 0, Long lSrcTop = 0, Long lSrcWidth = -1,
                      Long lSrcHeight = -1, Long eRop = SRCCOPY);
  // Blits from the buffer at (lSrcLeft, lSrcTop) to lHDC at (lDestLeft, lDestTop).
  void PaintPicture(HDC lHDC, Long lDestLeft = 0, Long lDestTop = 0, Long lDestWidth = -1,
                    Long lDestHeight = -1, Long lSrcLeft = 0, Long lSrcTop = 0,
                    Long eRop = SRCCOPY);

  HDC hdc() const { return memoryDc_; }
  HBITMAP hDib() const { return dibHandle_; }
  Byte* DIBSectionBitsPtr() const { return bitsPointer_; }

  // Fills every pixel (never the row padding): white when bGray, else blue 0, green 255, red 255.
  void RandomiseBits(Boolean bGray);
  void ClearUp();

  // A resized copy by bilinear interpolation, held by this buffer and reused by later calls;
  // nullptr when the target cannot be made or this buffer holds no bits. A source narrower or
  // lower than 2 pixels repeats its last column or row.
  std::shared_ptr<cDIBSection> Resample(Long lNewHeight, Long lNewWidth);

  // Writes the buffer as a 24-bit bitmap file; raises error 17 when the file cannot be created.
  // The file replaces an existing one only once every byte is written; on a failed write the
  // result is False and an old file stays as it was. False, writing nothing, without bits.
  Boolean SavePicture(const std::string& sFileName);

  // The system message for an error code ("" when there is none).
  std::string ApiError(Long errorCode) const;

  // The byte view over the bits: BytesPerScanLine() bytes by Height() rows, memory order.
  ByteView view() const;
  const BitmapInfoHeader& header() const { return header_; }

 private:
  bool ResampleInto(cDIBSection& target) const;
  static bool WriteFailed(bool writeResult, std::size_t expected, std::size_t written);

  Bitmap pictureInfo_{};
  std::shared_ptr<cDIBSection> resampleTarget_;
  HBITMAP dibHandle_ = 0;
  HGDIOBJ oldBitmap_ = 0;
  HDC memoryDc_ = 0;
  Byte* bitsPointer_ = nullptr;
  BitmapInfoHeader header_{};
};

}  // namespace zentrik
