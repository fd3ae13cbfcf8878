// A camera's pictures: the live JPEG (encoded at most once per frame), the processed picture as
// an exact bitmap, and snapshots asked for through save_picture.
#include <chrono>
#include <cstring>
#include <ctime>

#include "camera.h"
#include "zentrik/control/orvex.h"
#include "zentrik/imaging/JpegMemory.h"

namespace zentrik {
namespace {

constexpr int kPreviewQuality = 80;
constexpr std::size_t kPendingSnapshots = 16;
constexpr std::size_t kBitmapHeaders = 14 + 40;

void put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  out[at] = static_cast<std::uint8_t>(v);
  out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  put16(out, at, v & 0xFFFF);
  put16(out, at + 2, v >> 16);
}

// A 24-bit bottom-up bitmap file of the buffer, its rows as they are in memory.
std::vector<std::uint8_t> bitmap_file(const cDIBSection& dib) {
  const std::size_t stride = static_cast<std::size_t>(dib.BytesPerScanLine());
  const std::size_t size = stride * static_cast<std::size_t>(dib.Height());
  std::vector<std::uint8_t> out(kBitmapHeaders + size, 0);
  out[0] = 'B';
  out[1] = 'M';
  put32(out, 2, static_cast<std::uint32_t>(out.size()));
  put32(out, 10, kBitmapHeaders);
  put32(out, 14, 40);
  put32(out, 18, static_cast<std::uint32_t>(dib.Width()));
  put32(out, 22, static_cast<std::uint32_t>(dib.Height()));
  put16(out, 26, 1);
  put16(out, 28, 24);
  put32(out, 34, static_cast<std::uint32_t>(size));
  std::memcpy(out.data() + kBitmapHeaders, dib.DIBSectionBitsPtr(), size);
  return out;
}

std::string snapshot_name(std::uint64_t serial) {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[64];
  std::snprintf(text, sizeof text, "snap-%04d%02d%02d-%02d%02d%02d-%03d-%llu.jpg",
                utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min,
                utc.tm_sec, static_cast<int>(ms.count()), static_cast<unsigned long long>(serial));
  return text;
}

}  // namespace

JpegBytes Camera::live_jpeg() {
  if (!control_) return nullptr;
  const std::int64_t frame = control_->video().frames_delivered();
  if (live_cache_ && live_cache_frame_ == frame) return live_cache_;
  const PicturePtr picture = control_->picture(vbTrue);
  if (!picture || picture->Type() == Picture::Kind::None) return nullptr;
  picture_dib_.CreateFromPicture(*picture);
  auto bytes =
      std::make_shared<std::vector<std::uint8_t>>(jpeg_from_dib(picture_dib_, kPreviewQuality));
  if (bytes->empty()) return nullptr;
  live_cache_ = std::move(bytes);
  live_cache_frame_ = frame;
  return live_cache_;
}

std::vector<std::uint8_t> Camera::processed_bmp() {
  const PicturePtr picture = control_ ? control_->picture(vbFalse) : nullptr;
  if (!picture || picture->Type() == Picture::Kind::None) {
    throw ApiError(503, "camera " + id() + " has no processed picture yet");
  }
  picture_dib_.CreateFromPicture(*picture);
  if (picture_dib_.DIBSectionBitsPtr() == nullptr) {
    throw ApiError(503, "camera " + id() + ": the processed picture cannot be read");
  }
  return bitmap_file(picture_dib_);
}

std::string Camera::snapshot() {
  if (pending_snapshots_.size() >= kPendingSnapshots) {
    throw ApiError(429, "camera " + id() + " already has " + std::to_string(kPendingSnapshots) +
                            " snapshots waiting for a frame");
  }
  std::string name = snapshot_name(++snapshot_serial_);
  pending_snapshots_.push_back(snapshot_dir_ + "/" + name);
  hand_over_snapshot();
  return name;
}

// save_picture keeps one request until a frame serves it, so the host hands over the next one
// only when the previous one is gone.
void Camera::hand_over_snapshot() {
  if (pending_snapshots_.empty() || !control_->state().snapshot_file.empty()) return;
  std::string file = pending_snapshots_.front();
  pending_snapshots_.pop_front();
  Boolean truecolor = vbTrue;
  std::vector<Variant> args{Variant::ref(file), Variant::ref_boolean(truecolor)};
  invoke("save_picture", MemberKind::Method, args);
}

}  // namespace zentrik
