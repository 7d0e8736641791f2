#include "io/out_buffer.h"

#include "io/fatal.h"
#include "io/message.h"
#include "platform/platform.h"

#include <array>
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

namespace {

/// "00" to "99", for two digits a step.
constexpr std::array<char, 200> kTwoDigits = [] {
  std::array<char, 200> digits{};
  for (std::size_t i = 0; i < 100; ++i) {
    digits[2 * i] = static_cast<char>('0' + i / 10);
    digits[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return digits;
}();

} // namespace

void OutBuffer::put_number(std::int32_t number) {
  constexpr std::size_t kLongest = 11; // "-2147483648"
  if (kSize - used_ < kLongest) {
    flush();
  }
  char digits[20]; // written from the tenth place down, then copied ten at once
  char *first = digits + 10;
  std::uint32_t rest =
      number < 0 ? 0U - static_cast<std::uint32_t>(number) : static_cast<std::uint32_t>(number);
  for (; rest >= 100; rest /= 100) {
    first -= 2;
    std::memcpy(first, &kTwoDigits[std::size_t{2} * (rest % 100)], 2);
  }
  first -= 2;
  std::memcpy(first, &kTwoDigits[std::size_t{2} * rest], 2);
  first += rest < 10 ? 1 : 0; // "07" is 7
  char *at = buffer_.get() + used_;
  *at = '-';
  at += number < 0 ? 1 : 0;
  std::memcpy(at, first, 10);
  used_ = static_cast<std::size_t>(at - buffer_.get()) + static_cast<std::size_t>(digits + 10 - first);
}

void OutBuffer::flush() {
  const std::size_t used = used_;
  used_ = 0; // a failed block is not offered again
  if (used > 0) {
    sink_.write(std::string_view(buffer_.get(), used));
  }
}

} // namespace tarvello
