// The source texts that errors raised by the colour classes carry: the library's own file name
// without extension, then the class.
#pragma once

namespace zentrik {

inline constexpr const char* kPaletteSource = ZENTRIK_MODULE_NAME ".cPalette";
inline constexpr const char* kReducerSource = ZENTRIK_MODULE_NAME ".cColourReduceDIB";

}  // namespace zentrik
