// One run of `zentrik watch`: set-up (script checked, source opened, consumers made), the run
// on the message loop in real time or as fast as frames are handled, and the finish (last
// snapshots, summary line, exit status).
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "watch/DamageWatch.h"
#include "watch/EventConsumer.h"
#include "watch/SnapshotTaker.h"
#include "watch/StopSignals.h"
#include "watch/WatchOptions.h"
#include "zentrik/control/orvex.h"
#include "zentrik/events/WarmUp.h"
#include "zentrik/platform/dispatch.h"
#include "zentrik/script/ControlScript.h"

namespace zentrik::cli {

class WatchSession : private EventSink {
 public:
  explicit WatchSession(WatchOptions options);
  ~WatchSession() override;
  WatchSession(const WatchSession&) = delete;
  WatchSession& operator=(const WatchSession&) = delete;

  // Everything before the first frame; the exit status when the run cannot go on.
  std::optional<int> set_up();
  // Until the frame or time limit, the end of the source, a failure or a stop signal.
  void run();
  // Stops capture, lets the consumers finish, prints the summary; the exit status.
  int finish();

 private:
  bool check_script();
  bool open_control();
  void add_consumers();
  void start_capture();
  void warn_if_blind() const;
  void run_fast();
  void between_frames();
  void observe();
  bool done() const;
  void on_report(const ezVidCap::Report& report);
  void on_event(DispId id, std::span<Variant> args) override;

  WatchOptions options_;
  std::optional<ControlScript> script_;
  DriverRegistry drivers_ = DriverRegistry::standard();  // outlives the control
  std::unique_ptr<orvex> control_;
  std::vector<std::unique_ptr<EventConsumer>> consumers_;
  std::unique_ptr<StopSignals> signals_;
  std::unique_ptr<DamageWatch> damage_;
  std::unique_ptr<SnapshotTaker> snapshots_;
  std::chrono::steady_clock::time_point start_;
  bool starting_ = true;
  bool open_failed_ = false;
  bool source_failed_ = false;
  bool source_ended_ = false;
  long long events_ = 0;
  WarmUp warmup_;
};

}  // namespace zentrik::cli
