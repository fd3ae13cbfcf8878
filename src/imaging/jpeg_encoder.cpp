// The JPEG encoder over libjpeg-turbo. libjpeg reports fatal errors through error_exit, which
// must not return: ours jumps back to encode_jpeg with longjmp, so nothing here may hold an object
// with a destructor across the jump; every local of encode_jpeg is plain data.
#include "jpeg_encoder.h"

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

namespace zentrik {
namespace {

constexpr std::size_t kOutputChunk = 16 * 1024;
constexpr int kRowsPerCall = 16;

struct ErrorManager {
  jpeg_error_mgr base;  // first member: libjpeg hands us a pointer to it
  std::jmp_buf jump;
};

void error_exit(j_common_ptr cinfo) {
  auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::longjmp(errors->jump, 1);
}

void output_message(j_common_ptr) {}  // warnings are not printed

struct Destination {
  jpeg_destination_mgr base;  // first member, as for the error manager
  JpegSink* sink;
  bool failed;
  JOCTET buffer[kOutputChunk];
};

void init_destination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
  dest->base.next_output_byte = dest->buffer;
  dest->base.free_in_buffer = kOutputChunk;
}

// A failed write is remembered and the rest of the stream discarded; encoding runs to its end.
void flush(Destination* dest, std::size_t count) {
  if (!dest->failed && count > 0) {
    dest->failed = !dest->sink->write({dest->buffer, count});
  }
  dest->base.next_output_byte = dest->buffer;
  dest->base.free_in_buffer = kOutputChunk;
}

boolean empty_output_buffer(j_compress_ptr cinfo) {
  flush(reinterpret_cast<Destination*>(cinfo->dest), kOutputChunk);
  return TRUE;
}

void term_destination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
  flush(dest, kOutputChunk - dest->base.free_in_buffer);
}

J_COLOR_SPACE input_space(JpegPixelOrder order) {
  switch (order) {
    case JpegPixelOrder::Rgb:
      return JCS_RGB;
    case JpegPixelOrder::Bgr:
      return JCS_EXT_BGR;
    case JpegPixelOrder::Grey:
      return JCS_GRAYSCALE;
  }
  return JCS_UNKNOWN;
}

}  // namespace

JpegEncodeResult encode_jpeg(const JpegEncodeRequest& request, JpegSink& sink) noexcept {
  jpeg_compress_struct cinfo;
  ErrorManager errors;
  Destination dest;
  cinfo.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = error_exit;
  errors.base.output_message = output_message;
  if (setjmp(errors.jump)) {
    jpeg_destroy_compress(&cinfo);
    return JpegEncodeResult::CodecError;
  }
  jpeg_create_compress(&cinfo);

  dest.base.init_destination = init_destination;
  dest.base.empty_output_buffer = empty_output_buffer;
  dest.base.term_destination = term_destination;
  dest.sink = &sink;
  dest.failed = false;
  cinfo.dest = &dest.base;

  cinfo.image_width = static_cast<JDIMENSION>(request.width);
  cinfo.image_height = static_cast<JDIMENSION>(request.height);
  cinfo.input_components = request.order == JpegPixelOrder::Grey ? 1 : 3;
  cinfo.in_color_space = input_space(request.order);
  jpeg_set_defaults(&cinfo);
  if (!request.colourOutput) {
    jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
  } else if (request.fullChroma || request.horizontalChromaOnly) {
    cinfo.comp_info[0].h_samp_factor = request.fullChroma ? 1 : 2;
    cinfo.comp_info[0].v_samp_factor = 1;
  }
  jpeg_set_quality(&cinfo, request.quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);

  JSAMPROW rows[kRowsPerCall];
  while (cinfo.next_scanline < cinfo.image_height) {
    int count = 0;
    for (JDIMENSION y = cinfo.next_scanline; y < cinfo.image_height && count < kRowsPerCall;
         ++y, ++count) {
      // libjpeg takes non-const rows but only reads the source pixels.
      rows[count] =
          const_cast<JSAMPROW>(request.firstRow + static_cast<std::ptrdiff_t>(y) * request.rowStep);
    }
    jpeg_write_scanlines(&cinfo, rows, static_cast<JDIMENSION>(count));
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return dest.failed ? JpegEncodeResult::SinkFailed : JpegEncodeResult::Ok;
}

}  // namespace zentrik
