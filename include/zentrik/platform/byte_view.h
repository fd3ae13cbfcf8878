// A non-owning two-dimensional view over image bytes: first index the byte offset within a row,
// second the row, rows `stride` bytes apart in memory order. Laid over bits without copying.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <span>

namespace zentrik {

template <typename T>
class BasicByteView {
 public:
  BasicByteView() = default;
  BasicByteView(T* bits, std::ptrdiff_t stride, std::ptrdiff_t rows)
      : bits_(bits), stride_(stride), rows_(rows) {}

  T& operator()(std::ptrdiff_t offset, std::ptrdiff_t row) const {
    assert(offset >= 0 && offset < stride_ && row >= 0 && row < rows_);
    return bits_[row * stride_ + offset];
  }
  std::span<T> row(std::ptrdiff_t r) const {
    assert(r >= 0 && r < rows_);
    return {bits_ + r * stride_, static_cast<std::size_t>(stride_)};
  }
  T* data() const { return bits_; }
  std::ptrdiff_t stride() const { return stride_; }
  std::ptrdiff_t rows() const { return rows_; }
  bool empty() const { return bits_ == nullptr; }

 private:
  T* bits_ = nullptr;
  std::ptrdiff_t stride_ = 0;
  std::ptrdiff_t rows_ = 0;
};

using ByteView = BasicByteView<std::uint8_t>;
using ConstByteView = BasicByteView<const std::uint8_t>;

}  // namespace zentrik
