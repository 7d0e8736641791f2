#pragma once

#include "platform/platform.h"

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

/// A file or a console descriptor, written as bytes through the platform.
///
/// An output file is taken in steps, so that nothing is emptied before it is
/// known to be no input of the run: open() without emptying, then lock() and
/// empty() through the same descriptor, which no link swapped in later can
/// redirect. From empty() until close(), a run that fails or is stopped
/// leaves the file empty, never a part that could pass for a whole.
class FileSink : public Sink {
public:
  FileSink() = default;
  /// Writes to `fd`, which stays open, naming it `name` in errors.
  FileSink(int fd, const char *name) : fd_(fd), name_(name) {}
  /// Empties an output file that was emptied for the run and not closed.
  ~FileSink() override;

  /// Opens `path` for writing without emptying it, creating it when missing,
  /// also at the end of a link that leads nowhere. Throws Fatal.
  void open(const char *path);
  platform::FileId id() const { return platform::file_id(fd_); }
  /// Closes the file untouched, and removes it when open() created it.
  void give_up();
  /// Takes the lock that keeps other runs out. Throws Fatal, also when
  /// another run holds it, and then closes the file untouched.
  void lock();
  /// Empties the file for the run. Throws Fatal.
  void empty();
  void write(std::string_view bytes) override;
  /// Closes the finished file and throws Fatal when the close reports a lost write.
  void close();

private:
  void release();

  int fd_ = -1;
  const char *name_ = "";
  bool owned_ = false;
  bool emptied_ = false;
  std::string created_; ///< the path open() created, if it did
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
