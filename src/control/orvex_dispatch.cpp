// Dispatch of `_orvex` by identifier onto the typed members. By-reference parameters are read
// into locals and written back to the caller's variables when the member returns.
#include "zentrik/control/orvex.h"

namespace zentrik {
namespace {

using Lib = OrvexTypeLibrary;

template <typename T>
void write_back(Variant& argument, const T& value) {
  if (argument.is_ref()) argument.assign(Variant(value));
}

void write_back_boolean(Variant& argument, Boolean value) {
  if (argument.is_ref()) argument.assign(Variant::from_boolean(value));
}

}  // namespace

Variant orvex::invoke(DispId id, MemberKind kind, std::span<Variant> args) {
  check_invocation(type_info(), id, kind, args);
  const bool get = kind == MemberKind::PropertyGet;
  switch (id) {
    case Lib::kLayer:
      if (get) return Variant(layer());
      set_layer(args[0].to_integer());
      return {};
    case Lib::kColorDepth:
      if (get) return Variant(colordepth());
      set_colordepth(args[0].to_long());
      return {};
    case Lib::kActive:
      if (get) return Variant::from_boolean(active());
      set_active(args[0].to_boolean_value());
      return {};
    case Lib::kVideoDevice:
      return Variant(videodevice());
    case Lib::kDeviceId:
      return Variant(device_id());
    case Lib::kDebugPreview:
      if (get) return Variant::from_boolean(debugpreview());
      set_debugpreview(args[0].to_boolean_value());
      return {};
    case Lib::kPicture:
      return Variant(picture(args[0].to_boolean_value()));
    case Lib::kShowAbout:
      ShowAbout();
      return {};
    case Lib::kClear: {
      Integer layerArg = args[0].to_integer();
      Clear(layerArg);
      write_back(args[0], layerArg);
      return {};
    }
    case Lib::kClearAll:
      clear_all();
      return {};
    case Lib::kAddMotionDetection: {
      Integer v[7];
      for (std::size_t i = 0; i < 7; ++i) v[i] = args[i].to_integer();
      add_motion_detection(v[0], v[1], v[2], v[3], v[4], v[5], v[6]);
      for (std::size_t i = 0; i < 7; ++i) write_back(args[i], v[i]);
      return {};
    }
    case Lib::kSavePicture: {
      std::string filename = args[0].to_string();
      Boolean truecolor = args[1].to_boolean_value();
      save_picture(filename, truecolor);
      write_back(args[0], filename);
      write_back_boolean(args[1], truecolor);
      return {};
    }
    case Lib::kAddColorDetection: {
      Integer v[6];
      for (std::size_t i = 0; i < 6; ++i) v[i] = args[i].to_integer();
      Long color = args[6].to_long();
      Integer percentage = args[7].to_integer();
      add_color_detection(v[0], v[1], v[2], v[3], v[4], v[5], color, percentage);
      for (std::size_t i = 0; i < 6; ++i) write_back(args[i], v[i]);
      write_back(args[6], color);
      write_back(args[7], percentage);
      return {};
    }
    default:
      raise_error(errors::kMemberNotFound, type_info().name());
  }
}

}  // namespace zentrik
