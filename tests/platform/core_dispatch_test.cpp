// Dispatch: member lookup, invocation by identifier and by name, by-reference arguments, events.
#include <gtest/gtest.h>

#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/dispatch.h"

namespace zentrik {
namespace {

constexpr DispId kLayer = 0x68030006;
constexpr DispId kClear = 0x60030008;
constexpr DispId kBump = 0x60030010;

const TypeInfo& counter_info() {
  static const TypeInfo info("_counter",
                             {
                                 {"layer", kLayer, MemberKind::PropertyGet, {}},
                                 {"layer", kLayer, MemberKind::PropertyPut, {{"new_layer", false}}},
                                 {"Clear", kClear, MemberKind::Method, {{"layer", true}}},
                                 {"bump", kBump, MemberKind::Method, {{"a", true}, {"b", true}}},
                             });
  return info;
}

// A small object whose invoke is what the control's is: check, then switch on the identifier.
class Counter : public Dispatchable {
 public:
  const TypeInfo& type_info() const override { return counter_info(); }
  Variant invoke(DispId id, MemberKind kind, std::span<Variant> args) override {
    check_invocation(type_info(), id, kind, args);
    if (id == kLayer && kind == MemberKind::PropertyGet) return Variant(layer);
    if (id == kLayer) {
      layer = args[0].to_integer();
      return {};
    }
    if (id == kClear) {
      cleared = args[0].to_integer();
      args[0].assign(Variant(Integer{0}));  // writes back to the caller
      return {};
    }
    args[0].assign(Variant(args[0].to_long() + 1));
    args[1].assign(Variant("changed"));
    return {};
  }
  using Dispatchable::invoke;

  Integer layer = 0;
  Integer cleared = -1;
};

Long error_of(const std::function<void()>& call) {
  try {
    call();
  } catch (const AutomationError& e) {
    return e.number();
  }
  return 0;
}

TEST(TypeInfo, LookupsByIdKindAndCaseInsensitiveName) {
  const TypeInfo& info = counter_info();
  ASSERT_NE(info.find(kLayer, MemberKind::PropertyPut), nullptr);
  EXPECT_EQ(info.find(kLayer, MemberKind::PropertyPut)->params.size(), 1u);
  EXPECT_EQ(info.find(kClear, MemberKind::PropertyGet), nullptr);
  ASSERT_NE(info.find("CLEAR", MemberKind::Method), nullptr);
  EXPECT_EQ(info.find("clear", MemberKind::Method)->id, kClear);
  EXPECT_EQ(info.find("layer", MemberKind::Method), nullptr);
  EXPECT_EQ(info.id_of("Layer"), kLayer);
  EXPECT_EQ(error_of([&] { info.id_of("nothing"); }), 438);
}

TEST(Dispatch, PropertiesByIdentifier) {
  Counter counter;
  counter.put(kLayer, Variant("3"));
  EXPECT_EQ(counter.layer, 3);
  EXPECT_EQ(counter.get(kLayer).to_integer(), 3);
}

TEST(Dispatch, ByReferenceArgumentsWriteBackByIdAndByName) {
  Counter counter;
  Integer layer = 5;
  std::vector<Variant> args{Variant::ref(layer)};
  counter.invoke(kClear, MemberKind::Method, args);
  EXPECT_EQ(counter.cleared, 5);
  EXPECT_EQ(layer, 0);

  Integer a = 41;
  std::string b = "old";
  std::vector<Variant> two{Variant::ref(a), Variant::ref(b)};
  counter.invoke("BUMP", MemberKind::Method, two);
  EXPECT_EQ(a, 42);
  EXPECT_EQ(b, "changed");
}

TEST(Dispatch, UnknownMembersAndWrongArgumentCounts) {
  Counter counter;
  std::vector<Variant> none;
  std::vector<Variant> one{Variant(Integer{1})};
  std::vector<Variant> three{Variant(1), Variant(2), Variant(3)};
  struct Case {
    const char* name;
    std::function<void()> call;
    Long number;
  };
  const Case cases[] = {
      {"unknown id", [&] { counter.invoke(0x1234, MemberKind::Method, none); }, 438},
      {"unknown name", [&] { counter.invoke("nothing", MemberKind::Method, none); }, 438},
      {"method as property", [&] { counter.get(kClear); }, 438},
      {"too few", [&] { counter.invoke(kClear, MemberKind::Method, none); }, 450},
      {"too many", [&] { counter.invoke(kBump, MemberKind::Method, three); }, 450},
      {"get with argument", [&] { counter.invoke(kLayer, MemberKind::PropertyGet, one); }, 450},
  };
  for (const Case& c : cases) EXPECT_EQ(error_of(c.call), c.number) << c.name;
}

TEST(EventSource, FiresToTheSinkWithReferences) {
  const TypeInfo events("__counter", {{"motion", 1, MemberKind::Method, {{"layer", true}}}});
  EventSource source(events);
  Integer layer = 3;
  std::vector<Variant> args{Variant::ref(layer)};
  source.fire(1, args);  // no sink: nothing happens

  std::vector<DispId> seen;
  FunctionSink sink([&](DispId id, std::span<Variant> a) {
    seen.push_back(id);
    a[0].assign(Variant(wrap_integer(a[0].to_integer() * 2)));
  });
  source.advise(&sink);
  source.fire(1, args);
  EXPECT_EQ(seen, std::vector<DispId>{1});
  EXPECT_EQ(layer, 6);
  source.unadvise();
  source.fire(1, args);
  EXPECT_EQ(seen.size(), 1u);
  EXPECT_EQ(&source.event_info(), &events);
}

}  // namespace
}  // namespace zentrik
