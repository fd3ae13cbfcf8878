// PNG through libspng, the only file that includes spng.h: decoding any PNG into 24-bit rows
// (transparency over white, 16 bits rounded to 8) and encoding true-colour or paletted files.
#include <spng.h>

#include <cstring>
#include <memory>
#include <string>

#include "zentrik/imagefiles/ImageFile.h"
#include "zentrik/imagefiles/ImageWriters.h"
#include "zentrik/platform/automation_error.h"

namespace zentrik {
namespace {

struct ContextFree {
  void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};
using Context = std::unique_ptr<spng_ctx, ContextFree>;

[[noreturn]] void invalid(const std::string& description) {
  raise_error(kInvalidPicture, ZENTRIK_MODULE_NAME, description);
}

// A 16-bit channel over white by its 16-bit alpha, rounded to 8 bits.
std::uint8_t over_white(std::uint32_t value, std::uint32_t alpha) {
  const std::uint64_t mixed =
      (std::uint64_t{value} * alpha + std::uint64_t{65535} * (65535 - alpha) + 32767) / 65535;
  return static_cast<std::uint8_t>((mixed * 255 + 32767) / 65535);
}

std::string reason(int error) {
  return spng_strerror(error);
}

}  // namespace

BitmapImage read_png(std::span<const std::uint8_t> bytes) {
  Context context(spng_ctx_new(0));
  if (!context) invalid("no memory for the PNG decoder");
  spng_set_image_limits(context.get(), kMaxBitmapSide, kMaxBitmapSide);
  spng_set_chunk_limits(context.get(), bytes.size(), bytes.size());
  if (spng_set_png_buffer(context.get(), bytes.data(), bytes.size()) != 0)
    invalid("not a PNG file");
  spng_ihdr header{};
  if (int error = spng_get_ihdr(context.get(), &header); error != 0) {
    if (error == SPNG_EWIDTH || error == SPNG_EHEIGHT || error == SPNG_EUSER_WIDTH ||
        error == SPNG_EUSER_HEIGHT)
      invalid("PNG too large or bad size (" + reason(error) + ")");
    invalid("bad PNG header (" + reason(error) + ")");
  }
  const std::uint64_t pixels = std::uint64_t{header.width} * header.height;
  if (pixels > kPixelsWithoutQuestion && pixels > kMaxPixelsPerByte * bytes.size())
    invalid("truncated PNG data");
  std::size_t size = 0;
  if (spng_decoded_image_size(context.get(), SPNG_FMT_RGBA16, &size) != 0) invalid("PNG too large");
  std::vector<std::uint16_t> rgba(size / 2);
  if (int error =
          spng_decode_image(context.get(), rgba.data(), size, SPNG_FMT_RGBA16, SPNG_DECODE_TRNS);
      error != 0)
    invalid(error == SPNG_EOF ? "truncated PNG data" : "bad PNG data (" + reason(error) + ")");

  BitmapImage image;
  image.width = static_cast<Long>(header.width);
  image.height = static_cast<Long>(header.height);
  image.stride = (image.width * 3 + 3) / 4 * 4;
  image.pixels.assign(static_cast<std::size_t>(image.stride) * image.height, 0);
  for (Long y = 0; y < image.height; ++y) {
    const std::uint16_t* in = rgba.data() + std::size_t{4} * header.width * y;
    std::uint8_t* out =
        image.pixels.data() + static_cast<std::size_t>(image.height - 1 - y) * image.stride;
    for (Long x = 0; x < image.width; ++x, in += 4, out += 3) {
      out[0] = over_white(in[2], in[3]);
      out[1] = over_white(in[1], in[3]);
      out[2] = over_white(in[0], in[3]);
    }
  }
  return image;
}

std::vector<std::uint8_t> encode_png(const EncodeInput& input) {
  Context context(spng_ctx_new(SPNG_CTX_ENCODER));
  if (!context) throw std::runtime_error("no memory for the PNG encoder");
  spng_set_option(context.get(), SPNG_ENCODE_TO_BUFFER, 1);
  const bool paletted = input.indexed != nullptr;
  spng_ihdr header{};
  header.width = static_cast<std::uint32_t>(input.width);
  header.height = static_cast<std::uint32_t>(input.height);
  std::vector<std::uint8_t> rows;
  if (paletted) {
    const IndexedImage& indexed = *input.indexed;
    const unsigned bits = indexed.palette.size() <= 16 ? 4 : 8;
    header.bit_depth = static_cast<std::uint8_t>(bits);
    header.color_type = SPNG_COLOR_TYPE_INDEXED;
    spng_plte palette{};
    palette.n_entries = static_cast<std::uint32_t>(indexed.palette.size());
    for (std::size_t i = 0; i < indexed.palette.size(); ++i)
      palette.entries[i] = {indexed.palette[i].red, indexed.palette[i].green,
                            indexed.palette[i].blue, 255};
    rows = pack_indices(indexed, bits);
    spng_set_ihdr(context.get(), &header);
    spng_set_plte(context.get(), &palette);
    spng_set_option(context.get(), SPNG_FILTER_CHOICE, SPNG_DISABLE_FILTERING);
  } else {
    header.bit_depth = 8;
    header.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
    rows.resize(std::size_t{3} * header.width * header.height);
    std::uint8_t* out = rows.data();
    for (Long y = 0; y < input.height; ++y) {  // top row first, red green blue
      const auto row = input.bits.row(input.height - 1 - y);
      for (Long x = 0; x < input.width; ++x, out += 3) {
        out[0] = row[3 * x + 2];
        out[1] = row[3 * x + 1];
        out[2] = row[3 * x];
      }
    }
    spng_set_ihdr(context.get(), &header);
  }
  if (int error = spng_encode_image(context.get(), rows.data(), rows.size(), SPNG_FMT_PNG,
                                    SPNG_ENCODE_FINALIZE);
      error != 0)
    throw std::runtime_error("the PNG could not be encoded (" + reason(error) + ")");
  std::size_t length = 0;
  int error = 0;
  std::unique_ptr<void, decltype(&std::free)> buffer(
      spng_get_png_buffer(context.get(), &length, &error), &std::free);
  if (!buffer) throw std::runtime_error("the PNG could not be encoded (" + reason(error) + ")");
  const auto* begin = static_cast<const std::uint8_t*>(buffer.get());
  return {begin, begin + length};
}

}  // namespace zentrik
