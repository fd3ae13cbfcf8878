// Device contexts and windows: the display DC, memory DCs with their placeholder bitmap, and
// windows whose own DC draws on their surface.
#include <algorithm>
#include <cctype>

#include "gdi_table.h"

namespace zentrik {
namespace {

bool is_display_driver(std::string_view driver) {
  constexpr std::string_view kDisplay = "DISPLAY";
  return std::equal(
      driver.begin(), driver.end(), kDisplay.begin(), kDisplay.end(),
      [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; });
}

}  // namespace

HDC CreateDCA(std::string_view driver) {
  if (!is_display_driver(driver)) return 0;
  return GdiTable::instance().add(GdiKind::DisplayDc, true);
}

HDC CreateCompatibleDC(HDC hdc) {
  GdiTable& table = GdiTable::instance();
  if (hdc != 0 && table.dc(hdc) == nullptr) return 0;
  const HBITMAP placeholder = table.stock_bitmap();
  const HDC dc = table.add(GdiKind::MemoryDc, true);
  if (dc != 0) {
    table.dc(dc)->selected = placeholder;
    table.dc(dc)->target = table.bitmap(placeholder);
  }
  return dc;
}

Boolean DeleteDC(HDC hdc) {
  GdiTable& table = GdiTable::instance();
  const GdiKind kind = table.kind(hdc);
  if (kind != GdiKind::MemoryDc && kind != GdiKind::DisplayDc) return vbFalse;
  const HBITMAP selected = table.dc(hdc)->selected;
  if (BitmapObject* b = table.bitmap(selected); b != nullptr && !b->stock) {
    b->selectedIn = 0;
    if (b->deletePending) destroy_bitmap(table, selected);
  }
  table.remove(hdc);
  return vbTrue;
}

HDC GetDC(HWND window) {
  const WindowObject* w = GdiTable::instance().window(window);
  return w ? w->dc : 0;
}

Long ReleaseDC(HWND window, HDC hdc) {
  const WindowObject* w = GdiTable::instance().window(window);
  return w && w->dc == hdc ? 1 : 0;
}

HWND CreateWindowSurface(Long width, Long height) {
  GdiTable& table = GdiTable::instance();
  const HBITMAP surface = create_display_bitmap(table, width, height, false);
  if (surface == 0) return 0;
  const HWND window = table.add(GdiKind::Window, true);
  const HDC dc = window ? table.add(GdiKind::WindowDc, false) : 0;
  if (dc == 0) {
    table.remove(window);
    table.remove(surface);
    return 0;
  }
  table.window(window)->surface = surface;
  table.window(window)->dc = dc;
  table.dc(dc)->selected = surface;
  table.dc(dc)->target = table.bitmap(surface);
  table.dc(dc)->window = window;
  table.bitmap(surface)->window = window;
  table.bitmap(surface)->selectedIn = dc;
  return window;
}

Boolean DestroyWindow(HWND window) {
  GdiTable& table = GdiTable::instance();
  const WindowObject* w = table.window(window);
  if (w == nullptr) return vbFalse;
  const WindowObject parts = *w;
  table.remove(parts.dc);
  table.remove(parts.surface);
  table.remove(window);
  return vbTrue;
}

std::size_t gdi_object_count() {
  return GdiTable::instance().counted();
}

}  // namespace zentrik
