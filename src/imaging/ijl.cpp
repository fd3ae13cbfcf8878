// The entry points of our JPEG library: record defaults, checks of the record's fields, and the
// whole-image write through the encoder into a file that replaces its target only when complete.
#include "zentrik/imaging/ijl.h"

#include <cstdlib>
#include <new>
#include <string>

#include "jpeg_encoder.h"
#include "zentrik/platform/files.h"

namespace zentrik {

// Nothing needs keeping between the calls of one operation yet; the state marks the record as
// initialised.
struct IjlState {
  Long operations = 0;
};

void IjlStateDeleter::operator()(IjlState* state) const {
  delete state;
}

namespace {

constexpr Long kLargestSide = 65500;  // the largest side a baseline JPEG file can state

// Streams the encoder's bytes into the replacing writer.
class FileSink : public JpegSink {
 public:
  explicit FileSink(ReplacingFileWriter& writer) : writer_(writer) {}
  bool write(std::span<const std::uint8_t> bytes) noexcept override {
    return writer_.write(bytes) == bytes.size();
  }

 private:
  ReplacingFileWriter& writer_;
};

Long channels_of(IJL_COLOR colour) {
  switch (colour) {
    case IJL_COLOR::IJL_RGB:
    case IJL_COLOR::IJL_BGR:
      return 3;
    case IJL_COLOR::IJL_G:
      return 1;
    default:
      return 0;
  }
}

// Checks the source and JPEG fields and turns them into an encoder request.
Long make_request(const JPEG_CORE_PROPERTIES& p, JpegEncodeRequest& request) {
  const Long channels = channels_of(p.DIBColor);
  if (channels == 0 || p.DIBChannels != channels) return ijl::kUnsupportedChannels;
  const bool colourOut = p.JPGColor == IJL_COLOR::IJL_YCBCR && p.JPGChannels == 3;
  const bool greyOut = p.JPGColor == IJL_COLOR::IJL_G && p.JPGChannels == 1;
  if (!colourOut && !greyOut) return ijl::kUnsupportedChannels;
  if (greyOut && channels != 1) return ijl::kUnsupportedChannels;
  if (colourOut && channels != 3) return ijl::kUnsupportedChannels;

  if (p.DIBBytes == nullptr) return ijl::kInvalidProperties;
  const std::int64_t height = p.DIBHeight < 0 ? -std::int64_t{p.DIBHeight} : p.DIBHeight;
  if (p.DIBWidth < 1 || p.DIBWidth > kLargestSide || height < 1 || height > kLargestSide) {
    return ijl::kInvalidProperties;
  }
  // The file has the source's size: no scaling.
  if (p.JPGWidth != p.DIBWidth || p.JPGHeight != height) return ijl::kInvalidProperties;
  if (p.DIBPadBytes < 0 || p.DIBPadBytes > 3 * kLargestSide) return ijl::kInvalidProperties;
  if (p.jquality < 1 || p.jquality > 100) return ijl::kInvalidProperties;

  const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(p.DIBWidth) * channels +
                                static_cast<std::ptrdiff_t>(p.DIBPadBytes);
  request.width = p.DIBWidth;
  request.height = static_cast<int>(height);
  if (p.DIBHeight < 0) {  // bottom-up: the picture's top row is the last row in memory
    request.firstRow = p.DIBBytes + stride * (height - 1);
    request.rowStep = -stride;
  } else {
    request.firstRow = p.DIBBytes;
    request.rowStep = stride;
  }
  request.order = p.DIBColor == IJL_COLOR::IJL_RGB   ? JpegPixelOrder::Rgb
                  : p.DIBColor == IJL_COLOR::IJL_BGR ? JpegPixelOrder::Bgr
                                                     : JpegPixelOrder::Grey;
  request.colourOutput = colourOut;
  request.fullChroma = p.JPGSubsampling == IJL_JPGSUBSAMPLING::IJL_NONE;
  request.horizontalChromaOnly = p.JPGSubsampling == IJL_JPGSUBSAMPLING::IJL_422;
  request.quality = p.jquality;
  return ijl::kOk;
}

Long write_whole_image(const JPEG_CORE_PROPERTIES& p) {
  JpegEncodeRequest request;
  if (const Long status = make_request(p, request); status != ijl::kOk) return status;
  if (p.JPGFile == nullptr || p.JPGFile[0] == '\0') return ijl::kInvalidFileName;

  ReplacingFileWriter writer;
  if (!writer.open(p.JPGFile)) return ijl::kFileError;
  FileSink sink(writer);
  switch (encode_jpeg(request, sink)) {
    case JpegEncodeResult::Ok:
      return writer.commit() ? ijl::kOk : ijl::kFileError;
    case JpegEncodeResult::SinkFailed:
      return ijl::kFileError;  // the writer removes its temporary file
    case JpegEncodeResult::CodecError:
      break;
  }
  return ijl::kInternalError;
}

}  // namespace

Long ijlInit(JPEG_CORE_PROPERTIES* jcprops) {
  if (jcprops == nullptr) return ijl::kBadArguments;
  auto* state = new (std::nothrow) IjlState;
  if (state == nullptr) return ijl::kMemoryError;
  *jcprops = JPEG_CORE_PROPERTIES{};
  jcprops->DIBChannels = 3;
  jcprops->DIBColor = IJL_COLOR::IJL_BGR;
  jcprops->JPGChannels = 3;
  jcprops->JPGColor = IJL_COLOR::IJL_YCBCR;
  jcprops->JPGSubsampling = IJL_JPGSUBSAMPLING::IJL_411;
  jcprops->jquality = 75;
  jcprops->state.reset(state);
  return ijl::kOk;
}

Long ijlWrite(JPEG_CORE_PROPERTIES* jcprops, IJLIOTYPE ioType) {
  if (jcprops == nullptr || !jcprops->state) return ijl::kBadArguments;
  ++jcprops->state->operations;
  if (ioType != IJLIOTYPE::IJL_JFILE_WRITEWHOLEIMAGE) return ijl::kUnsupportedOperation;
  return write_whole_image(*jcprops);
}

Long ijlFree(JPEG_CORE_PROPERTIES* jcprops) {
  if (jcprops == nullptr || !jcprops->state) return ijl::kBadArguments;
  jcprops->state.reset();
  return ijl::kOk;
}

}  // namespace zentrik
