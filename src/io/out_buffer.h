#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
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

/// A file or a console descriptor, written as bytes through the platform.
class FileSink : public Sink {
public:
  FileSink() = default;
  /// Writes to `fd`, which stays open, naming it `name` in errors.
  FileSink(int fd, const char *name) : fd_(fd), name_(name) {}
  ~FileSink() override;
  /// Creates or empties `path`; throws Fatal when it cannot.
  void create(const char *path);
  void write(std::string_view bytes) override;
  /// Closes a created file and throws Fatal when the close reports a lost write.
  void close();

private:
  int fd_ = -1;
  const char *name_ = "";
  bool owned_ = false;
};

/// Collects output in one large block and hands it to its sink only when the
/// block is full or on flush(), so a line costs a memcpy, not a system call.
class OutBuffer {
public:
  explicit OutBuffer(Sink &sink) : sink_(sink) {}
  /// Hands over what is left, ignoring failure: an error is already on its way.
  ~OutBuffer();
  OutBuffer(const OutBuffer &) = delete;
  OutBuffer &operator=(const OutBuffer &) = delete;

  /// Adds `text`; inline, as a line costs a few of these.
  void put(std::string_view text) {
    if (text.size() <= buffer_.size() - used_) {
      std::copy(text.begin(), text.end(),
                buffer_.begin() + static_cast<std::ptrdiff_t>(used_)); // empty text too
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

  Sink &sink_;
  std::size_t used_ = 0;
  std::array<char, std::size_t{64} * 1024> buffer_{};
};

} // namespace tarvello
