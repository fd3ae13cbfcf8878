// JPEG bytes in memory through the same encoder the JPEG files use.
#include "zentrik/imaging/JpegMemory.h"

#include "jpeg_encoder.h"
#include "zentrik/imaging/cDIBSection.h"

namespace zentrik {
namespace {

class VectorSink : public JpegSink {
 public:
  explicit VectorSink(std::vector<std::uint8_t>& out) : out_(out) {}
  bool write(std::span<const std::uint8_t> bytes) noexcept override {
    try {
      out_.insert(out_.end(), bytes.begin(), bytes.end());
      return true;
    } catch (...) {
      return false;
    }
  }

 private:
  std::vector<std::uint8_t>& out_;
};

}  // namespace

std::vector<std::uint8_t> jpeg_from_dib(const cDIBSection& image, int quality) {
  std::vector<std::uint8_t> out;
  const Byte* bits = image.DIBSectionBitsPtr();
  if (bits == nullptr || image.Width() <= 0 || image.Height() <= 0) return out;
  const std::ptrdiff_t stride = image.BytesPerScanLine();
  JpegEncodeRequest request;
  // Rows are bottom-up: the picture's top row is the last one in memory.
  request.firstRow = bits + stride * (image.Height() - 1);
  request.rowStep = -stride;
  request.width = image.Width();
  request.height = image.Height();
  request.order = JpegPixelOrder::Bgr;
  request.quality = quality;
  out.reserve(static_cast<std::size_t>(image.Width()) * image.Height() / 4);
  VectorSink sink(out);
  if (encode_jpeg(request, sink) != JpegEncodeResult::Ok) out.clear();
  return out;
}

}  // namespace zentrik
