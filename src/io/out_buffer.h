#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
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

/// Collects output in one large block and hands it to its sink only when the
/// block is full or on flush(), so a line costs a memcpy, not a system call.
class OutBuffer {
public:
  explicit OutBuffer(Sink &sink) : sink_(sink), buffer_(new char[kSize]) {}
  /// Hands over what is left, ignoring failure: an error is already on its way.
  ~OutBuffer();
  OutBuffer(const OutBuffer &) = delete;
  OutBuffer &operator=(const OutBuffer &) = delete;

  /// Adds `text`; inline, as a line costs a few of these.
  void put(std::string_view text) {
    if (text.size() <= kSize - used_) {
      std::copy(text.begin(), text.end(), buffer_.get() + used_); // empty text too
      used_ += text.size();
    } else {
      put_long(text);
    }
  }
  /// Adds `number` in decimal, written in place.
  void put_number(std::int64_t number);
  /// Ends a listing line, which is always CR LF.
  void end_line() { put("\r\n"); }
  void flush();

private:
  void put_long(std::string_view text);

  static constexpr std::size_t kSize = std::size_t{64} * 1024;
  Sink &sink_;
  std::size_t used_ = 0;
  std::unique_ptr<char[]> buffer_; ///< on the heap: the stack may be small
};

} // namespace tarvello
