#pragma once

#include "io/byte_scan.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace tarvello {

/// Where an OutBuffer's blocks go. write() throws Fatal when they are lost.
class Sink {
public:
  Sink() = default;
  Sink(const Sink &) = delete;
  Sink &operator=(const Sink &) = delete;
  virtual ~Sink() = default;
  virtual void write(std::string_view bytes) = 0;
};

/// A console descriptor, written as bytes through the platform.
class DescriptorSink : public Sink {
public:
  /// Writes to `fd`, which stays open, naming it `name` in errors.
  DescriptorSink(int fd, const char *name) : fd_(fd), name_(name) {}
  void write(std::string_view bytes) override;

private:
  int fd_;
  const char *name_;
};

/// Keeps what it is given, for tests, the fuzzer and the benchmarks.
class TextSink : public Sink {
public:
  void write(std::string_view bytes) override { text.append(bytes); }
  std::string text;
};

/// Collects output in one large block and hands it to its sink only when the
/// block is full or on flush(), so a line costs a memcpy, not a system call.
class OutBuffer {
public:
  explicit OutBuffer(Sink &sink) : sink_(sink), buffer_(new char[byte_scan::kBlockRoom]) {}
  /// Hands over what is left, ignoring failure: an error is already on its way.
  ~OutBuffer();
  OutBuffer(const OutBuffer &) = delete;
  OutBuffer &operator=(const OutBuffer &) = delete;

  /// Adds `text`; inline, as a line costs a few of these.
  void put(std::string_view text) {
    if (text.size() > kSize - used_) {
      put_long(text);
      return;
    }
    std::copy(text.begin(), text.end(), buffer_.get() + used_); // empty text too
    used_ += text.size();
  }
  /// Adds `text`, copied a vector at a time, with no size to sort.
  void put_padded(byte_scan::Padded text) {
    if (text.size() > kSize - used_) {
      put_long(text);
      return;
    }
    char *const to = buffer_.get() + used_;
    std::memcpy(to, text.data(), byte_scan::kWidth); // what is too much lands in the room past used_
    for (std::size_t i = byte_scan::kWidth; i < text.size(); i += byte_scan::kWidth) {
      std::memcpy(to + i, text.data() + i, byte_scan::kWidth);
    }
    used_ += text.size();
  }
  /// Adds `number` in decimal; inline, as most lines the rules change end in one.
  void put_number(std::int32_t number) {
    constexpr std::size_t kLongest = 11; // "-2147483648"
    if (kSize - used_ < kLongest) {
      flush();
    }
    char *const at = buffer_.get() + used_;
    used_ = static_cast<std::size_t>(std::to_chars(at, at + kLongest, number).ptr - buffer_.get());
  }
  /// Ends a listing line, which is always CR LF.
  void end_line() { put("\r\n"); }
  void flush();

private:
  void put_long(std::string_view text);
  static constexpr std::size_t kSize = byte_scan::kBlock;
  Sink &sink_;
  std::size_t used_ = 0;
  std::unique_ptr<char[]> buffer_; ///< on the heap: the stack may be small
};

} // namespace tarvello
