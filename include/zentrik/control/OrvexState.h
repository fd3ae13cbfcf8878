// The instance state of the `orvex` control under its field names: properties, driver choice,
// frame counter, snapshot request, the zone tables and the sample tables.
#pragma once

#include <string>

#include "zentrik/control/SampleTable.h"
#include "zentrik/control/ZoneTable.h"
#include "zentrik/platform/automation.h"
#include "zentrik/platform/gdi.h"

namespace zentrik {

// A new instance holds 0, False and empty strings everywhere; start-up sets the initial values.
struct OrvexState {
  Integer layer = 0;    // active detection layer; 0 = detection off
  Long colordepth = 0;  // e_colordepth value, stored unchanged
  Boolean active = vbFalse;
  Boolean debugpreview = vbFalse;
  Integer device_id = 0;
  std::string videodevice;  // the whole 100-character description buffer of the matched driver
  Integer max_layers = 0;
  Integer frame_count = 0;  // 16-bit, wraps
  HDC capture_dc = 0;       // the capture window's DC while a frame is being copied

  std::string snapshot_file;  // pending snapshot ("" = none)
  Boolean snapshot_truecolor = vbFalse;

  SampleTable previous_samples;
  SampleTable current_samples;

  Long sample_count = 0;  // counters of the zone being evaluated
  Long hit_count = 0;
  Integer zone_index = 0;  // zone loop position, handed to event handlers by reference

  ZoneTable<Integer> motion_percentage, motion_left, motion_top, motion_width, motion_height;
  ZoneTable<Integer> color_percentage, color_left, color_top, color_width, color_height;
  ZoneTable<Long> color_value;
  ZoneTable<Boolean> zone_state;  // shared by the motion and colour zone of one number
};

}  // namespace zentrik
