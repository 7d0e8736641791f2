#include "io/out_buffer.h"

#include "io/fatal.h"
#include "io/message.h"
#include "platform/platform.h"

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

void OutBuffer::flush() {
  const std::size_t used = used_;
  used_ = 0; // a failed block is not offered again
  if (used > 0) {
    sink_.write(std::string_view(buffer_.get(), used));
  }
}

} // namespace tarvello
