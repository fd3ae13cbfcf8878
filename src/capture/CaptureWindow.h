// The capture component's window: a 320 x 240 surface that shows the latest frame at its top
// left, owned for the component's life together with the device context it paints through.
#pragma once

#include "zentrik/capture/CaptureDriver.h"
#include "zentrik/platform/gdi.h"

namespace zentrik {

class CaptureWindow {
 public:
  // Raises 17 (can't perform requested operation) when the surface cannot be made.
  CaptureWindow();
  ~CaptureWindow();
  CaptureWindow(const CaptureWindow&) = delete;
  CaptureWindow& operator=(const CaptureWindow&) = delete;

  HWND handle() const { return window_; }
  // Paints the frame at (0, 0).
  void paint(const Frame& frame);

 private:
  HWND window_ = 0;
  HDC dc_ = 0;
  BitmapInfoHeader header_;
};

}  // namespace zentrik
