#include "zentrik/imaging/JpegBytes.h"

#include "jpeg_encoder.h"

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

std::vector<std::uint8_t> encode_jpeg_bytes(const BgrView& image, int quality) {
  std::vector<std::uint8_t> out;
  if (!image.top_row || image.width < 1 || image.height < 1 || image.width > 65500 ||
      image.height > 65500 || quality < 1 || quality > 100) {
    return out;
  }
  JpegEncodeRequest request;
  request.firstRow = image.top_row;
  request.rowStep = image.row_step;
  request.width = image.width;
  request.height = image.height;
  request.order = JpegPixelOrder::Bgr;
  request.quality = quality;
  VectorSink sink(out);
  if (encode_jpeg(request, sink) != JpegEncodeResult::Ok) out.clear();
  return out;
}

}  // namespace zentrik
