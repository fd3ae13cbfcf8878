// cPalette::CreateOptimal: every pixel into the octree, folds while there are too many leaves,
// then one entry per leaf in node-number order, with the progress events.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "ColourOctree.h"
#include "module_source.h"
#include "zentrik/colour/cPalette.h"
#include "zentrik/platform/application.h"
#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/clock.h"
#include "zentrik/platform/message_box.h"

namespace zentrik {
namespace {

Long SaturatedLong(std::int64_t value) {
  return static_cast<Long>(std::clamp<std::int64_t>(value, std::numeric_limits<Long>::min(),
                                                    std::numeric_limits<Long>::max()));
}

Long ElapsedSince(Long start) {
  return static_cast<Long>(static_cast<std::uint32_t>(timeGetTime()) -
                           static_cast<std::uint32_t>(start));
}

Byte AverageOf(std::int64_t sum, std::int64_t count) {
  return static_cast<Byte>(round_half_even(static_cast<double>(sum) / static_cast<double>(count)));
}

}  // namespace

void cPalette::ReportReduceFailure() {
  if (MsgBox("Error in reducing nodes", vbYesNo + vbExclamation, "Zentrik") == vbNo)
    Application::instance().End();
}

void cPalette::CreateOptimal(ConstByteView bits, Long lWidth, Long lHeight, Long PalSize,
                             Byte nLevels) {
  BuildOptimal(bits, lWidth, lHeight, PalSize, nLevels, [] {});
}

void cPalette::BuildOptimal(ConstByteView bits, Long lWidth, Long lHeight, Long PalSize,
                            Byte nLevels, const std::function<void()>& checkImage) {
  if (nLevels < 1 || nLevels > ColourOctree::kMaxLevels)
    raise_error(errors::kInvalidProcedureCall, kPaletteSource);
  const std::int64_t lastX = 3 * std::int64_t{lWidth} - 3;
  const std::int64_t lastRow = std::int64_t{lHeight} - 1;
  if (lastX >= 0 && lastRow >= 0 &&
      (bits.data() == nullptr || bits.stride() < lastX + 3 || bits.rows() <= lastRow))
    raise_error(errors::kInvalidProcedureCall, kPaletteSource);

  const Long start = timeGetTime();
  octree_->Start(nLevels);
  const std::uint64_t generation = octree_->Generation();
  // A handler that erased or rebuilt the tree (EraseNodes, CreateOptimal) ends this build.
  const auto checkTree = [this, generation] {
    if (octree_->Generation() != generation)
      raise_error(errors::kInvalidProcedureCall, kPaletteSource);
  };
  RaiseInitProgress(SaturatedLong(lastRow + PalSize));
  checkTree();
  checkImage();

  for (std::int64_t y = 0; y <= lastRow; ++y) {
    if (lastX >= 0) {
      const Byte* row = bits.row(y).data();
      for (std::int64_t x = 0; x <= lastX; x += 3) {
        octree_->AddColour(row[x + 2], row[x + 1], row[x]);
        while (octree_->LeafCount() > PalSize) {
          if (!octree_->ReduceNode()) {
            ReportReduceFailure();
            break;
          }
        }
      }
    }
    RaiseProgress(static_cast<Long>(y));
    checkTree();
    checkImage();
  }

  Clear();
  // One position per entry after the row positions: Height, Height + 1, ...
  std::int64_t position = lastRow;
  for (Long i = 1; i <= octree_->TableSize(); ++i) {
    const OctreeNode& node = octree_->Node(i);
    if (!is_true(node.isLeaf)) continue;
    Add(AverageOf(node.redSum, node.pixelCount), AverageOf(node.greenSum, node.pixelCount),
        AverageOf(node.blueSum, node.pixelCount));
    RaiseProgress(SaturatedLong(++position));
    checkTree();
  }
  RaiseComplete(ElapsedSince(start));
}

}  // namespace zentrik
