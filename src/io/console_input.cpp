#include "io/console_input.h"

#include "io/byte_order_mark.h"
#include "io/fatal.h"
#include "io/message.h"
#include "platform/platform.h"

#include <algorithm>

namespace tarvello {

int ConsoleInput::peek() {
  while (begin_ == end_ && !ended_) { // a mark alone leaves nothing yet
    begin_ = 0;
    end_ = read_more(buffer_.data(), buffer_.size());
    ended_ = end_ == 0; // once ended, a terminal's later input is not waited for
    if (!started_ && mark_of({buffer_.data(), end_}) == Mark::utf8) {
      begin_ = kUtf8Mark.size(); // as an editor saves an answers file
    }
    started_ = true;
  }
  return begin_ < end_ ? static_cast<unsigned char>(buffer_[begin_]) : -1;
}

int ConsoleInput::get() {
  const int c = peek();
  begin_ += c >= 0 ? 1 : 0;
  return c;
}

std::size_t DescriptorInput::read_more(char *data, std::size_t size) {
  const long got = platform::read_some(fd_, data, size);
  if (got < 0) {
    throw Fatal(message::cannot("read", "standard input", Cause::system(static_cast<int>(-got))));
  }
  return static_cast<std::size_t>(got);
}

std::size_t TextInput::read_more(char *data, std::size_t size) {
  const std::size_t n = std::min(size, text_.size());
  std::copy_n(text_.data(), n, data);
  text_.remove_prefix(n);
  return n;
}

} // namespace tarvello
