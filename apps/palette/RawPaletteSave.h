// Writes a palette as a raw palette block without ever leaving a partial file: the block goes
// to a temporary file beside the target, which replaces it only once complete.
#pragma once

#include <string>

#include "zentrik/colour/cPalette.h"

namespace zentrik::cli {

// Throws std::runtime_error "PATH: could not be written: REASON" on failure; an existing file at
// `path` is then left as it was.
void save_raw_palette(cPalette& palette, const std::string& path);

}  // namespace zentrik::cli
