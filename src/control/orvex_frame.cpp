// The frame pipeline: count, grab, full-colour snapshot, preview, reduced snapshot, detection.
#include "SampleGrid.h"
#include "WindowDcLease.h"
#include "ZoneCounter.h"
#include "zentrik/control/orvex.h"

namespace zentrik {

void orvex::frame_ready() {
  state_.frame_count = wrap_integer(state_.frame_count + 1);
  {
    const HWND window = static_cast<HWND>(video_->get(ezVidCap::kCaptureWindow).to_long());
    state_.capture_dc = GetDC(window);
    // The capture window's DC is needed up to the snapshot's second copy, not after.
    WindowDcLease lease(window, state_.capture_dc);
    grab_frame();
    full_colour_snapshot();
  }
  show_preview();
  reduced_snapshot();
  detect();
}

void orvex::grab_frame() {
  BitBlt(tmp_.hDC(), 0, 0, kFrameWidth, kFrameHeight, state_.capture_dc, 0, 0, SRCCOPY);
  tmp_.SetPicture(tmp_.Image());
}

void orvex::show_preview() {
  if (state_.colordepth >= static_cast<Long>(e_colordepth::high)) {
    beeld_.SetPicture(tmp_.Picture());
  } else {
    reduce_preview();
  }
}

void orvex::detect() {
  if (state_.layer < 1) return;
  sample_preview();
  evaluate_color_zones();
  evaluate_motion_zones();
}

void orvex::sample_preview() {
  state_.previous_samples = state_.current_samples;
  const HDC dc = beeld_.hDC();
  for (Long column = 0; column < kSampleColumns; ++column) {
    const Long x = kFirstSampleColumn + column * kSampleStep;
    for (Long row = 0; row < kSampleRows; ++row) {
      SampleGrid::at(state_.current_samples, column, row) =
          GetPixel(dc, x, kFirstSampleRow + row * kSampleStep);
    }
  }
  counter_->reset();
}

}  // namespace zentrik
