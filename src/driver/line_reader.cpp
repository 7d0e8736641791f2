#include "driver/line_reader.h"

#include "driver/fatal.h"

#include <cerrno>
#include <cstring>

namespace tarvello {

LineReader::~LineReader() {
  if (file_ != nullptr) {
    std::fclose(file_);
  }
}

int LineReader::open(const char *path) {
  path_ = path;
  errno = 0;
  file_ = std::fopen(path, "rb");
  if (file_ == nullptr) {
    return open_failure(path);
  }
  // Reads go straight into our block; a stdio buffer would only copy twice.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  fill();
  return error_;
}

std::string_view LineReader::read_line() {
  for (;;) {
    std::string_view rest(buffer_.data() + begin_, end_ - begin_);
    const std::size_t lf = rest.find('\n');
    if (lf != std::string_view::npos) {
      begin_ += lf + 1;
      std::string_view line = rest.substr(0, lf);
      if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
      }
      return take(line);
    }
    if (exhausted_ || rest.size() > kMaxLine + 1) {
      if (error_ != 0) {
        throw ReadFailure(std::string("cannot read ") + path_ + ": " + describe_error(error_));
      }
      begin_ = end_;
      at_end_ = true;
      return take(rest);
    }
    fill();
  }
}

std::string_view LineReader::take(std::string_view line) {
  if (line.size() > kMaxLine) {
    throw Fatal(std::string(path_) + ":" + std::to_string(line_number_ + 1) +
                ": line longer than 999 characters");
  }
  ++line_number_;
  return line;
}

void LineReader::fill() {
  std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
  end_ -= begin_;
  begin_ = 0;
  if (file_ == nullptr || exhausted_) {
    exhausted_ = true;
    return;
  }
  const std::size_t want = buffer_.size() - end_;
  errno = 0;
  const std::size_t got = std::fread(buffer_.data() + end_, 1, want, file_);
  end_ += got;
  if (got < want) {
    exhausted_ = true;
    if (std::ferror(file_) != 0) {
      error_ = last_error();
    }
  }
}

} // namespace tarvello
