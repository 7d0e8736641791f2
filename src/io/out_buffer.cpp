#include "io/out_buffer.h"

#include "io/fatal.h"
#include "io/message.h"
#include "platform/platform.h"

#include <charconv>
#include <cstring>
#include <exception>

namespace tarvello {

void DescriptorSink::write(std::string_view bytes) {
  if (const int err = platform::write_all(fd_, bytes); err != 0) {
    throw Fatal(message::cannot("write", name_, Cause::system(err)));
  }
}

OutBuffer::~OutBuffer() {
  try {
    flush();
  } catch (const std::exception &) {
    // The run is ending with an error already; this one would only repeat it.
  }
}

void OutBuffer::put_long(std::string_view text) {
  flush();
  if (text.size() > kSize) {
    sink_.write(text);
    return;
  }
  std::memcpy(buffer_.get(), text.data(), text.size());
  used_ = text.size();
}

void OutBuffer::put_number(std::int64_t number) {
  constexpr std::size_t kLongest = 20; // "-9223372036854775808"
  if (kSize - used_ < kLongest) {
    flush();
  }
  const auto result = std::to_chars(buffer_.get() + used_, buffer_.get() + kSize, number);
  used_ = static_cast<std::size_t>(result.ptr - buffer_.get());
}

void OutBuffer::flush() {
  const std::size_t used = used_;
  used_ = 0; // a failed block is not offered again
  if (used > 0) {
    sink_.write(std::string_view(buffer_.get(), used));
  }
}

} // namespace tarvello
