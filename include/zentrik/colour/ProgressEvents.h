// The progress events of the imaging classes: InitProgress (maximum), Progress (position),
// Complete (elapsed milliseconds), raised synchronously to one sink that the caller attaches.
#pragma once

#include "zentrik/platform/automation.h"

namespace zentrik {

class ProgressEvents {
 public:
  virtual ~ProgressEvents() = default;
  virtual void InitProgress(Long /*lMax*/) {}
  virtual void Progress(Long /*lPosition*/) {}
  virtual void Complete(Long /*lTimeMs*/) {}
};

// The source side: holds the attached sink (or none) and raises to it.
class ProgressSource {
 public:
  void SetEventSink(ProgressEvents* sink) { sink_ = sink; }
  ProgressEvents* EventSink() const { return sink_; }

 protected:
  void RaiseInitProgress(Long max) const {
    if (sink_) sink_->InitProgress(max);
  }
  void RaiseProgress(Long position) const {
    if (sink_) sink_->Progress(position);
  }
  void RaiseComplete(Long ms) const {
    if (sink_) sink_->Complete(ms);
  }

 private:
  ProgressEvents* sink_ = nullptr;
};

}  // namespace zentrik
