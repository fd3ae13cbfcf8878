// Test support for the capture component: a loop on a manual clock, a scripted driver that logs
// every call made on it, and a driver that delivers its frames from a thread of its own.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "zentrik/capture/CaptureDriver.h"
#include "zentrik/platform/gdi.h"
#include "zentrik/platform/message_loop.h"

namespace zentrik::testing {

// Every test starts from an empty loop on a manual clock at 0.
class LoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MessageLoop::instance().reset();
    clock_ = std::make_shared<ManualClock>();
    MessageLoop::instance().set_clock(clock_);
  }
  void TearDown() override {
    MessageLoop::instance().reset();
    MessageLoop::instance().set_clock(nullptr);
  }
  static MessageLoop& loop() { return MessageLoop::instance(); }
  std::shared_ptr<ManualClock> clock_;
};

// A frame filled with one colour.
inline void fill_frame(Frame& frame, ColorRef colour) {
  for (std::size_t i = 0; i < sizeof frame.pixels; i += 3) {
    frame.pixels[i] = GetBValue(colour);
    frame.pixels[i + 1] = GetGValue(colour);
    frame.pixels[i + 2] = GetRValue(colour);
  }
}

// The colour of the frame at (x, y), origin top left.
inline ColorRef frame_pixel(const Frame& frame, Long x, Long y) {
  const std::uint8_t* p = frame.pixels + (kFrameHeight - 1 - y) * kFrameStride + x * 3;
  return RGB(p[2], p[1], p[0]);
}

// A driver whose answers are scripted and whose calls are logged as "<name>.<call>".
class ScriptedDriver : public CaptureDriver {
 public:
  struct Script {
    std::string name = "scripted";
    bool open_ok = true;
    bool start_ok = true;
    double rate = 30.0;
    std::deque<FrameStatus> statuses;  // answers of next_frame, then Ok for ever
    std::deque<double> times;          // time stamps of the frames, then none
    std::string error = "scripted failure";
  };
  ScriptedDriver(Script script, std::shared_ptr<std::vector<std::string>> log)
      : script_(std::move(script)), log_(std::move(log)) {}

  std::string description() const override { return script_.name; }
  std::string version() const override { return "1.0"; }
  bool open() override {
    note("open");
    return script_.open_ok;
  }
  void close() override { note("close"); }
  bool start() override {
    note("start");
    return script_.start_ok;
  }
  void stop() override { note("stop"); }
  FrameStatus next_frame(Frame& frame) override {
    FrameStatus status = FrameStatus::Ok;
    if (!script_.statuses.empty()) {
      status = script_.statuses.front();
      script_.statuses.pop_front();
    }
    if (status == FrameStatus::Ok) {
      frame.index = next_++;
      fill_frame(frame, RGB(static_cast<Byte>(frame.index * 10), 0, 0));
      if (!script_.times.empty()) {
        frame.time = script_.times.front();
        script_.times.pop_front();
      }
    }
    return status;
  }
  double frame_rate() const override { return script_.rate; }
  std::string error() const override { return script_.error; }

 private:
  void note(const char* call) { log_->push_back(script_.name + "." + call); }
  Script script_;
  std::shared_ptr<std::vector<std::string>> log_;
  std::int64_t next_ = 0;
};

// A driver that produces `count` frames on its own thread once started, announcing each through
// the component's notifier; join() waits for the thread.
class ThreadedDriver : public CaptureDriver {
 public:
  explicit ThreadedDriver(int count) : count_(count) {}
  ~ThreadedDriver() override { join(); }

  std::string description() const override { return "threaded"; }
  std::string version() const override { return "1.0"; }
  bool open() override { return true; }
  void close() override { join(); }
  bool set_frame_notifier(FrameNotifier notify) override {
    notify_ = std::move(notify);
    return true;
  }
  bool start() override {
    thread_ = std::thread([this] {
      for (int i = 0; i < count_; ++i) {
        {
          std::lock_guard lock(mutex_);
          ready_.push_back(i);
        }
        notify_();
      }
    });
    return true;
  }
  void stop() override { join(); }
  FrameStatus next_frame(Frame& frame) override {
    std::lock_guard lock(mutex_);
    if (ready_.empty()) return FrameStatus::Again;
    frame.index = ready_.front();
    ready_.pop_front();
    fill_frame(frame, RGB(0, 0, static_cast<Byte>(frame.index)));
    return FrameStatus::Ok;
  }
  double frame_rate() const override { return 30.0; }
  std::string error() const override { return {}; }
  void join() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  int count_;
  FrameNotifier notify_;
  std::thread thread_;
  std::mutex mutex_;
  std::deque<int> ready_;
};

}  // namespace zentrik::testing
