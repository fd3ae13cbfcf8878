#include "watch/EventPrinter.h"

#include <cstdio>

namespace zentrik::cli {

EventPrinter::EventPrinter(orvex& control, const WatchOptions& options)
    : control_(control), json_(options.json) {
  fps_.SetEnabled(options.print_fps);
  fps_.SetInterval(orvex::kTimerIntervalMs);
  fps_.OnTick([this] { print_fps(); });
}

void EventPrinter::on_event(const WatchEvent& event) {
  std::printf("%s\n", (json_ ? format_json(event) : format_text(event)).c_str());
  std::fflush(stdout);
}

void EventPrinter::print_fps() {
  const int fps = control_.frames_per_second();
  if (json_) {
    std::printf("{\"time\":\"%s\",\"frame\":%lld,\"fps\":%d}\n", format_utc(unix_ms_now()).c_str(),
                static_cast<long long>(control_.video().frames_delivered()), fps);
  } else {
    std::printf("FPS = %d\n", fps);
  }
  std::fflush(stdout);
}

}  // namespace zentrik::cli
