#include "io/out_buffer.h"

#include "io/fatal.h"
#include "io/message.h"
#include "platform/platform.h"

#include <charconv>
#include <cstring>

namespace tarvello {

namespace {
[[noreturn]] void lost(const char *name, int err) {
  throw Fatal(message::cannot("write", name, Cause::system(err)));
}
} // namespace

void FileSink::create(const char *path) {
  name_ = path;
  if (const int err = platform::create_for_writing(path, fd_); err != 0) {
    throw Fatal(message::cannot("create", path, Cause::system(err)));
  }
  owned_ = true;
}

FileSink::~FileSink() {
  if (owned_) {
    platform::close_descriptor(fd_); // only reached after an error, which is reported already
  }
}

void FileSink::write(std::string_view bytes) {
  if (const int err = platform::write_all(fd_, bytes); err != 0) {
    lost(name_, err);
  }
}

void FileSink::close() {
  if (!owned_) {
    return;
  }
  owned_ = false;
  if (const int err = platform::close_descriptor(fd_); err != 0) {
    lost(name_, err);
  }
}

OutBuffer::~OutBuffer() {
  try {
    flush();
  } catch (const Fatal &) {
    // The run is ending with an error already; this one would only repeat it.
  }
}

void OutBuffer::put_long(std::string_view text) {
  flush();
  if (text.size() > buffer_.size()) {
    sink_.write(text);
    return;
  }
  std::memcpy(buffer_.data(), text.data(), text.size());
  used_ = text.size();
}

void OutBuffer::put_number(std::int64_t number) {
  constexpr std::size_t kLongest = 20; // "-9223372036854775808"
  if (buffer_.size() - used_ < kLongest) {
    flush();
  }
  const auto result = std::to_chars(buffer_.data() + used_, buffer_.data() + buffer_.size(), number);
  used_ = static_cast<std::size_t>(result.ptr - buffer_.data());
}

void OutBuffer::flush() {
  const std::size_t used = used_;
  used_ = 0; // a failed block is not offered again
  if (used > 0) {
    sink_.write(std::string_view(buffer_.data(), used));
  }
}

} // namespace tarvello
