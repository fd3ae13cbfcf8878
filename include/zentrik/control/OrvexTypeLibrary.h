// The type library `Zentrik` of the control: the interface `_orvex` and the event interface
// `__orvex` with their dispatch identifiers, members in slot order and parameter passing.
#pragma once

#include <string_view>

#include "zentrik/platform/dispatch.h"

namespace zentrik {

struct OrvexTypeLibrary {
  static constexpr std::string_view kName = "Zentrik";
  static constexpr Long kLocale = 1033;

  // _orvex: a property's read and write entries share one identifier.
  static constexpr DispId kPicture = 0x68030000;
  static constexpr DispId kDebugPreview = 0x68030001;
  static constexpr DispId kDeviceId = 0x68030002;
  static constexpr DispId kVideoDevice = 0x68030003;
  static constexpr DispId kActive = 0x68030004;
  static constexpr DispId kColorDepth = 0x68030005;
  static constexpr DispId kLayer = 0x68030006;
  static constexpr DispId kShowAbout = -552;  // the standard About-box identifier
  static constexpr DispId kClear = 0x60030008;
  static constexpr DispId kClearAll = 0x60030009;
  static constexpr DispId kAddMotionDetection = 0x6003000A;
  static constexpr DispId kSavePicture = 0x6003000B;
  static constexpr DispId kAddColorDetection = 0x6003000C;

  // __orvex
  static constexpr DispId kMotionEvent = 1;
  static constexpr DispId kColorEvent = 2;

  // The 17 entries of `_orvex` in slot order.
  static const TypeInfo& interface_info();
  // The two events of `__orvex`, every argument by reference.
  static const TypeInfo& event_info();
};

}  // namespace zentrik
