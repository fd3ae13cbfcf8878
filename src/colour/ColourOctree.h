// The octree behind cPalette::CreateOptimal: a node table numbered from 1 that grows by a tenth,
// a free chain of released nodes, one reducible chain per level, and the fold of the deepest one.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "zentrik/platform/automation.h"

namespace zentrik {

struct OctreeNode {
  Boolean isLeaf = vbFalse;
  Boolean inReducible = vbFalse;
  // 64-bit sums and counts: a leaf of millions of bright pixels must not overflow.
  std::int64_t redSum = 0;
  std::int64_t greenSum = 0;
  std::int64_t blueSum = 0;
  // A leaf: its pixels. An inner node: the children created under it.
  std::int64_t pixelCount = 0;
  std::array<Long, 8> children{};  // by octant, 0 = none
  Long nextNode = 0;               // reducible chain or free chain, 0 = end
};

class ColourOctree {
 public:
  static constexpr Long kInitialNodes = 50;
  static constexpr Long kMaxLevels = 8;

  // A fresh tree of kInitialNodes zeroed records, node 1 the root; nLevels must be 1 to 8.
  void Start(Byte nLevels);
  // Inserts one colour below the root.
  void AddColour(Byte red, Byte green, Byte blue);
  // Folds the most recently pushed node of the deepest non-empty reducible chain into a leaf;
  // false when every chain is empty.
  bool ReduceNode();
  // Discards the node table; the counters stay for a later Start to reset.
  void Erase();

  Long TableSize() const { return tableSize_; }
  bool HasTable() const { return tableSize_ > 0; }
  const OctreeNode& Node(Long n) const { return table_[static_cast<std::size_t>(n)]; }
  Long NodesInUse() const { return nodesInUse_; }
  Long FreeNodes() const { return freeNodes_; }
  Long LeafCount() const { return leafCount_; }
  Byte Levels() const { return levels_; }
  Long Reducible(Long level) const { return reducible_[static_cast<std::size_t>(level)]; }
  // Changes with every Start and Erase, so that a walk over the tree can tell it was replaced.
  std::uint64_t Generation() const { return generation_; }

  // Octant bits of a component: bit d tells whether it lies above the midpoint met after d
  // halvings of 0..255 (midpoints low / 2 + high / 2, halves to even).
  static Byte OctantBits(Byte component);

 private:
  Long NewNode();
  void FreeNode(Long n);
  void AddToLeaf(OctreeNode& leaf, Byte red, Byte green, Byte blue);

  std::vector<OctreeNode> table_;  // record 0 unused; records 1 to tableSize_
  Long tableSize_ = 0;
  Long nodesInUse_ = 0;
  Byte levels_ = 0;
  Long freeNodes_ = 0;
  Long leafCount_ = 0;
  std::array<Long, kMaxLevels + 1> reducible_{};  // heads 1 to 8
  std::uint64_t generation_ = 0;

  // The leaf that took the previous colour; valid until the next fold, since until then the
  // same colour walks the same path and only that leaf changes.
  Long lastLeaf_ = 0;
  Byte lastRed_ = 0, lastGreen_ = 0, lastBlue_ = 0;
};

}  // namespace zentrik
