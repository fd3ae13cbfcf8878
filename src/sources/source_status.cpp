// One line of text for the state of a real source.
#include <cstdio>

#include "zentrik/sources/SourceStatus.h"

namespace zentrik {
namespace {

std::string seconds_text(std::chrono::milliseconds pause) {
  char text[32];
  std::snprintf(text, sizeof text, "%g s", static_cast<double>(pause.count()) / 1000.0);
  return text;
}

}  // namespace

std::string describe(const SourceStatus& status) {
  const std::string because = status.reason.empty() ? "" : " (" + status.reason + ")";
  switch (status.state) {
    case SourceState::Closed:
      return status.source + ": closed";
    case SourceState::Connecting:
      return status.source + ": connecting";
    case SourceState::Running:
      return status.source + ": running";
    case SourceState::Retrying: {
      std::string text = status.source + ": dropped" + because + "; reconnecting in " +
                         seconds_text(status.retry_in) + ", attempt " +
                         std::to_string(status.attempt);
      if (status.max_attempts >= 0) text += " of " + std::to_string(status.max_attempts);
      return text;
    }
    case SourceState::Ended:
      return status.source + ": ended";
    case SourceState::Failed:
      return status.source + ": lost" + because;
  }
  return status.source;
}

}  // namespace zentrik
