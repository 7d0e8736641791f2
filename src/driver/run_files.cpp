#include "driver/run_files.h"

#include "io/encoding.h"
#include "io/fatal.h"
#include "io/message.h"
#include "platform/platform.h"
#include "tables/reference_table.h"

#include <array>
#include <optional>
#include <string>

namespace tarvello {

namespace {

using platform::FileId;

/// A file of the run and what it is called in a message.
struct Named {
  FileId id;
  const char *name;
};

/// The listing and every table that exists, as they are now.
std::array<Named, 1 + reference_tables.size()> inputs(const LineReader &listing) {
  std::array<Named, 1 + reference_tables.size()> named{};
  named[0] = {listing.id(), kListing};
  for (std::size_t i = 0; i < reference_tables.size(); ++i) {
    named[i + 1] = {platform::file_id(reference_tables[i].path), reference_tables[i].path};
  }
  return named;
}

/// The name of the input or the output that `id` is, if it is one.
template <typename Inputs>
std::optional<const char *> run_file(const FileId &id, const Inputs &ins, const FileId &output) {
  for (const Named &input : ins) {
    if (id == input.id) {
      return input.name;
    }
  }
  return id == output ? std::optional<const char *>(kFixed) : std::nullopt;
}

/// Nothing the run writes may be one of its inputs, and the output, which it
/// empties, may be none of them either.
void refuse_shared_files(const LineReader &listing, FileSink &fixed) {
  const auto ins = inputs(listing);
  const FileId output = fixed.id();
  for (const Named &input : ins) {
    if (output == input.id) {
      fixed.give_up();
      throw Fatal(message::same_file(kFixed, input.name));
    }
  }
  const auto out = run_file(platform::file_id(platform::kStdout), ins, output);
  const auto err = run_file(platform::file_id(platform::kStderr), ins, output);
  if (out || err) {
    fixed.give_up();
    const std::string text =
        out ? message::same_file("standard output", *out) : message::same_file("standard error", *err);
    throw StreamClash(text, !out, !err);
  }
}

} // namespace

void open_run_files(RunState &st, FileSink &fixed) {
  // Opening a FIFO listing waits for its writer; one that is the output would never come.
  if (platform::file_id(kListing) == platform::file_id(kFixed)) {
    throw Fatal(message::same_file(kFixed, kListing));
  }
  if (const Cause cause = st.in.open(kListing); cause.failed()) {
    throw Fatal(cause.missing() ? message::listing_missing(kListing, cause)
                                : message::cannot("read", kListing, cause));
  }
  if (mark_of(st.in.start(kUtf8Mark.size())) == Mark::utf16) {
    throw Fatal(message::file_is(kListing, Cause::own(Cause::Own::utf16)));
  }
  fixed.open(kFixed);
  refuse_shared_files(st.in, fixed);
  fixed.lock();
  fixed.empty();
}

} // namespace tarvello
