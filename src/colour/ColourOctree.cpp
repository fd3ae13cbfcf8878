// The octree's node table, insertion, fold, free chain and growth.
#include "ColourOctree.h"

#include <cassert>

namespace zentrik {
namespace {

// For every component value, the bits of its path through the successive halvings.
std::array<Byte, 256> BuildOctantBits() {
  std::array<Byte, 256> bits{};
  for (int value = 0; value < 256; ++value) {
    double low = 0.0;
    double high = 255.0;
    Byte pattern = 0;
    for (int depth = 0; depth < ColourOctree::kMaxLevels; ++depth) {
      const double mid = round_half_even(low / 2.0 + high / 2.0);
      if (value > mid) {
        pattern = static_cast<Byte>(pattern | (1u << depth));
        low = mid;
      } else {
        high = mid;
      }
    }
    bits[static_cast<std::size_t>(value)] = pattern;
  }
  return bits;
}

const std::array<Byte, 256>& OctantBitTable() {
  static const std::array<Byte, 256> table = BuildOctantBits();
  return table;
}

}  // namespace

Byte ColourOctree::OctantBits(Byte component) {
  return OctantBitTable()[component];
}

void ColourOctree::Start(Byte nLevels) {
  assert(nLevels >= 1 && nLevels <= kMaxLevels);
  levels_ = nLevels;
  ++generation_;
  table_.assign(static_cast<std::size_t>(kInitialNodes) + 1, OctreeNode{});
  tableSize_ = kInitialNodes;
  nodesInUse_ = 1;
  freeNodes_ = 0;
  leafCount_ = 0;
  reducible_.fill(0);
  lastLeaf_ = 0;
}

void ColourOctree::Erase() {
  ++generation_;
  table_.clear();
  table_.shrink_to_fit();
  tableSize_ = 0;
  freeNodes_ = 0;
  lastLeaf_ = 0;
}

void ColourOctree::AddToLeaf(OctreeNode& leaf, Byte red, Byte green, Byte blue) {
  if (leaf.pixelCount == 0) ++leafCount_;
  ++leaf.pixelCount;
  leaf.redSum += red;
  leaf.greenSum += green;
  leaf.blueSum += blue;
}

void ColourOctree::AddColour(Byte red, Byte green, Byte blue) {
  if (lastLeaf_ != 0 && red == lastRed_ && green == lastGreen_ && blue == lastBlue_) {
    AddToLeaf(table_[static_cast<std::size_t>(lastLeaf_)], red, green, blue);
    return;
  }
  const std::array<Byte, 256>& bits = OctantBitTable();
  const unsigned redBits = bits[red];
  const unsigned greenBits = bits[green];
  const unsigned blueBits = bits[blue];
  Long node = 1;
  for (Long level = 1;; ++level) {
    const unsigned depth = static_cast<unsigned>(level - 1);
    const unsigned octant = ((redBits >> depth) & 1u) | (((greenBits >> depth) & 1u) << 1) |
                            (((blueBits >> depth) & 1u) << 2);
    Long child = table_[static_cast<std::size_t>(node)].children[octant];
    if (child == 0) {
      child = NewNode();  // may grow the table: take references only afterwards
      OctreeNode& parent = table_[static_cast<std::size_t>(node)];
      parent.children[octant] = child;
      ++parent.pixelCount;
      OctreeNode& created = table_[static_cast<std::size_t>(child)];
      created.isLeaf = to_boolean(level == levels_);
      created.redSum = created.greenSum = created.blueSum = 0;
      created.pixelCount = 0;
      created.nextNode = 0;
    }
    OctreeNode& current = table_[static_cast<std::size_t>(child)];
    if (is_true(current.isLeaf)) {
      AddToLeaf(current, red, green, blue);
      lastLeaf_ = child;
      lastRed_ = red;
      lastGreen_ = green;
      lastBlue_ = blue;
      return;
    }
    if (!is_true(current.inReducible)) {
      current.inReducible = vbTrue;
      current.nextNode = reducible_[static_cast<std::size_t>(level)];
      reducible_[static_cast<std::size_t>(level)] = child;
    }
    node = child;
  }
}

bool ColourOctree::ReduceNode() {
  lastLeaf_ = 0;
  Long level = levels_;
  while (level >= 1 && reducible_[static_cast<std::size_t>(level)] == 0) --level;
  if (level == 0) return false;
  const Long n = reducible_[static_cast<std::size_t>(level)];
  reducible_[static_cast<std::size_t>(level)] = table_[static_cast<std::size_t>(n)].nextNode;

  std::int64_t redSum = 0, greenSum = 0, blueSum = 0, pixelCount = 0;
  for (std::size_t octant = 0; octant < 8; ++octant) {
    const Long child = table_[static_cast<std::size_t>(n)].children[octant];
    if (child == 0) continue;
    const OctreeNode& leaf = table_[static_cast<std::size_t>(child)];
    redSum += leaf.redSum;
    greenSum += leaf.greenSum;
    blueSum += leaf.blueSum;
    pixelCount += leaf.pixelCount;
    FreeNode(child);
    --leafCount_;
    table_[static_cast<std::size_t>(n)].children[octant] = 0;
  }
  ++leafCount_;
  OctreeNode& folded = table_[static_cast<std::size_t>(n)];
  folded.redSum = redSum;
  folded.greenSum = greenSum;
  folded.blueSum = blueSum;
  folded.pixelCount = pixelCount;
  folded.isLeaf = vbTrue;
  return true;
}

void ColourOctree::FreeNode(Long n) {
  OctreeNode& node = table_[static_cast<std::size_t>(n)];
  node.nextNode = freeNodes_;
  freeNodes_ = n;
  node.isLeaf = vbFalse;
  node.inReducible = vbFalse;
  --nodesInUse_;
}

Long ColourOctree::NewNode() {
  ++nodesInUse_;
  if (freeNodes_ != 0) {
    const Long n = freeNodes_;
    OctreeNode& node = table_[static_cast<std::size_t>(n)];
    freeNodes_ = node.nextNode;
    node.children.fill(0);
    return n;
  }
  if (nodesInUse_ > tableSize_) {
    tableSize_ = static_cast<Long>(round_half_even(static_cast<double>(nodesInUse_) * 1.1));
    table_.resize(static_cast<std::size_t>(tableSize_) + 1);  // new records zeroed
  }
  return nodesInUse_;
}

}  // namespace zentrik
