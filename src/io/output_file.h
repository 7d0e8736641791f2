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
/// The new file is named for the target, "TARGET.PID.part": only SIGKILL, a
/// crash or a loss of power leave one behind.
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
  /// Fatal, with the target as it was.
  void empty_target(const platform::NameFacts &old);
  /// Makes the new file that write() fills, removed by a stop until it is
  /// put in place. Throws Fatal.
  void start();
  void write(std::string_view bytes) override;
  /// Puts the new file, synced and closed, in the target's place. Throws
  /// Fatal, and the target stays empty.
  void commit();

private:
  void close();
  void put_in_place();
  [[noreturn]] void fail(std::string_view verb, int err);
  void abandon() noexcept;

  const char *target_;
  std::ostream &warnings_;
  platform::NameFacts old_;
  std::string path_; ///< the new file's name, while there is one
  int fd_ = -1;
};

} // namespace tarvello
