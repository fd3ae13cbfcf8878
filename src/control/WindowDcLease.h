// Hands a window's device context back to the window when a scope ends, normally or through an
// error, and empties the field that held it.
#pragma once

#include "zentrik/platform/gdi.h"

namespace zentrik {

class WindowDcLease {
 public:
  WindowDcLease(HWND window, HDC& dc) : window_(window), dc_(dc) {}
  ~WindowDcLease() {
    if (dc_ != 0) ReleaseDC(window_, dc_);
    dc_ = 0;
  }
  WindowDcLease(const WindowDcLease&) = delete;
  WindowDcLease& operator=(const WindowDcLease&) = delete;

 private:
  HWND window_;
  HDC& dc_;
};

}  // namespace zentrik
