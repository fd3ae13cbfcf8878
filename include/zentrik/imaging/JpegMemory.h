// JPEG bytes in memory from an image buffer, for hosts that send pictures rather than write
// them (the browser host's live preview).
#pragma once

#include <cstdint>
#include <vector>

namespace zentrik {

class cDIBSection;

// Compresses `image` (which must hold a buffer) at `quality` (1 to 100) with 4:2:0 chroma; an
// empty result when it has no buffer or the encoder fails.
std::vector<std::uint8_t> jpeg_from_dib(const cDIBSection& image, int quality);

}  // namespace zentrik
