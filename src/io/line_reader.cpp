#include "io/line_reader.h"

#include "io/fatal.h"
#include "io/message.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstring>

namespace tarvello {

/// The block is zeroed once, so the bytes a scan reads past a line are never unset.
LineReader::LineReader() : owned_(new char[byte_scan::kBlockRoom]()), buffer_(owned_.get()) {}

LineReader::~LineReader() {
  if (fd_ >= 0) {
    platform::close_descriptor(fd_); // only read from: nothing can be lost
  }
}

Cause LineReader::open(const char *path, ReadMode mode) {
  path_ = path;
  if (const int err = platform::open_for_reading(path, mode == ReadMode::no_wait, fd_); err != 0) {
    return Cause::system(err);
  }
  fill();
  return error_;
}

byte_scan::Padded LineReader::read_line_slowly() {
  for (;;) {
    const byte_scan::Padded rest = pending();
    const std::size_t lf = rest.text().find('\n');
    if (lf != std::string_view::npos) {
      const byte_scan::Padded line = rest.substr(0, line_size(rest.data(), lf));
      check_length(line);
      begin_ += lf + 1;
      ++line_number_;
      return line;
    }
    if (exhausted_ || rest.size() > kMaxLine + 1) {
      if (error_.failed()) {
        throw ReadFailure(message::cannot("read", path_, error_));
      }
      check_length(rest);
      begin_ = end_;
      at_end_ = true;
      ++line_number_;
      return rest;
    }
    fill();
  }
}

void LineReader::check_length(std::string_view line) const {
  if (line.size() > kMaxLine) {
    throw Fatal(message::line_too_long(path_, line_number() + 1));
  }
}

long LineReader::breaks_before(std::uint64_t size) const {
  LineReader file;
  long breaks = 0;
  if (!file.open(path_, ReadMode::no_wait).failed()) {
    do {
      const std::string_view part = file.pending().substr(0, size);
      breaks += static_cast<long>(breaks_in(part));
      size -= part.size();
      file.begin_ = file.end_;
    } while (size > 0 && file.read_more());
  }
  return breaks;
}

bool LineReader::read_more() {
  if (exhausted_) {
    return false;
  }
  fill();
  return true;
}

Mark LineReader::mark() {
  while (pending().size() < kUtf8Mark.size() && read_more()) {
  }
  return mark_of(pending().substr(0, kUtf8Mark.size()));
}

void LineReader::fill() {
  offset_ += begin_;
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
