// cColourReduceDIB: grey weights and rounding, black and white with its edge rules, palette
// mapping with and without diffusion, the failures, and the progress events between columns.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "colour_test_support.h"
#include "reference_reduce.h"
#include "zentrik/colour/cColourReduceDIB.h"
#include "zentrik/colour/cPalette.h"
#include "zentrik/imaging/cDIBSection.h"
#include "zentrik/platform/automation_error.h"

namespace zentrik {
namespace {

using testing::EventRecorder;
using testing::Rgb;
using Event = EventRecorder::Event;

// A cDIBSection with pixel access by (x, row in memory order).
class Image {
 public:
  Image(Long width, Long height) {
    EXPECT_EQ(dib.Create(width, height), vbTrue);
    Fill(Rgb(0, 0, 0));
  }
  void Set(Long x, Long y, PaletteEntry c) {
    Byte* p = dib.DIBSectionBitsPtr() + y * dib.BytesPerScanLine() + 3 * x;
    p[0] = c.blue;
    p[1] = c.green;
    p[2] = c.red;
  }
  void Fill(PaletteEntry c) {
    for (Long y = 0; y < dib.Height(); ++y)
      for (Long x = 0; x < dib.Width(); ++x) Set(x, y, c);
  }
  void FillGrey(Byte v) { Fill(Rgb(v, v, v)); }
  PaletteEntry Get(Long x, Long y) const {
    const Byte* p = dib.DIBSectionBitsPtr() + y * dib.BytesPerScanLine() + 3 * x;
    return Rgb(p[2], p[1], p[0]);
  }
  // Pixels only, row padding left out.
  std::vector<PaletteEntry> Pixels() const {
    std::vector<PaletteEntry> out;
    for (Long y = 0; y < dib.Height(); ++y)
      for (Long x = 0; x < dib.Width(); ++x) out.push_back(Get(x, y));
    return out;
  }
  // One letter per pixel of row y: B black, W white, else '?'.
  std::string Row(Long y) const {
    std::string s;
    for (Long x = 0; x < dib.Width(); ++x) {
      const PaletteEntry c = Get(x, y);
      s += c == Rgb(0, 0, 0) ? 'B' : c == Rgb(255, 255, 255) ? 'W' : '?';
    }
    return s;
  }
  cDIBSection dib;
};

struct GreyCase {
  PaletteEntry colour;
  Byte grey;
};

TEST(GrayScale, WeightsAndHalvesToEven) {
  const GreyCase cases[] = {{Rgb(255, 0, 0), 57},      {Rgb(0, 255, 0), 180},
                            {Rgb(0, 0, 255), 18},      {Rgb(100, 150, 200), 142},
                            {Rgb(255, 255, 255), 255}, {Rgb(0, 0, 0), 0},
                            {Rgb(2, 1, 19), 2},        {Rgb(3, 2, 20), 4}};
  Image image(8, 1);
  for (Long i = 0; i < 8; ++i) image.Set(i, 0, cases[i].colour);
  cColourReduceDIB reducer;
  reducer.GrayScale(image.dib);
  for (Long i = 0; i < 8; ++i) {
    const Byte g = cases[i].grey;
    EXPECT_EQ(image.Get(i, 0), Rgb(g, g, g)) << i;
  }
}

TEST(GrayScale, EventsAfterEachColumn) {
  Image image(4, 2);
  cColourReduceDIB reducer;
  EventRecorder events;
  reducer.SetEventSink(&events);
  reducer.GrayScale(image.dib);
  EXPECT_EQ(events.Shape(),
            (std::vector<Event>{{'I', 9}, {'P', 0}, {'P', 3}, {'P', 6}, {'P', 9}, {'C', 0}}));
}

TEST(GrayScale, ColumnsAreDoneInOrderWhenTheirEventArrives) {
  struct Watcher : ProgressEvents {
    Image* image = nullptr;
    std::vector<std::string> seen;
    void Progress(Long x) override {
      std::string row;
      for (Long i = 0; i < 3; ++i) row += image->Get(i, 1) == Rgb(57, 57, 57) ? 'g' : 'r';
      seen.push_back(std::to_string(x) + row);
    }
  } watcher;
  Image image(3, 2);
  image.Fill(Rgb(255, 0, 0));
  watcher.image = &image;
  cColourReduceDIB reducer;
  reducer.SetEventSink(&watcher);
  reducer.GrayScale(image.dib);
  EXPECT_EQ(watcher.seen, (std::vector<std::string>{"0grr", "3ggr", "6ggg"}));
}

TEST(BlackAndWhite, UniformImages) {
  const std::pair<Byte, char> cases[] = {{255, 'W'}, {0, 'B'}, {16, 'B'}};
  for (const auto& [grey, expected] : cases) {
    Image from(5, 3), to(5, 3);
    from.FillGrey(grey);
    cColourReduceDIB().BlackAndWhite(from.dib, to.dib);
    for (Long y = 0; y < 3; ++y) EXPECT_EQ(to.Row(y), std::string(5, expected)) << int(grey);
    EXPECT_EQ(from.Pixels(), to.Pixels());
  }
}

TEST(BlackAndWhite, ErrorPassesAlongARow) {
  Image from(3, 1), to(3, 1);
  from.FillGrey(100);  // 100 passes 43: the second becomes 143, white; it passes nothing on
  cColourReduceDIB().BlackAndWhite(from.dib, to.dib);
  EXPECT_EQ(to.Row(0), "BWB");
}

TEST(BlackAndWhite, NegativeErrorTruncatesTowardZero) {
  // 142 turns white with error -113: -113 x 7 / 16 = -49 (not -50), so 178 becomes 129: white.
  Image from(4, 1), to(4, 1);
  from.FillGrey(0);
  from.Set(0, 0, Rgb(142, 142, 142));
  from.Set(1, 0, Rgb(178, 178, 178));
  cColourReduceDIB().BlackAndWhite(from.dib, to.dib);
  EXPECT_EQ(to.Row(0), "WWBB");
}

TEST(BlackAndWhite, TwoPixelsWideDiffusesNothing) {
  Image from(2, 3), to(2, 3);
  from.FillGrey(100);
  cColourReduceDIB().BlackAndWhite(from.dib, to.dib);
  for (Long y = 0; y < 3; ++y) EXPECT_EQ(to.Row(y), "BB");
}

TEST(BlackAndWhite, Grey128SixByFour) {
  Image from(6, 4), to(6, 4);
  from.FillGrey(128);
  cColourReduceDIB().BlackAndWhite(from.dib, to.dib);
  for (Long y = 0; y < 4; ++y) EXPECT_EQ(to.Row(y), "BWBWBB") << "row " << y;
}

// Rows of grey levels, row 0 first; one string of B and W per row after BlackAndWhite.
std::vector<std::string> BlackAndWhiteRows(const std::vector<std::vector<Byte>>& rows) {
  const auto width = static_cast<Long>(rows[0].size());
  const auto height = static_cast<Long>(rows.size());
  Image from(width, height), to(width, height);
  for (Long y = 0; y < height; ++y)
    for (Long x = 0; x < width; ++x) {
      const Byte v = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
      from.Set(x, y, Rgb(v, v, v));
    }
  cColourReduceDIB().BlackAndWhite(from.dib, to.dib);
  std::vector<std::string> out;
  for (Long y = 0; y < height; ++y) out.push_back(to.Row(y));
  return out;
}

TEST(BlackAndWhite, NextRowWeights) {
  // Column 2 of row 0 (grey 100) passes 43 right, 31 (5/16) below and 6 (1/16) below right.
  // Below right: 123 + 6 = 129 turns white (the others pass no error: 212 + 43 and 224 + 31
  // reach exactly 255).
  EXPECT_EQ(BlackAndWhiteRows({{0, 0, 100, 212, 0}, {0, 0, 224, 123, 0}}),
            (std::vector<std::string>{"BBBWB", "BBWWB"}));
  // Straight below: 98 + 31 = 129 turns white.
  EXPECT_EQ(BlackAndWhiteRows({{0, 0, 100, 212, 0}, {0, 0, 98, 0, 0}}),
            (std::vector<std::string>{"BBBWB", "BBWBB"}));
  // The first and the last column receive nothing from the row before.
  EXPECT_EQ(BlackAndWhiteRows({{100, 0, 0, 0}, {125, 0, 0, 0}}),
            (std::vector<std::string>{"BBBB", "BBBB"}));
  EXPECT_EQ(BlackAndWhiteRows({{0, 0, 0, 100}, {0, 0, 0, 125}}),
            (std::vector<std::string>{"BBBB", "BBBB"}));
}

TEST(BlackAndWhite, GreyEventsComeFirst) {
  Image from(2, 1), to(2, 1);
  cColourReduceDIB reducer;
  EventRecorder events;
  reducer.SetEventSink(&events);
  reducer.BlackAndWhite(from.dib, to.dib);
  EXPECT_EQ(events.Shape(),
            (std::vector<Event>{
                {'I', 3}, {'P', 0}, {'P', 3}, {'C', 0}, {'I', 3}, {'P', 0}, {'P', 3}, {'C', 0}}));
}

cPalette Mono() {
  cPalette palette;
  palette.CreateMono();
  return palette;
}

TEST(ApplyPalette, MonoWithoutDiffusionSplitsAt382) {
  const PaletteEntry pixels[] = {Rgb(127, 127, 128), Rgb(127, 128, 128), Rgb(0, 0, 255),
                                 Rgb(255, 127, 0),   Rgb(255, 128, 0),   Rgb(200, 200, 200)};
  Image from(6, 1), to(6, 1);
  for (Long i = 0; i < 6; ++i) from.Set(i, 0, pixels[i]);
  cPalette palette = Mono();
  cColourReduceDIB().ApplyPalette(from.dib, to.dib, palette, vbFalse);
  EXPECT_EQ(to.Row(0), "BWBBWW");
  EXPECT_EQ(from.Pixels(), to.Pixels());
}

struct SmallDifferenceCase {
  const char* name;
  PaletteEntry first;
  char second;
};

TEST(ApplyPalette, DiffusionSkippedForADifferenceOfThreeOrLess) {
  // The second pixel sits on the tie between black and grey 100; one unit of red from the
  // first pixel's error would tip it to grey.
  const SmallDifferenceCase cases[] = {
      {"DifferenceThree", Rgb(103, 100, 100), 'B'},
      {"DifferenceFour", Rgb(104, 100, 100), 'G'},
      {"SpreadOverChannels", Rgb(101, 101, 101), 'B'},
  };
  for (const SmallDifferenceCase& c : cases) {
    cPalette palette;
    palette.Add(0, 0, 0);
    palette.Add(100, 100, 100);
    Image from(4, 1), to(4, 1);  // black elsewhere
    from.Set(0, 0, c.first);
    from.Set(1, 0, Rgb(50, 50, 50));
    cColourReduceDIB().ApplyPalette(from.dib, to.dib, palette, vbTrue);
    EXPECT_EQ(to.Get(0, 0), Rgb(100, 100, 100)) << c.name;
    EXPECT_EQ(to.Get(1, 0), c.second == 'B' ? Rgb(0, 0, 0) : Rgb(100, 100, 100)) << c.name;
  }
}

// Rows of grey levels, row 0 first, mapped to black and white with diffusion.
std::vector<std::string> MonoRows(const std::vector<std::vector<Byte>>& rows) {
  const auto width = static_cast<Long>(rows[0].size());
  const auto height = static_cast<Long>(rows.size());
  Image from(width, height), to(width, height);
  for (Long y = 0; y < height; ++y)
    for (Long x = 0; x < width; ++x) {
      const Byte v = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
      from.Set(x, y, Rgb(v, v, v));
    }
  cPalette palette;
  palette.CreateMono();
  cColourReduceDIB().ApplyPalette(from.dib, to.dib, palette, vbTrue);
  std::vector<std::string> out;
  for (Long y = 0; y < height; ++y) out.push_back(to.Row(y));
  return out;
}

TEST(ApplyPalette, ErrorGoesSevenSixteenthsRightAndFourBelow) {
  // 100 -> black (+43) -> 143 white (-112 x 7 / 16 = -49) -> 51 black; the last two columns
  // pass nothing right.
  EXPECT_EQ(MonoRows({{100, 100, 100, 100}}), (std::vector<std::string>{"BWBB"}));
  // Below an inner column: 110 + 100 x 4 / 16 = 135 turns white.
  EXPECT_EQ(MonoRows({{0, 100, 0}, {0, 110, 0}}), (std::vector<std::string>{"BBB", "BWB"}));
  // Nothing goes below in the first or the last column.
  EXPECT_EQ(MonoRows({{100, 0, 0}, {110, 0, 0}}), (std::vector<std::string>{"BBB", "BBB"}));
  EXPECT_EQ(MonoRows({{0, 0, 100}, {0, 0, 110}}), (std::vector<std::string>{"BBB", "BBB"}));
}

TEST(ApplyPalette, TwoPixelsWideDiffusesNothing) {
  cPalette palette = Mono();
  Image from(2, 3), to(2, 3), plain(2, 3), plainTo(2, 3);
  std::mt19937 random(3);
  for (Long y = 0; y < 3; ++y)
    for (Long x = 0; x < 2; ++x) {
      const PaletteEntry c = Rgb(Byte(random()), Byte(random()), Byte(random()));
      from.Set(x, y, c);
      plain.Set(x, y, c);
    }
  cColourReduceDIB().ApplyPalette(from.dib, to.dib, palette, vbTrue);
  cColourReduceDIB().ApplyPalette(plain.dib, plainTo.dib, palette, vbFalse);
  EXPECT_EQ(to.Pixels(), plainTo.Pixels());
}

TEST(ApplyPalette, ColourEveryEntryIs765FromTakesTheNearestAndDiffusesFromIt) {
  struct Peek : ProgressEvents {
    Image* from = nullptr;
    PaletteEntry afterFirstColumn{};
    void Progress(Long x) override {
      if (x == 0) afterFirstColumn = from->Get(1, 0);
    }
  } peek;
  cPalette palette;
  palette.Add(0, 0, 0);
  palette.Add(0, 0, 0);
  Image from(3, 1), to(3, 1);
  from.Set(0, 0, Rgb(255, 255, 255));
  from.Set(1, 0, Rgb(10, 20, 30));
  peek.from = &from;
  cColourReduceDIB reducer;
  reducer.SetEventSink(&peek);
  reducer.ApplyPalette(from.dib, to.dib, palette, vbTrue);
  EXPECT_EQ(to.Pixels(), std::vector<PaletteEntry>(3, Rgb(0, 0, 0)));
  EXPECT_EQ(peek.afterFirstColumn, Rgb(121, 131, 141));  // 255 x 7 / 16 = 111 each
}

TEST(ApplyPalette, MatchesTheLinearScanOnRandomImages) {
  std::mt19937 random(11);
  for (int round = 0; round < 40; ++round) {
    const Long width = 1 + Long(random() % 30), height = 1 + Long(random() % 20);
    cPalette palette;
    const int size = 1 + int(random() % 40);
    for (int i = 0; i < size; ++i)
      palette.Add(Long(random() % 4 * 85), Long(random() % 256), Long(random() % 2 * 255));
    Image from(width, height), to(width, height), expectFrom(width, height),
        expectTo(width, height);
    for (Long y = 0; y < height; ++y)
      for (Long x = 0; x < width; ++x) {
        const PaletteEntry c = Rgb(Byte(random()), Byte(random()), Byte(random()));
        from.Set(x, y, c);
        expectFrom.Set(x, y, c);
      }
    const bool diffuse = round % 4 != 0;
    cColourReduceDIB().ApplyPalette(from.dib, to.dib, palette, to_boolean(diffuse));
    testing::ReferenceApplyPalette(expectFrom.dib.view(), expectTo.dib.view(), width, height,
                                   palette, diffuse);
    ASSERT_EQ(to.Pixels(), expectTo.Pixels()) << "round " << round;
    ASSERT_EQ(from.Pixels(), expectTo.Pixels()) << "round " << round;
  }
}

// Larger pictures with smooth gradients and noise, as a photo has, against palettes of many
// colours (some clustered, some of more than 255 colours): cells with four colours or fewer,
// split cells and lists all take part, with and without diffusion.
TEST(ApplyPalette, MatchesTheLinearScanOnPhotoLikeImages) {
  std::mt19937 random(29);
  for (int round = 0; round < 12; ++round) {
    const Long width = 40 + Long(random() % 50), height = 30 + Long(random() % 40);
    cPalette palette;
    const int size = round % 4 == 3 ? 300 : 20 + int(random() % 220);
    for (int i = 0; i < size; ++i) {
      if (round % 2 == 1 && i % 3 == 0) {  // a cluster
        palette.Add(120 + Long(random() % 16), 90 + Long(random() % 16), 60 + Long(random() % 16));
      } else {
        palette.Add(Long(random() % 256), Long(random() % 256), Long(random() % 256));
      }
    }
    Image from(width, height), to(width, height), expectFrom(width, height),
        expectTo(width, height);
    std::normal_distribution<double> noise(0.0, 6.0);
    for (Long y = 0; y < height; ++y)
      for (Long x = 0; x < width; ++x) {
        const auto channel = [&](double base) {
          return Byte(std::clamp(base + noise(random), 0.0, 255.0));
        };
        const PaletteEntry c =
            Rgb(channel(60 + 150.0 * x / width), channel(40 + 170.0 * y / height),
                channel(200 - 120.0 * (x + y) / (width + height)));
        from.Set(x, y, c);
        expectFrom.Set(x, y, c);
      }
    const bool diffuse = round % 3 != 2;
    cColourReduceDIB().ApplyPalette(from.dib, to.dib, palette, to_boolean(diffuse));
    testing::ReferenceApplyPalette(expectFrom.dib.view(), expectTo.dib.view(), width, height,
                                   palette, diffuse);
    ASSERT_EQ(to.Pixels(), expectTo.Pixels()) << "round " << round;
    ASSERT_EQ(from.Pixels(), expectTo.Pixels()) << "round " << round;
  }
}

// One image as both source and target: each pixel is overwritten with its colour after it has
// been read, and the errors still reach the neighbours as in the plain definition.
TEST(ApplyPalette, SameImageAsSourceAndTarget) {
  std::mt19937 random(31);
  cPalette palette;
  for (int i = 0; i < 60; ++i)
    palette.Add(Long(random() % 256), Long(random() % 256), Long(random() % 256));
  for (const bool diffuse : {true, false}) {
    Image image(37, 23), expect(37, 23);
    for (Long y = 0; y < 23; ++y)
      for (Long x = 0; x < 37; ++x) {
        const PaletteEntry c = Rgb(Byte(random()), Byte(random()), Byte(random()));
        image.Set(x, y, c);
        expect.Set(x, y, c);
      }
    cColourReduceDIB().ApplyPalette(image.dib, image.dib, palette, to_boolean(diffuse));
    testing::ReferenceApplyPalette(expect.dib.view(), expect.dib.view(), 37, 23, palette, diffuse);
    EXPECT_EQ(image.Pixels(), expect.Pixels()) << "diffuse " << diffuse;
  }
}

TEST(ApplyPalette, EventsAndAPaletteChangedBetweenColumns) {
  struct Changer : ProgressEvents {
    cPalette* palette = nullptr;
    std::vector<Long> positions;
    void InitProgress(Long max) override { positions.push_back(-max); }
    void Progress(Long x) override {
      positions.push_back(x);
      if (x == 0) palette->CreateHalfTone();  // later columns see the new palette
    }
  } changer;
  cPalette palette = Mono();
  changer.palette = &palette;
  Image from(3, 1), to(3, 1);
  from.Fill(Rgb(60, 70, 130));
  cColourReduceDIB reducer;
  reducer.SetEventSink(&changer);
  reducer.ApplyPalette(from.dib, to.dib, palette, vbFalse);
  EXPECT_EQ(changer.positions, (std::vector<Long>{-6, 0, 3, 6}));
  EXPECT_EQ(to.Get(0, 0), Rgb(0, 0, 0));
  EXPECT_EQ(to.Get(1, 0), Rgb(64, 64, 128));
  EXPECT_EQ(to.Get(2, 0), Rgb(64, 64, 128));
}

void ExpectInvalidCall(const std::function<void()>& call) {
  try {
    call();
    ADD_FAILURE() << "no error";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.number(), errors::kInvalidProcedureCall);
    EXPECT_EQ(error.source(), "libzentrik_colour.cColourReduceDIB");
  }
}

TEST(ReduceFailures, EmptyPaletteTouchesNeitherImage) {
  Image from(3, 2), to(3, 2);
  from.FillGrey(77);
  to.FillGrey(5);
  cPalette palette;
  EventRecorder events;
  cColourReduceDIB reducer;
  reducer.SetEventSink(&events);
  ExpectInvalidCall([&] { reducer.ApplyPalette(from.dib, to.dib, palette, vbTrue); });
  EXPECT_EQ(from.Pixels(), std::vector<PaletteEntry>(6, Rgb(77, 77, 77)));
  EXPECT_EQ(to.Pixels(), std::vector<PaletteEntry>(6, Rgb(5, 5, 5)));
  EXPECT_TRUE(events.events.empty());
}

TEST(ReduceFailures, SourceSmallerThanTargetTouchesNeitherImage) {
  Image small(2, 2), large(3, 2), tall(2, 3);
  small.FillGrey(77);
  large.FillGrey(5);
  cPalette palette = Mono();
  cColourReduceDIB reducer;
  ExpectInvalidCall([&] { reducer.ApplyPalette(small.dib, large.dib, palette, vbTrue); });
  ExpectInvalidCall([&] { reducer.BlackAndWhite(small.dib, tall.dib); });
  cDIBSection empty;
  ExpectInvalidCall([&] { reducer.ApplyPalette(empty, large.dib, palette, vbFalse); });
  EXPECT_EQ(small.Pixels(), std::vector<PaletteEntry>(4, Rgb(77, 77, 77)));
  EXPECT_EQ(large.Pixels(), std::vector<PaletteEntry>(6, Rgb(5, 5, 5)));
}

TEST(ReduceFailures, HandlerThatRemakesTheImageEndsTheCall) {
  struct Remaker : ProgressEvents {
    cDIBSection* image = nullptr;
    void Progress(Long) override { image->Create(1, 1); }
  } remaker;
  Image from(4, 4), to(4, 4);
  remaker.image = &to.dib;
  cPalette palette = Mono();
  cColourReduceDIB reducer;
  reducer.SetEventSink(&remaker);
  ExpectInvalidCall([&] { reducer.ApplyPalette(from.dib, to.dib, palette, vbTrue); });
  remaker.image = &from.dib;
  ExpectInvalidCall([&] { reducer.GrayScale(from.dib); });
}

TEST(ReduceEmpty, ImagesWithoutPixelsRaiseOnlyTheFrame) {
  cDIBSection empty, alsoEmpty;
  cPalette palette = Mono();
  cColourReduceDIB reducer;
  EventRecorder events;
  reducer.SetEventSink(&events);
  reducer.GrayScale(empty);
  EXPECT_EQ(events.Shape(), (std::vector<Event>{{'I', -3}, {'C', 0}}));
}

}  // namespace
}  // namespace zentrik
