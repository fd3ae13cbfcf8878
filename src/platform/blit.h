// Block copies between surface views: clipping to both surfaces and the row-by-row conversion,
// with overlapping blocks of one surface copied as if through a separate buffer.
#pragma once

#include "surface_view.h"

namespace zentrik {

struct BlitBlock {
  Long x = 0;  // destination, top-down
  Long y = 0;
  Long width = 0;
  Long height = 0;
  Long srcX = 0;  // source, top-down
  Long srcY = 0;
};

// Clips a block to both surfaces (negative positions and oversize blocks included); false when
// nothing is left to copy.
bool clip_block(BlitBlock& block, Long dstWidth, Long dstHeight, Long srcWidth, Long srcHeight);

// Copies a block that clip_block accepted.
void copy_block(const SurfaceView& dst, const SurfaceView& src, const BlitBlock& block);

// True when a clipped block covers the whole destination surface.
constexpr bool covers(const BlitBlock& block, Long dstWidth, Long dstHeight) {
  return block.x == 0 && block.y == 0 && block.width == dstWidth && block.height == dstHeight;
}

}  // namespace zentrik
