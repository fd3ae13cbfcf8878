// The JPEG encoder behind the ijl entry points: one function that compresses pixel rows with
// libjpeg-turbo and streams the file bytes to a sink. Only jpeg_encoder.cpp sees jpeglib.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace zentrik {

// Where the compressed bytes go. write() returns false when the bytes could not be kept.
class JpegSink {
 public:
  virtual ~JpegSink() = default;
  virtual bool write(std::span<const std::uint8_t> bytes) noexcept = 0;
};

enum class JpegPixelOrder { Rgb, Bgr, Grey };

struct JpegEncodeRequest {
  const std::uint8_t* firstRow = nullptr;  // the top row of the picture
  std::ptrdiff_t rowStep = 0;              // bytes from one picture row to the next one below it
  int width = 0;
  int height = 0;
  JpegPixelOrder order = JpegPixelOrder::Bgr;
  bool colourOutput = true;           // YCbCr; false writes a greyscale file
  bool fullChroma = false;            // 4:4:4 instead of 4:2:0
  bool horizontalChromaOnly = false;  // 4:2:2
  int quality = 75;                   // 1 to 100
};

enum class JpegEncodeResult { Ok, SinkFailed, CodecError };

// Compresses the image; never exits the process and never throws. The request must already be
// valid (sizes 1 to 65500, quality 1 to 100, rows readable).
JpegEncodeResult encode_jpeg(const JpegEncodeRequest& request, JpegSink& sink) noexcept;

}  // namespace zentrik
