#pragma once
// Bounds-checked little-endian reader and its writing twin. Every read says whether it
// fitted; nothing reads outside the span.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace brevix {

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes, std::size_t offset = 0)
      : bytes_(bytes), offset_(offset) {}

  std::size_t Offset() const { return offset_; }
  std::size_t Remaining() const { return offset_ <= bytes_.size() ? bytes_.size() - offset_ : 0; }

  std::optional<std::uint32_t> U32() {
    if (Remaining() < 4) return std::nullopt;
    const std::uint8_t* p = bytes_.data() + offset_;
    offset_ += 4;
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
  }
  std::optional<std::uint16_t> U16() {
    if (Remaining() < 2) return std::nullopt;
    const std::uint8_t* p = bytes_.data() + offset_;
    offset_ += 2;
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
  }
  // A view of the next `count` bytes, or nullopt when fewer remain.
  std::optional<std::span<const std::uint8_t>> Take(std::size_t count) {
    if (Remaining() < count) return std::nullopt;
    auto view = bytes_.subspan(offset_, count);
    offset_ += count;
    return view;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t offset_;
};

class ByteWriter {
 public:
  void U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void U16(std::uint16_t v) {
    bytes_.push_back(static_cast<std::uint8_t>(v & 0xFF));
    bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void Append(std::span<const std::uint8_t> data) { bytes_.insert(bytes_.end(), data.begin(), data.end()); }
  std::size_t Size() const { return bytes_.size(); }
  std::vector<std::uint8_t>& Bytes() { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace brevix
