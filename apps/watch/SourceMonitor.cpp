#include "watch/SourceMonitor.h"

#include <cstdio>
#include <memory>

#include "zentrik/platform/message_loop.h"

namespace zentrik::cli {
namespace {

void post_line(std::string line) {
  MessageLoop::instance().post(
      [line = std::move(line)] { std::fprintf(stderr, "zentrik watch: %s\n", line.c_str()); });
}

}  // namespace

MediaSourceOptions monitored_source_options(std::optional<int> retries) {
  MediaSourceOptions options;
  if (retries) options.retry.max_attempts = *retries;
  // The attempts of the reconnection under way; the reader thread alone touches it. A loss is
  // not said here: the capture component reports it as the source's failure.
  auto attempts = std::make_shared<int>(0);
  options.on_status = [attempts](const SourceStatus& status) {
    if (status.state == SourceState::Retrying) {
      *attempts = status.attempt;
      post_line(describe(status));
    } else if (status.state == SourceState::Running && *attempts > 0) {
      post_line(status.source + ": reconnected after " + std::to_string(*attempts) +
                (*attempts == 1 ? " attempt" : " attempts"));
      *attempts = 0;
    }
  };
  return options;
}

}  // namespace zentrik::cli
