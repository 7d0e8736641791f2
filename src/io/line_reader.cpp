#include "io/line_reader.h"

#include "io/fatal.h"
#include "io/message.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstring>

namespace tarvello {

LineReader::LineReader() : owned_(new char[kBlock]), buffer_(owned_.get()) {}

LineReader::~LineReader() {
  if (fd_ >= 0) {
    platform::close_descriptor(fd_); // only read from: nothing can be lost
  }
}

Cause LineReader::open(const char *path, ReadMode mode) {
  path_ = path;
  if (const int err = platform::open_for_reading(path, mode == ReadMode::table, fd_); err != 0) {
    return Cause::system(err);
  }
  fill();
  return error_;
}

std::string_view LineReader::read_line_slowly() {
  for (;;) {
    std::string_view rest(buffer_ + begin_, end_ - begin_);
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
      if (error_.failed()) {
        throw ReadFailure(message::cannot("read", path_, error_));
      }
      begin_ = end_;
      at_end_ = true;
      return take(rest);
    }
    fill();
  }
}

void LineReader::skip_lines(std::size_t size) {
  if (uncounted_end_ != begin_) { // lines were taken since the last skip
    count_skipped();
    uncounted_ = begin_;
  }
  begin_ += size;
  uncounted_end_ = begin_;
}

long LineReader::line_number() const {
  return line_number_ + static_cast<long>(std::count(buffer_ + uncounted_, buffer_ + uncounted_end_, '\n'));
}

void LineReader::count_skipped() {
  line_number_ = line_number();
  uncounted_ = uncounted_end_ = 0;
}

bool LineReader::read_more() {
  if (exhausted_) {
    return false;
  }
  fill();
  return true;
}

std::string_view LineReader::start(std::size_t size) {
  while (pending().size() < size && read_more()) {
  }
  return pending().substr(0, size);
}

std::string_view LineReader::take(std::string_view line) {
  if (line.size() > kMaxLine) {
    throw Fatal(message::line_too_long(path_, line_number() + 1));
  }
  ++line_number_;
  return line;
}

void LineReader::fill() {
  count_skipped(); // the block moves
  std::memmove(buffer_, buffer_ + begin_, end_ - begin_);
  end_ -= begin_;
  begin_ = 0;
  if (fd_ < 0 || exhausted_) {
    exhausted_ = true;
    return;
  }
  const long got = platform::read_some(fd_, buffer_ + end_, kBlock - end_);
  if (got < 0) {
    exhausted_ = true;
    error_ = Cause::system(static_cast<int>(-got));
    return;
  }
  end_ += static_cast<std::size_t>(got);
  exhausted_ = got == 0;
}

} // namespace tarvello
