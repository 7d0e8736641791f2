#pragma once

#include "io/byte_order_mark.h"
#include "io/byte_scan.h"
#include "io/message.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

namespace tarvello {

/// The longest line a listing or table may hold, without its line break.
constexpr std::size_t kMaxLine = 999;

/// How a file is opened. Either is read until a read finds nothing more: a
/// short read is no end, as some file systems give them anywhere.
enum class ReadMode {
  may_wait, ///< the listing, which may be a pipe whose writer has yet to come
  no_wait,  ///< a table checked to be a regular file: the open never waits
};

using byte_scan::kBlock;

/// The line breaks in `text`, as a line's number is counted where one is named.
inline std::int64_t breaks_in(std::string_view text) {
  return static_cast<std::int64_t>(std::count(text.begin(), text.end(), '\n'));
}

/// The size of a line whose LF stands `lf` bytes after `begin`: a CR right
/// before the LF is no part of it, and any other CR is.
constexpr std::size_t line_size(const char *begin, std::size_t lf) {
  return lf > 0 && begin[lf - 1] == '\r' ? lf - 1 : lf;
}

/// Reads a CR LF text file line by line through one large block, so a line
/// costs a vector search and no allocation. A line ends at LF; a CR directly
/// before that LF is dropped, any other CR belongs to the line. The block
/// has room past its end, so every line it gives is Padded.
class LineReader {
public:
  /// A reader with a block of its own, on the heap, not the stack.
  LineReader();
  /// A reader that reads through `block`, byte_scan::kBlockRoom bytes that
  /// outlive it, so a reader made for each lookup allocates nothing.
  explicit LineReader(char *block) : buffer_(block) {}
  ~LineReader();
  LineReader(const LineReader &) = delete;
  LineReader &operator=(const LineReader &) = delete;

  /// Opens `path` and reads its first block, so a directory fails here too.
  /// Returns why it cannot, or no failure.
  Cause open(const char *path, ReadMode mode = ReadMode::may_wait);

  /// The next line, valid until the next call. At the end of the file it
  /// yields the rest (possibly empty) and sets the end state. Throws Fatal for
  /// a line over kMaxLine characters and ReadFailure for a failed read.
  byte_scan::Padded read_line() {
    // The usual line lies whole in the block and is short enough: inline.
    const char *const begin = buffer_ + begin_;
    const void *const found = std::memchr(begin, '\n', std::min(end_ - begin_, kMaxLine + 1));
    if (found == nullptr) {
      return read_line_slowly();
    }
    const auto lf = static_cast<std::size_t>(static_cast<const char *>(found) - begin);
    begin_ += lf + 1;
    ++line_number_;
    return byte_scan::Padded::with_room_after({begin, line_size(begin, lf)});
  }

  /// What has been read but not yet taken as lines, valid until the next
  /// call. A scan may search it whole rather than line by line.
  byte_scan::Padded pending() const {
    return byte_scan::Padded::with_room_after({buffer_ + begin_, end_ - begin_});
  }
  /// Takes the first `size` pending bytes, whole lines or the mark before the first, as read.
  /// They are not counted: a line number asked for later counts the file's
  /// line breaks from its start, so a scan that errs nowhere counts nothing.
  void skip_bytes(std::size_t size) {
    begin_ += size;
    skipped_ = true;
  }
  /// Reads more after what is pending. False when nothing more can come: the
  /// file's end, or a failed read, which the next read_line reports.
  bool read_more();
  /// The byte-order mark the file begins with; before any line is taken.
  Mark mark();
  /// Skips a UTF-8 mark, which is no part of the first line; after mark().
  void skip_mark() { skip_bytes(kUtf8Mark.size()); }
  /// Why a read failed, if one did.
  const Cause &failure() const { return error_; }

  bool at_end() const { return at_end_; }
  /// The number of lines read so far, counting from 1.
  long line_number() const { return skipped_ ? breaks_before(offset_ + begin_) : line_number_; }
  const char *path() const { return path_; }
  platform::FileId id() const { return platform::file_id(fd_); }
  /// The file's size and time now; unknown for a pipe.
  platform::Stamp stamp() const { return platform::stamp_of(fd_); }

private:
  /// read_line for a line that needs more of the file, ends it, or is too long.
  byte_scan::Padded read_line_slowly();
  void fill();
  /// Refuses `line`, which is to be taken next, if it has over kMaxLine characters.
  void check_length(std::string_view line) const;
  /// The line breaks in the file's first `size` bytes, read again from its start.
  long breaks_before(std::uint64_t size) const;

  std::unique_ptr<char[]> owned_; ///< the block, when the reader has its own
  char *buffer_;                  ///< left uninitialised: a lookup opens a reader each time
  int fd_ = -1;
  const char *path_ = "";
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool exhausted_ = false;
  bool at_end_ = false;
  Cause error_;
  long line_number_ = 0;     ///< lines taken, while none is skipped
  bool skipped_ = false;     ///< lines were skipped, and not counted
  std::uint64_t offset_ = 0; ///< where in the file the block begins
};

} // namespace tarvello
