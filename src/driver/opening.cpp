#include "driver/opening.h"

#include "driver/output_mark.h"
#include "io/byte_order_mark.h"
#include "io/fatal.h"
#include "io/message.h"
#include "platform/platform.h"
#include "tables/reference_table.h"

#include <array>
#include <filesystem>
#include <optional>

namespace tarvello {

namespace {

namespace fs = std::filesystem;
using platform::FileId;
using platform::NameFacts;

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

/// Whether the links from `path` end, where nothing is yet, at ai_fixed.obj.
bool leads_to_output(const char *path) {
  fs::path at = path;
  std::error_code failed;
  for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(at, failed)); ++hops) {
    const fs::path next = fs::read_symlink(at, failed);
    at = next.is_absolute() ? next : at.parent_path() / next;
  }
  if (at == path) {
    return false;
  }
  const fs::path end = fs::weakly_canonical(fs::absolute(at, failed), failed);
  if (failed) {
    return false;
  }
  const fs::path output = fs::weakly_canonical(fs::absolute(kFixed, failed), failed);
  return !failed && end == output;
}

/// ai_fixed.obj, which the run replaces, may be none of its inputs.
template <typename Inputs> void refuse_shared_output(const Inputs &ins, const FileId &output) {
  for (const Named &input : ins) {
    if (output == input.id || leads_to_output(input.name)) {
      throw Fatal(message::same_file(kFixed, input.name));
    }
  }
}

/// Only a regular file of this user's to write is replaced: a link would not
/// take the result where it leads, and anything else has no place to take.
void refuse_unreplaceable(const NameFacts &at) {
  Cause cause;
  if (at.kind == NameFacts::Kind::link) {
    cause = Cause::own(Cause::Own::symbolic_link);
  } else if (at.err != 0) {
    cause = Cause::system(at.err);
  } else if (at.kind == NameFacts::Kind::other) {
    cause = Cause::own(Cause::Own::not_regular_file);
  } else if (at.others) {
    cause = Cause::own(Cause::Own::another_users_file);
  } else if (at.mount_point) {
    cause = Cause::own(Cause::Own::mount_point);
  }
  if (cause.failed()) {
    throw Fatal(message::cannot("replace", kFixed, cause));
  }
}

/// Nothing the run prints may land in one of its files. The error line goes
/// to the console stream that is none of them, if one is.
template <typename Inputs>
void refuse_shared_streams(const Inputs &ins, const FileId &output, bool listing_empty) {
  if (platform::file_id(platform::kStdin) == output) { // the answers would be replaced
    throw Fatal(message::same_file("standard input", kFixed));
  }
  const auto out = run_file(platform::file_id(platform::kStdout), ins, output);
  const auto err = run_file(platform::file_id(platform::kStderr), ins, output);
  if (err) {
    throw Fatal(message::same_file("standard error", *err),
                out ? Fatal::Shown::nowhere : Fatal::Shown::on_stdout);
  }
  if (out) { // an empty listing there was emptied by the shell, for a redirection with ">"
    throw Fatal(*out == kListing && listing_empty ? message::listing_emptied_by_redirection(kListing)
                                                  : message::same_file("standard output", *out));
  }
}

} // namespace

platform::Stamp open_run_files(RunState &st, OutputFile &fixed) {
  // Opening a FIFO listing waits for its writer; one that is the output would never come.
  if (platform::file_id(kListing) == platform::file_id(kFixed)) {
    throw Fatal(message::same_file(kFixed, kListing));
  }
  if (const Cause cause = st.in.open(kListing); cause.failed()) {
    throw Fatal(cause.missing() ? message::listing_missing(kListing, cause)
                                : message::cannot("read", kListing, cause));
  }
  // A change after this shows at the end; one before it is read whole, as the listing is read to its end.
  const platform::Stamp opened = st.in.stamp();
  if (st.in.mark() == Mark::utf16) {
    throw Fatal(message::file_is(kListing, Cause::own(Cause::Own::utf16)));
  }
  const auto ins = inputs(st.in);
  const FileId output = platform::file_id(kFixed);
  refuse_shared_output(ins, output);
  const NameFacts at = platform::examine_name(kFixed);
  refuse_unreplaceable(at);
  refuse_shared_streams(ins, output, st.in.pending().empty());
  refuse_marked_routes(kFixed, st.in);
  fixed.empty_target(at);
  return opened;
}

} // namespace tarvello
