// The member table and the 17-entry event table of the capture component.
#include "zentrik/capture/ezVidCap.h"

namespace zentrik {

const TypeInfo& ezVidCap::interface_info() {
  static const TypeInfo info(
      "ezVidCap",
      {
          {"driver_index", kDriverIndex, MemberKind::PropertyGet, {}},
          {"driver_index", kDriverIndex, MemberKind::PropertyPut, {{"new_driver_index", false}}},
          {"streaming", kStreaming, MemberKind::PropertyGet, {}},
          {"streaming", kStreaming, MemberKind::PropertyPut, {{"new_streaming", false}}},
          {"Visible", kVisible, MemberKind::PropertyGet, {}},
          {"Visible", kVisible, MemberKind::PropertyPut, {{"new_visible", false}}},
          {"capture_window", kCaptureWindow, MemberKind::PropertyGet, {}},
      });
  return info;
}

const TypeInfo& ezVidCap::event_info() {
  // Dispatch id = position + 1; frame_ready is the thirteenth. Only frame_ready is raised.
  static const TypeInfo info(
      "__ezVidCap",
      {
          {"status_changed", 1, MemberKind::Method, {{"status", false}, {"text", false}}},
          {"error_raised", 2, MemberKind::Method, {{"number", false}, {"text", false}}},
          {"yield", 3, MemberKind::Method, {}},
          {"capture_started", 4, MemberKind::Method, {}},
          {"capture_stopped", 5, MemberKind::Method, {}},
          {"capture_progress", 6, MemberKind::Method, {{"frames", false}}},
          {"driver_opened", 7, MemberKind::Method, {{"index", false}}},
          {"driver_closed", 8, MemberKind::Method, {}},
          {"preview_started", 9, MemberKind::Method, {}},
          {"preview_stopped", 10, MemberKind::Method, {}},
          {"video_format_changed", 11, MemberKind::Method, {}},
          {"palette_changed", 12, MemberKind::Method, {}},
          {"frame_ready", kFrameReady, MemberKind::Method, {{"frame", false}}},
          {"frame_dropped", 14, MemberKind::Method, {{"frame", false}}},
          {"wave_ready", 15, MemberKind::Method, {{"bytes", false}}},
          {"click", 16, MemberKind::Method, {}},
          {"double_click", 17, MemberKind::Method, {}},
      });
  return info;
}

const TypeInfo& ezVidCap::type_info() const {
  return interface_info();
}

}  // namespace zentrik
