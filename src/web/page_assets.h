// The page's files, built into the program from web/ (generated at build time).
#pragma once

#include <string_view>

namespace zentrik {

struct PageAsset {
  std::string_view name;          // e.g. "app.js"
  std::string_view content_type;  // e.g. "text/javascript; charset=utf-8"
  std::string_view bytes;
};

// nullptr when there is no such file.
const PageAsset* find_page_asset(std::string_view name);

}  // namespace zentrik
