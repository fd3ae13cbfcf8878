// A Dispatchable with the control's script-facing members that records every invocation: the
// member, the kind, and each argument's type, reference flag and text. Writing layer 99 raises
// Invalid property value, as a control refusing a value would.
#pragma once

#include <string>
#include <vector>

#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/dispatch.h"

namespace zentrik::testing {

struct RecordedArgument {
  Variant::Type type;
  bool by_ref;
  std::string text;
  friend bool operator==(const RecordedArgument&, const RecordedArgument&) = default;
};

struct RecordedCall {
  std::string member;
  MemberKind kind;
  std::vector<RecordedArgument> arguments;
  friend bool operator==(const RecordedCall&, const RecordedCall&) = default;
};

inline const TypeInfo& recording_type_info() {
  const auto by_ref = [](std::initializer_list<const char*> names) {
    std::vector<ParamInfo> params;
    for (const char* name : names) params.push_back({name, true});
    return params;
  };
  static const TypeInfo info(
      "orvex",
      {
          {"layer", 1, MemberKind::PropertyGet, {}},
          {"layer", 1, MemberKind::PropertyPut, {{"new_layer", false}}},
          {"colordepth", 2, MemberKind::PropertyGet, {}},
          {"colordepth", 2, MemberKind::PropertyPut, {{"new_colordepth", false}}},
          {"active", 3, MemberKind::PropertyPut, {{"new_active", false}}},
          {"debugpreview", 4, MemberKind::PropertyPut, {{"new_debugpreview", false}}},
          {"device_id", 5, MemberKind::PropertyGet, {}},
          {"Clear", 6, MemberKind::Method, by_ref({"layer"})},
          {"clear_all", 7, MemberKind::Method, {}},
          {"add_motion_detection", 8, MemberKind::Method,
           by_ref({"layer", "zone", "left", "top", "Width", "Height", "percentage"})},
          {"save_picture", 9, MemberKind::Method, by_ref({"filename", "truecolor"})},
          {"add_color_detection", 10, MemberKind::Method,
           by_ref({"layer", "zone", "left", "top", "Width", "Height", "color", "percentage"})},
          {"note", 11, MemberKind::Method, {{"text", false}, {"count", false}}},
      });
  return info;
}

class RecordingTarget : public Dispatchable {
 public:
  const TypeInfo& type_info() const override { return recording_type_info(); }

  Variant invoke(DispId id, MemberKind kind, std::span<Variant> args) override {
    const MemberInfo& member = check_invocation(type_info(), id, kind, args);
    RecordedCall call{member.name, kind, {}};
    for (Variant& arg : args) call.arguments.push_back({arg.type(), arg.is_ref(), arg.to_string()});
    if (member.name == "layer" && args[0].to_long() == 99)
      raise_error(errors::kInvalidPropertyValue, "Zentrik.orvex");
    calls.push_back(call);
    // Methods write through their references, as the control's own members may.
    for (Variant& arg : args)
      if (arg.is_ref() && arg.type() == Variant::Type::Integer) arg.assign(Variant(Integer{-7}));
    return {};
  }

  using Dispatchable::invoke;
  std::vector<RecordedCall> calls;
};

}  // namespace zentrik::testing
