#pragma once

#include "io/out_buffer.h"
#include "platform/platform.h"

#include <iosfwd>
#include <string>
#include <string_view>

namespace tarvello {

/// The run's output, written into a new file of its own beside the target and
/// put in the target's place by a rename only when it is whole. The target is
/// never opened, so no link, second route or shared name leads a write
/// anywhere else, and whatever stops the run leaves the target empty or whole.
///
/// The new file is open to this user alone until it is whole. Where the file
/// system can hold a file with no name, it has none until then, so nothing
/// ever leaves it behind; elsewhere it is "TARGET.RANDOM.part", which only
/// SIGKILL, a crash or a loss of power leave behind.
class OutputFile : public Sink {
public:
  /// `target` is a name in the working folder; a new file that cannot be
  /// removed is a warning on `warnings`.
  OutputFile(const char *target, std::ostream &warnings) : target_(target), warnings_(warnings) {}
  /// Abandons a new file that was not put in place: closed and removed.
  ~OutputFile() override;
  OutputFile(const OutputFile &) = delete;
  OutputFile &operator=(const OutputFile &) = delete;

  /// Puts an empty file of the run's own in the target's place, carrying
  /// over what the platform keeps of `old`, what stands there now. Throws
  /// Fatal, with the target as it was, unless the message says it is empty.
  void empty_target(const platform::NameFacts &old);
  /// Makes the new file that write() fills. Throws Fatal.
  void start();
  void write(std::string_view bytes) override;
  /// Puts the new file, synced and closed, in the target's place, and makes
  /// the folder's new name last. Throws Fatal, and the target stays empty
  /// unless the message says otherwise.
  void commit();

private:
  /// What the target holds now, as a failure's message says.
  enum class Stage { untouched, emptied, replaced };

  void put_in_place();
  void carry_over();
  /// Finds a free name for the new file: `link` gives the unnamed one a name, else one is made.
  void take_name(bool link);
  void close();
  [[noreturn]] void fail(std::string_view verb, int err);
  [[noreturn]] void fail_with(const std::string &text);
  void abandon() noexcept;

  const char *target_;
  std::ostream &warnings_;
  platform::NameFacts old_;
  std::string path_; ///< the new file's name, while it has one
  int fd_ = -1;
  Stage stage_ = Stage::untouched;
};

} // namespace tarvello
