// The capture window: made once, painted once per frame through a device context kept open.
#include "CaptureWindow.h"

#include "zentrik/platform/automation_error.h"

namespace zentrik {

CaptureWindow::CaptureWindow() {
  header_.biWidth = kFrameWidth;
  header_.biHeight = kFrameHeight;  // bottom-up, as frames are laid out
  header_.biBitCount = 24;
  header_.biSizeImage = static_cast<std::uint32_t>(kFrameStride * kFrameHeight);
  window_ = CreateWindowSurface(kFrameWidth, kFrameHeight);
  if (window_ != 0) dc_ = GetDC(window_);
  if (window_ == 0 || dc_ == 0) {
    if (window_ != 0) DestroyWindow(window_);
    raise_error(errors::kCantPerformOperation, ZENTRIK_MODULE_NAME,
                "The capture window cannot be created");
  }
}

CaptureWindow::~CaptureWindow() {
  ReleaseDC(window_, dc_);
  DestroyWindow(window_);
}

void CaptureWindow::paint(const Frame& frame) {
  SetDIBitsToDevice(dc_, 0, 0, kFrameWidth, kFrameHeight, frame.pixels, header_);
}

}  // namespace zentrik
