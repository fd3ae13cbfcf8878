// Loading a bitmap read from a file into a cDIBSection, the buffer every image operation takes:
// the buffer is made at the image's size and the rows are copied through its byte view.
#pragma once

#include <string>

#include "zentrik/bmpread/BitmapImage.h"
#include "zentrik/imaging/cDIBSection.h"

namespace zentrik {

// Makes `dib` the image's size and copies the pixels in; false (the buffer left empty) when the
// buffer cannot be made.
bool copy_to_dib(const BitmapImage& image, cDIBSection& dib);

// Reads a bitmap file (raising as read_bitmap_file does) and loads it into `dib`; false when the
// buffer cannot be made.
bool load_bitmap_file(const std::string& path, cDIBSection& dib);

}  // namespace zentrik
