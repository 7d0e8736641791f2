#include "driver/out_buffer.h"

#include "driver/fatal.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <ostream>

namespace tarvello {

void FileSink::create(const char *path) {
  path_ = path;
  errno = 0;
  file_ = std::fopen(path, "wb");
  if (file_ == nullptr) {
    throw Fatal(std::string("cannot create ") + path + ": " + describe_error(open_failure(path)));
  }
  // OutBuffer already blocks the output; a second buffer would hide errors until close.
  std::setvbuf(file_, nullptr, _IONBF, 0);
}

FileSink::~FileSink() {
  if (file_ != nullptr) {
    std::fclose(file_);
  }
}

void FileSink::write(std::string_view bytes) {
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    throw Fatal(std::string("cannot write ") + path_ + ": " + describe_error(last_error()));
  }
}

void FileSink::close() {
  if (file_ == nullptr) {
    return;
  }
  std::FILE *file = file_;
  file_ = nullptr;
  errno = 0;
  if (std::fclose(file) != 0) {
    throw Fatal(std::string("cannot write ") + path_ + ": " + describe_error(last_error()));
  }
}

void StreamSink::write(std::string_view bytes) {
  stream_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!stream_) {
    throw Fatal("cannot write standard output");
  }
}

OutBuffer::~OutBuffer() {
  try {
    flush();
  } catch (const Fatal &) {
    // The run is ending with an error already; this one would only repeat it.
  }
}

void OutBuffer::put(std::string_view text) {
  if (text.empty()) {
    return;
  }
  if (text.size() > buffer_.size() - used_) {
    flush();
    if (text.size() > buffer_.size()) {
      sink_.write(text);
      return;
    }
  }
  std::memcpy(buffer_.data() + used_, text.data(), text.size());
  used_ += text.size();
}

void OutBuffer::put_number(std::int64_t number) {
  std::array<char, 24> digits{};
  const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), number);
  put(std::string_view(digits.data(), static_cast<std::size_t>(result.ptr - digits.data())));
}

void OutBuffer::flush() {
  const std::size_t used = used_;
  used_ = 0; // a failed block is not offered again
  if (used > 0) {
    sink_.write(std::string_view(buffer_.data(), used));
  }
}

} // namespace tarvello
