// Helpers of the colour tests: an event recorder, a scratch folder, 24-bit pixel buffers that
// the octree reads through a byte view, and a scripted message box answer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "zentrik/colour/PaletteEntry.h"
#include "zentrik/colour/ProgressEvents.h"
#include "zentrik/platform/byte_view.h"
#include "zentrik/platform/message_box.h"

namespace zentrik::testing {

// Every event as a letter (I, P, C) and its value, in the order raised.
class EventRecorder : public ProgressEvents {
 public:
  struct Event {
    char kind;
    Long value;
    friend bool operator==(const Event&, const Event&) = default;
  };
  void InitProgress(Long lMax) override { events.push_back({'I', lMax}); }
  void Progress(Long lPosition) override { events.push_back({'P', lPosition}); }
  void Complete(Long lTimeMs) override { events.push_back({'C', lTimeMs}); }
  // The events without the elapsed time of Complete, which varies.
  std::vector<Event> Shape() const {
    std::vector<Event> shape = events;
    for (Event& e : shape)
      if (e.kind == 'C') e.value = 0;
    return shape;
  }
  std::vector<Event> events;
};

// A folder of its own under the system's temporary folder, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

// A bottom-up 24-bit pixel buffer (blue, green, red) with rows padded to 4 bytes.
class PixelBuffer {
 public:
  PixelBuffer(Long width, Long height)
      : width_(width),
        height_(height),
        stride_((3 * width + 3) / 4 * 4),
        bytes_(static_cast<std::size_t>(stride_) * static_cast<std::size_t>(height)) {}
  // Pixel x of row y in memory order.
  void Set(Long x, Long y, Byte red, Byte green, Byte blue) {
    Byte* p = bytes_.data() + y * stride_ + 3 * x;
    p[0] = blue;
    p[1] = green;
    p[2] = red;
  }
  ConstByteView View() const { return ConstByteView(bytes_.data(), stride_, height_); }
  Long Width() const { return width_; }
  Long Height() const { return height_; }

 private:
  Long width_, height_, stride_;
  std::vector<Byte> bytes_;
};

// Installs a ScriptedPresenter for the life of the object and puts back the previous one.
class ScriptedBoxes {
 public:
  ScriptedBoxes();
  ~ScriptedBoxes();
  ScriptedPresenter& operator*() { return *presenter_; }
  ScriptedPresenter* operator->() { return presenter_.get(); }

 private:
  std::shared_ptr<ScriptedPresenter> presenter_;
  std::shared_ptr<Presenter> previous_;
};

inline PaletteEntry Rgb(Byte red, Byte green, Byte blue) {
  return PaletteEntry{red, green, blue, 0};
}

}  // namespace zentrik::testing
