// cPalette::CreateOptimal and its octree: midpoints, rounding of averages, growth of the node
// table, the free chain, the fold order, entry order, events and the reduction failure box.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <vector>

#include "colour/ColourOctree.h"
#include "colour_test_support.h"
#include "reference_octree.h"
#include "zentrik/colour/cPalette.h"
#include "zentrik/platform/application.h"
#include "zentrik/platform/automation_error.h"

namespace zentrik {
namespace {

using testing::EventRecorder;
using testing::PixelBuffer;
using testing::Rgb;
using testing::ScriptedBoxes;
using Event = EventRecorder::Event;

// One row holding the colours in order.
PixelBuffer Row(const std::vector<PaletteEntry>& colours) {
  PixelBuffer image(static_cast<Long>(colours.size()), 1);
  for (std::size_t i = 0; i < colours.size(); ++i)
    image.Set(static_cast<Long>(i), 0, colours[i].red, colours[i].green, colours[i].blue);
  return image;
}

std::vector<PaletteEntry> Optimal(const PixelBuffer& image, Long palSize, Byte levels) {
  cPalette palette;
  palette.CreateOptimal(image.View(), image.Width(), image.Height(), palSize, levels);
  return palette.entries();
}

TEST(OctantBits, MidpointsHalveTheRangeWithHalvesToEven) {
  // 128: low at 128, then above 64, 96, 112, 120, 124, 126, 127.
  EXPECT_EQ(ColourOctree::OctantBits(128), 0xFE);
  // 129: above 128, then below 192, 160, 144, 136, 132, 130 and equal to 129 (lower half).
  EXPECT_EQ(ColourOctree::OctantBits(129), 0x01);
  EXPECT_EQ(ColourOctree::OctantBits(0), 0x00);
  EXPECT_EQ(ColourOctree::OctantBits(255), 0xFF);
  // 240: above 128, 192, 224; equal to 240 (lower); then above 232, 236, 238, 239.
  EXPECT_EQ(ColourOctree::OctantBits(240), 0xF7);
  // 64 sits on the second midpoint and goes low; 65 goes high.
  EXPECT_EQ(ColourOctree::OctantBits(64) & 0x3, 0x0);
  EXPECT_EQ(ColourOctree::OctantBits(65) & 0x3, 0x2);
  // 192 is the second midpoint under 128..255.
  EXPECT_EQ(ColourOctree::OctantBits(192) & 0x3, 0x1);
  EXPECT_EQ(ColourOctree::OctantBits(193) & 0x3, 0x3);
}

struct OptimalCase {
  const char* name;
  std::vector<PaletteEntry> pixels;
  Long palSize;
  Byte levels;
  std::vector<PaletteEntry> expected;
};

class OptimalCases : public ::testing::TestWithParam<OptimalCase> {};

TEST_P(OptimalCases, GivesTheEntries) {
  const OptimalCase& c = GetParam();
  EXPECT_EQ(Optimal(Row(c.pixels), c.palSize, c.levels), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Small, OptimalCases,
    ::testing::Values(
        OptimalCase{"OneColour",
                    std::vector<PaletteEntry>(5, Rgb(10, 100, 200)),
                    236,
                    6,
                    {Rgb(10, 100, 200)}},
        OptimalCase{"FirstMetFirst",
                    {Rgb(200, 10, 10), Rgb(10, 10, 200), Rgb(200, 10, 10)},
                    236,
                    6,
                    {Rgb(200, 10, 10), Rgb(10, 10, 200)}},
        OptimalCase{"RootSplits128From129",
                    {Rgb(128, 0, 0), Rgb(129, 0, 0)},
                    8,
                    1,
                    {Rgb(128, 0, 0), Rgb(129, 0, 0)}},
        OptimalCase{"RootKeeps127With128",
                    {Rgb(127, 0, 0), Rgb(128, 0, 0)},
                    8,
                    1,
                    {Rgb(128, 0, 0)}},  // 127.5 to even
        OptimalCase{
            "AverageHalfRoundsDownToEven", {Rgb(10, 0, 0), Rgb(11, 0, 0)}, 236, 6, {Rgb(10, 0, 0)}},
        OptimalCase{
            "AverageHalfRoundsUpToEven", {Rgb(11, 0, 0), Rgb(12, 0, 0)}, 236, 6, {Rgb(12, 0, 0)}},
        OptimalCase{
            "AverageOfThree", {Rgb(0, 3, 0), Rgb(0, 3, 0), Rgb(0, 4, 0)}, 236, 6, {Rgb(0, 3, 0)}},
        // Two nodes on chain 1: the most recently pushed (red above 128) is folded.
        OptimalCase{"FoldsTheMostRecentlyPushedNode",
                    {Rgb(0, 0, 0), Rgb(100, 0, 0), Rgb(150, 0, 0), Rgb(250, 0, 0)},
                    3,
                    2,
                    {Rgb(0, 0, 0), Rgb(100, 0, 0), Rgb(200, 0, 0)}},
        // Chain 2 first: its newest node has one child (no gain), the next one folds 0 and 40.
        OptimalCase{"FoldsTheDeepestChainFirst",
                    {Rgb(0, 0, 0), Rgb(40, 0, 0), Rgb(200, 0, 0)},
                    2,
                    3,
                    {Rgb(20, 0, 0), Rgb(200, 0, 0)}},
        OptimalCase{"EntriesFollowNodeNumbersNotTreeOrder",
                    {Rgb(250, 250, 250), Rgb(0, 0, 0)},
                    236,
                    2,
                    {Rgb(250, 250, 250), Rgb(0, 0, 0)}}),
    [](const ::testing::TestParamInfo<OptimalCase>& info) { return info.param.name; });

TEST(Octree, DeepestFoldLeavesTheFreeChainInFreeingOrder) {
  cPalette palette;
  const PixelBuffer image = Row({Rgb(0, 0, 0), Rgb(40, 0, 0), Rgb(200, 0, 0)});
  palette.CreateOptimal(image.View(), 3, 1, 2, 3);
  const ColourOctree& tree = palette.octree();
  // Nodes: 1 root, 2-3 inner, 4 and 5 leaves of 0 and 40, 6-7 inner, 8 the leaf of 200.
  // Folding 7 frees 8; folding 3 frees 4 then 5.
  EXPECT_EQ(tree.FreeNodes(), 5);
  EXPECT_EQ(tree.Node(5).nextNode, 4);
  EXPECT_EQ(tree.Node(4).nextNode, 8);
  EXPECT_EQ(tree.Node(8).nextNode, 0);
  EXPECT_EQ(tree.NodesInUse(), 5);
  EXPECT_EQ(tree.LeafCount(), 2);
  EXPECT_TRUE(is_true(tree.Node(3).isLeaf));
  EXPECT_TRUE(is_true(tree.Node(3).inReducible));  // stays set after the fold
  EXPECT_EQ(tree.Node(3).pixelCount, 2);
  EXPECT_EQ(tree.Reducible(1), 6);  // node 2 below it; chain 2 emptied
  EXPECT_EQ(tree.Node(6).nextNode, 2);
  EXPECT_EQ(tree.Reducible(2), 0);
  EXPECT_EQ(tree.Node(1).pixelCount, 2);  // children created under the root
}

TEST(Octree, FreedNodesAreReusedBeforeTheTableGrows) {
  ColourOctree tree;
  tree.Start(2);
  tree.AddColour(0, 0, 0);         // nodes 2 (inner) and 3 (leaf)
  tree.AddColour(100, 0, 0);       // leaf 4
  ASSERT_TRUE(tree.ReduceNode());  // frees 3, then 4
  EXPECT_EQ(tree.FreeNodes(), 4);
  EXPECT_EQ(tree.NodesInUse(), 2);
  tree.AddColour(200, 0, 0);  // inner node from the chain head (4), then its leaf (3)
  EXPECT_EQ(tree.Node(1).children[1], 4);
  EXPECT_FALSE(is_true(tree.Node(4).isLeaf));
  EXPECT_EQ(tree.Node(4).children[1], 3);  // 200 lies above 192
  EXPECT_EQ(tree.FreeNodes(), 0);
  EXPECT_EQ(tree.NodesInUse(), 4);
  EXPECT_EQ(tree.TableSize(), 50);
  EXPECT_EQ(tree.LeafCount(), 2);
}

TEST(Octree, ReduceWithEmptyChainsFails) {
  ColourOctree tree;
  tree.Start(1);
  tree.AddColour(0, 0, 0);
  tree.AddColour(255, 255, 255);
  EXPECT_EQ(tree.LeafCount(), 2);
  EXPECT_FALSE(tree.ReduceNode());
  EXPECT_EQ(tree.LeafCount(), 2);
}

TEST(Octree, NodeTableGrowsByATenthWithHalvesToEven) {
  ColourOctree tree;
  tree.Start(8);
  std::vector<Long> sizes{tree.TableSize()};
  // Every new grey level makes fresh nodes; the table grows once nodes in use pass its size.
  for (int v = 0; v < 256 && sizes.size() < 16; ++v) {
    tree.AddColour(Byte(v), Byte(v), Byte(v));
    if (tree.TableSize() != sizes.back()) {
      EXPECT_GT(tree.NodesInUse(), sizes.back());  // grown only once the table was full
      EXPECT_LE(tree.NodesInUse(), sizes.back() + 8);
      sizes.push_back(tree.TableSize());
    }
    EXPECT_LE(tree.NodesInUse(), tree.TableSize());
  }
  EXPECT_EQ(sizes, (std::vector<Long>{50, 56, 63, 70, 78, 87, 97, 108, 120, 133, 147, 163, 180, 199,
                                      220, 243}));
}

TEST(Octree, EraseNodesBeforeAnyTreeAndTwiceIsHarmless) {
  cPalette palette;
  palette.CreateMono();
  palette.EraseNodes();
  palette.EraseNodes();
  EXPECT_FALSE(palette.octree().HasTable());
  const PixelBuffer image = Row({Rgb(1, 2, 3)});
  palette.CreateOptimal(image.View(), 1, 1, 236, 6);
  EXPECT_TRUE(palette.octree().HasTable());
  palette.EraseNodes();
  EXPECT_FALSE(palette.octree().HasTable());
  EXPECT_EQ(palette.entries(), (std::vector<PaletteEntry>{Rgb(1, 2, 3)}));
  palette.CreateOptimal(image.View(), 1, 1, 236, 6);  // starts afresh after an erase
  EXPECT_EQ(palette.Count(), 1);
}

TEST(Octree, LevelsOutsideOneToEightRaiseAndKeepThePalette) {
  const PixelBuffer image = Row({Rgb(1, 2, 3)});
  for (const Byte levels : {Byte{0}, Byte{9}, Byte{255}}) {
    cPalette palette;
    palette.CreateMono();
    EventRecorder events;
    palette.SetEventSink(&events);
    try {
      palette.CreateOptimal(image.View(), 1, 1, 236, levels);
      ADD_FAILURE() << "no error for " << int(levels);
    } catch (const AutomationError& error) {
      EXPECT_EQ(error.number(), errors::kInvalidProcedureCall);
      EXPECT_EQ(error.source(), "libzentrik_colour.cPalette");
    }
    EXPECT_EQ(palette.Count(), 2);
    EXPECT_TRUE(events.events.empty());
  }
}

TEST(OptimalEvents, OnePixelImage) {
  cPalette palette;
  EventRecorder events;
  palette.SetEventSink(&events);
  const PixelBuffer image = Row({Rgb(5, 6, 7)});
  palette.CreateOptimal(image.View(), 1, 1, 236, 6);
  EXPECT_EQ(events.Shape(), (std::vector<Event>{{'I', 236}, {'P', 0}, {'P', 1}, {'C', 0}}));
  EXPECT_GE(events.events.back().value, 0);
}

TEST(OptimalEvents, RowsThenOnePositionPerEntry) {
  PixelBuffer image(2, 3);
  image.Set(0, 0, 255, 0, 0);
  image.Set(1, 1, 0, 0, 255);
  cPalette palette;
  EventRecorder events;
  palette.SetEventSink(&events);
  palette.CreateOptimal(image.View(), 2, 3, 10, 4);
  ASSERT_EQ(palette.Count(), 3);  // black, red, blue
  EXPECT_EQ(events.Shape(),
            (std::vector<Event>{
                {'I', 12}, {'P', 0}, {'P', 1}, {'P', 2}, {'P', 3}, {'P', 4}, {'P', 5}, {'C', 0}}));
}

TEST(OptimalEvents, ImageWithoutColumnsStillReportsItsRows) {
  PixelBuffer image(0, 3);
  cPalette palette;
  palette.CreateMono();
  EventRecorder events;
  palette.SetEventSink(&events);
  palette.CreateOptimal(ConstByteView(), 0, 3, 4, 6);
  EXPECT_EQ(palette.Count(), 0);
  EXPECT_EQ(events.Shape(), (std::vector<Event>{{'I', 6}, {'P', 0}, {'P', 1}, {'P', 2}, {'C', 0}}));
}

TEST(OptimalEvents, MaximumDoesNotOverflow) {
  PixelBuffer image(1, 2);
  cPalette palette;
  EventRecorder events;
  palette.SetEventSink(&events);
  palette.CreateOptimal(image.View(), 1, 2, 2147483647, 6);
  EXPECT_EQ(events.events.front(), (Event{'I', 2147483647}));
}

TEST(OptimalEvents, HandlerThatErasesTheTreeEndsTheBuildWithAnError) {
  struct Eraser : ProgressEvents {
    cPalette* palette = nullptr;
    void Progress(Long) override { palette->EraseNodes(); }
  } eraser;
  PixelBuffer image(2, 2);
  image.Set(1, 1, 9, 9, 9);
  cPalette palette;
  eraser.palette = &palette;
  palette.SetEventSink(&eraser);
  try {
    palette.CreateOptimal(image.View(), 2, 2, 236, 6);
    ADD_FAILURE() << "no error";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.number(), errors::kInvalidProcedureCall);
  }
}

TEST(OptimalPalette, LargeLeafSumsDoNotOverflow) {
  // 9 million white pixels in one leaf: 255 x 9e6 is beyond 32 bits.
  PixelBuffer image(3000, 3000);
  for (Long y = 0; y < 3000; ++y)
    for (Long x = 0; x < 3000; ++x) image.Set(x, y, 255, 254, 1);
  EXPECT_EQ(Optimal(image, 236, 6), (std::vector<PaletteEntry>{Rgb(255, 254, 1)}));
}

TEST(OptimalPalette, MatchesTheLiteralOctreeOnRandomImages) {
  std::mt19937 random(20240601);
  for (int round = 0; round < 60; ++round) {
    const Long width = 1 + Long(random() % 40), height = 1 + Long(random() % 30);
    const int spread = 1 + int(random() % 4);  // from few colours (runs) to noise
    PixelBuffer image(width, height);
    for (Long y = 0; y < height; ++y)
      for (Long x = 0; x < width; ++x) {
        const unsigned v = random();
        if (spread == 1 && x > 0 && (v & 1)) {
          image.Set(x, y, 3, 3, 3);  // repeated colours exercise the last-leaf shortcut
          continue;
        }
        image.Set(x, y, Byte(v >> 8), Byte((v >> 16) * spread), Byte((v >> 24) / spread));
      }
    const Long palSize = 8 + Long(random() % 60);
    const Byte levels = Byte(1 + random() % 8);
    cPalette palette;
    palette.CreateOptimal(image.View(), width, height, palSize, levels);
    testing::ReferenceOctree reference;
    const std::vector<PaletteEntry> expected =
        reference.Build(image.View(), width, height, palSize, levels);
    ASSERT_EQ(palette.entries(), expected) << "round " << round;
    EXPECT_EQ(palette.octree().TableSize(), Long(reference.nodes.size()) - 1);
    EXPECT_EQ(palette.octree().NodesInUse(), reference.inUse);
    EXPECT_EQ(palette.octree().FreeNodes(), reference.freeNodes);
    EXPECT_EQ(palette.octree().LeafCount(), reference.leaves);
    EXPECT_LE(palette.Count(), palSize);
  }
}

class ReduceFailure : public ::testing::Test {
 protected:
  struct Ended : std::runtime_error {
    Ended() : std::runtime_error("ended") {}
  };
  void SetUp() override {
    previous_ = Application::instance().set_end_handler([] { throw Ended(); });
  }
  void TearDown() override { Application::instance().set_end_handler(previous_); }
  ScriptedBoxes boxes_;
  std::function<void()> previous_;
};

TEST_F(ReduceFailure, ThreeRootOctantsAndTwoColoursAnsweredYes) {
  boxes_->script_answer(vbYes);
  boxes_->script_answer(vbYes);
  cPalette palette;
  const PixelBuffer image =
      Row({Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255), Rgb(255, 0, 0), Rgb(1, 1, 1)});
  palette.CreateOptimal(image.View(), image.Width(), 1, 2, 6);
  // Shown for the blue pixel, again for the red one after it (the count is still 3), and for
  // (1, 1, 1), a fourth root octant.
  ASSERT_EQ(boxes_->boxes().size(), 3u);
  for (const auto& box : boxes_->boxes()) {
    EXPECT_EQ(box.text, "Error in reducing nodes");
    EXPECT_EQ(box.title, "Zentrik");
    EXPECT_EQ(box.style & 0xF, vbYesNo);
  }
  // Folding the blue path last left node 3 at the head of the free chain, so the octant of
  // (1, 1, 1) hangs from node 3 and its entry comes second in node order.
  EXPECT_EQ(palette.entries(), (std::vector<PaletteEntry>{Rgb(255, 0, 0), Rgb(1, 1, 1),
                                                          Rgb(0, 255, 0), Rgb(0, 0, 255)}));
}

TEST_F(ReduceFailure, AnsweredNoEndsTheProgram) {
  boxes_->script_answer(vbNo);
  cPalette palette;
  palette.CreateMono();
  const PixelBuffer image = Row({Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255)});
  EXPECT_THROW(palette.CreateOptimal(image.View(), 3, 1, 2, 6), Ended);
  EXPECT_EQ(boxes_->boxes().size(), 1u);
}

TEST_F(ReduceFailure, EightOrMoreColoursNeverFail) {
  std::vector<PaletteEntry> corners;
  for (int i = 0; i < 8; ++i)
    corners.push_back(Rgb(Byte(i & 1 ? 255 : 0), Byte(i & 2 ? 255 : 0), Byte(i & 4 ? 255 : 0)));
  const PixelBuffer image = Row(corners);
  EXPECT_EQ(Optimal(image, 8, 6), corners);
  EXPECT_TRUE(boxes_->boxes().empty());
}

}  // namespace
}  // namespace zentrik
