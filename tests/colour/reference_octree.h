// A literal, slow octree palette for comparisons: recursive AddColour with explicit ranges,
// midpoints rounded by the floating-point unit, no caching. Only tests use it.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "zentrik/colour/PaletteEntry.h"
#include "zentrik/platform/byte_view.h"

namespace zentrik::testing {

class ReferenceOctree {
 public:
  struct Node {
    bool isLeaf = false, inReducible = false;
    std::int64_t r = 0, g = 0, b = 0, count = 0;
    std::array<long, 8> children{};
    long next = 0;
  };

  // Builds the palette; `failures` counts the times no node could be folded.
  std::vector<PaletteEntry> Build(ConstByteView bits, long width, long height, long palSize,
                                  int nLevels) {
    levels = nLevels;
    nodes.assign(51, Node{});
    inUse = 1;
    freeNodes = 0;
    leaves = 0;
    reducible.fill(0);
    failures = 0;
    for (long y = 0; y < height; ++y) {
      for (long x = 0; x < 3 * width; x += 3) {
        Add(1, 1, 0, 255, 0, 255, 0, 255, bits(x + 2, y), bits(x + 1, y), bits(x, y));
        while (leaves > palSize) {
          if (!Reduce()) {
            ++failures;
            break;
          }
        }
      }
    }
    std::vector<PaletteEntry> out;
    for (std::size_t i = 1; i < nodes.size(); ++i) {
      const Node& n = nodes[i];
      if (!n.isLeaf) continue;
      out.push_back(
          PaletteEntry{Average(n.r, n.count), Average(n.g, n.count), Average(n.b, n.count), 0});
    }
    return out;
  }

  std::vector<Node> nodes;  // node i at index i
  long inUse = 0, freeNodes = 0, leaves = 0, failures = 0;
  int levels = 0;
  std::array<long, 9> reducible{};

 private:
  static Byte Average(std::int64_t sum, std::int64_t count) {
    return static_cast<Byte>(std::nearbyint(static_cast<double>(sum) / static_cast<double>(count)));
  }
  static int Half(int& low, int& high, int value) {
    const int mid = static_cast<int>(std::nearbyint(low / 2.0 + high / 2.0));
    if (value > mid) {
      low = mid;
      return 1;
    }
    high = mid;
    return 0;
  }
  long NewNode() {
    ++inUse;
    if (freeNodes != 0) {
      const long n = freeNodes;
      freeNodes = nodes[static_cast<std::size_t>(n)].next;
      nodes[static_cast<std::size_t>(n)].children.fill(0);
      return n;
    }
    if (inUse > static_cast<long>(nodes.size()) - 1)
      nodes.resize(static_cast<std::size_t>(std::nearbyint(inUse * 1.1)) + 1);
    return inUse;
  }
  void Free(long n) {
    Node& node = nodes[static_cast<std::size_t>(n)];
    node.next = freeNodes;
    freeNodes = n;
    node.isLeaf = node.inReducible = false;
    --inUse;
  }
  void Add(long node, int level, int rLow, int rHigh, int gLow, int gHigh, int bLow, int bHigh,
           int r, int g, int b) {
    const int octant = Half(rLow, rHigh, r) + 2 * Half(gLow, gHigh, g) + 4 * Half(bLow, bHigh, b);
    long child = nodes[static_cast<std::size_t>(node)].children[static_cast<std::size_t>(octant)];
    if (child == 0) {
      child = NewNode();
      nodes[static_cast<std::size_t>(node)].children[static_cast<std::size_t>(octant)] = child;
      ++nodes[static_cast<std::size_t>(node)].count;
      Node& c = nodes[static_cast<std::size_t>(child)];
      c.isLeaf = level == levels;
      c.r = c.g = c.b = c.count = 0;
      c.next = 0;
    }
    Node& c = nodes[static_cast<std::size_t>(child)];
    if (c.isLeaf) {
      if (c.count == 0) ++leaves;
      ++c.count;
      c.r += r;
      c.g += g;
      c.b += b;
      return;
    }
    if (!c.inReducible) {
      c.inReducible = true;
      c.next = reducible[static_cast<std::size_t>(level)];
      reducible[static_cast<std::size_t>(level)] = child;
    }
    Add(child, level + 1, rLow, rHigh, gLow, gHigh, bLow, bHigh, r, g, b);
  }
  bool Reduce() {
    int level = levels;
    while (level >= 1 && reducible[static_cast<std::size_t>(level)] == 0) --level;
    if (level == 0) return false;
    const long n = reducible[static_cast<std::size_t>(level)];
    reducible[static_cast<std::size_t>(level)] = nodes[static_cast<std::size_t>(n)].next;
    std::int64_t r = 0, g = 0, b = 0, count = 0;
    for (long& child : nodes[static_cast<std::size_t>(n)].children) {
      if (child == 0) continue;
      const Node& leaf = nodes[static_cast<std::size_t>(child)];
      r += leaf.r;
      g += leaf.g;
      b += leaf.b;
      count += leaf.count;
      Free(child);
      --leaves;
      child = 0;
    }
    ++leaves;
    Node& folded = nodes[static_cast<std::size_t>(n)];
    folded.r = r;
    folded.g = g;
    folded.b = b;
    folded.count = count;
    folded.isLeaf = true;
    return true;
  }
};

}  // namespace zentrik::testing
