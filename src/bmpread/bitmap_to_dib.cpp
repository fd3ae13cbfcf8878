// Copying a read bitmap into a cDIBSection row by row: both are 24-bit and bottom-up with rows
// padded to 4 bytes, so each row goes across whole.
#include "zentrik/bmpread/BitmapToDib.h"

#include <algorithm>

#include "zentrik/bmpread/BitmapReader.h"

namespace zentrik {

bool copy_to_dib(const BitmapImage& image, cDIBSection& dib) {
  if (!is_true(dib.Create(image.width, image.height))) return false;
  const ByteView target = dib.view();
  const ConstByteView source = image.view();
  if (target.rows() != source.rows() || target.stride() < 3 * image.width) {
    dib.ClearUp();
    return false;
  }
  const std::size_t bytes = static_cast<std::size_t>(std::min(target.stride(), source.stride()));
  for (std::ptrdiff_t row = 0; row < source.rows(); ++row)
    std::copy_n(source.row(row).begin(), bytes, target.row(row).begin());
  return true;
}

bool load_bitmap_file(const std::string& path, cDIBSection& dib) {
  return copy_to_dib(read_bitmap_file(path), dib);
}

}  // namespace zentrik
