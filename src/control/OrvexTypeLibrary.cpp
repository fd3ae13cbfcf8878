// The member tables of `_orvex` and `__orvex`.
#include "zentrik/control/OrvexTypeLibrary.h"

namespace zentrik {
namespace {

std::vector<ParamInfo> by_ref(std::initializer_list<const char*> names) {
  std::vector<ParamInfo> params;
  for (const char* name : names) params.push_back({name, true});
  return params;
}

std::vector<ParamInfo> by_value(const char* name) {
  return {{name, false}};
}

}  // namespace

const TypeInfo& OrvexTypeLibrary::interface_info() {
  using K = MemberKind;
  static const TypeInfo info(
      "_orvex",
      {
          {"layer", kLayer, K::PropertyGet, {}},
          {"colordepth", kColorDepth, K::PropertyGet, {}},
          {"colordepth", kColorDepth, K::PropertyPut, by_value("new_colordepth")},
          {"layer", kLayer, K::PropertyPut, by_value("new_layer")},
          {"active", kActive, K::PropertyGet, {}},
          {"videodevice", kVideoDevice, K::PropertyGet, {}},
          {"device_id", kDeviceId, K::PropertyGet, {}},
          {"debugpreview", kDebugPreview, K::PropertyGet, {}},
          {"debugpreview", kDebugPreview, K::PropertyPut, by_value("new_debugpreview")},
          {"picture", kPicture, K::PropertyGet, by_value("new_truecolor")},
          {"ShowAbout", kShowAbout, K::Method, {}},
          {"active", kActive, K::PropertyPut, by_value("new_active")},
          {"Clear", kClear, K::Method, by_ref({"layer"})},
          {"clear_all", kClearAll, K::Method, {}},
          {"add_motion_detection", kAddMotionDetection, K::Method,
           by_ref({"layer", "zone", "left", "top", "Width", "Height", "percentage"})},
          {"save_picture", kSavePicture, K::Method, by_ref({"filename", "truecolor"})},
          {"add_color_detection", kAddColorDetection, K::Method,
           by_ref({"layer", "zone", "left", "top", "Width", "Height", "color", "percentage"})},
      });
  return info;
}

const TypeInfo& OrvexTypeLibrary::event_info() {
  static const TypeInfo info("__orvex",
                             {
                                 {"motion", kMotionEvent, MemberKind::Method,
                                  by_ref({"layer", "zone", "status", "percentage"})},
                                 {"color", kColorEvent, MemberKind::Method,
                                  by_ref({"layer", "zone", "status", "color", "percentage"})},
                             });
  return info;
}

}  // namespace zentrik
