// The steady filter as a capture driver around another one.
#include "zentrik/filters/SteadyDriver.h"

#include "SteadyFilter.h"

namespace zentrik {

SteadyDriver::SteadyDriver(std::unique_ptr<CaptureDriver> inner, SteadySettings settings)
    : inner_(std::move(inner)), filter_(std::make_unique<SteadyFilter>(settings)) {}

SteadyDriver::~SteadyDriver() = default;

bool SteadyDriver::open() {
  filter_->reset();  // a new source: its first picture passes as it is
  return inner_->open();
}

bool SteadyDriver::start() {
  return inner_->start();
}

FrameStatus SteadyDriver::next_frame(Frame& frame) {
  const FrameStatus status = inner_->next_frame(frame);
  if (status == FrameStatus::Ok) filter_->apply(frame);
  return status;
}

void make_steady(DriverRegistry& drivers, const SteadySettings& settings) {
  std::vector<DriverRegistry::Entry> entries;
  for (Long i = 0; const DriverRegistry::Entry* entry = drivers.at(i); ++i)
    entries.push_back(*entry);
  drivers.clear();
  for (DriverRegistry::Entry& entry : entries) {
    entry.make = [make = std::move(entry.make), settings]() -> std::unique_ptr<CaptureDriver> {
      std::unique_ptr<CaptureDriver> inner = make ? make() : nullptr;
      if (!inner) return nullptr;
      return std::make_unique<SteadyDriver>(std::move(inner), settings);
    };
    drivers.add(std::move(entry));
  }
}

}  // namespace zentrik
