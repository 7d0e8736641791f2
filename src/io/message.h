#pragma once

// Every line the tool writes on stderr is built here: the prefixes, the place
// "path:line: ", the causes and the limits the code checks. A message reads the
// same wherever it is raised, and a new one, or a new way of writing a path,
// is a change in this one file.

#include "io/cause.h"
#include "io/reported_lines.h"
#include "platform/platform.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

namespace tarvello {

namespace message {

/// What begins every line the tool writes on stderr.
inline constexpr std::string_view kTool = "tarvello: ";
/// The cause of a failed allocation, which a line must show even with no memory at all.
inline constexpr std::string_view kOutOfMemory = "out of memory";

/// "path:line", as an error names a line and the report lists one.
std::string position(std::string_view path, std::int64_t line);
/// "path:line: what".
std::string at_line(std::string_view path, std::int64_t line, std::string_view what);

/// "cannot VERB NAME: CAUSE", as in "cannot read ai.obj: No such file or directory".
std::string cannot(std::string_view verb, std::string_view name, const Cause &cause);
/// The listing is missing: the error names the folder it was looked for in.
std::string listing_missing(std::string_view listing, const Cause &cause);
std::string line_too_long(std::string_view path, std::int64_t line);
std::string number_out_of_range(std::string_view path, std::int64_t line);
/// A sum that leaves the range, as in "ai.obj:5: 2 plus the offset 2147483647 is outside ...".
std::string sum_out_of_range(std::string_view path, std::int64_t line, std::int32_t number,
                             std::int32_t offset);
std::string same_file(std::string_view output, std::string_view input);
/// Standard output is the listing, which the shell emptied to redirect it.
std::string listing_emptied_by_redirection(std::string_view listing);
/// "cannot create a new file in FOLDER: CAUSE", for the run's own new file.
std::string cannot_create_in(const std::string &folder, const Cause &cause);
/// What the platform could not carry over to the new `target`, as in
/// "cannot keep the group of ai_fixed.obj: Operation not permitted".
std::string not_kept(const platform::Carry &carried, std::string_view target);
/// What a failure of the output adds once the target was emptied, or once it
/// was replaced but not yet made to last.
std::string now_empty(std::string_view target);
/// What a replacement refused adds where another program may hold the file open.
std::string held_open();
std::string may_not_last(std::string_view target);
std::string changed_while_read(std::string_view path);
/// A file whose cause is its own, as in "ai.obj is UTF-16 text; ...".
std::string file_is(std::string_view path, const Cause &cause);
std::string unknown_option(std::string_view arg);
/// An argument that names a file other than the listing.
std::string not_the_listing(std::string_view arg, std::string_view listing);
/// A second argument that is no option.
std::string one_folder_only(std::string_view arg);
std::string input_ended();
std::string out_of_memory();
/// A rejected answer: `quoted` is its text as it may be shown, quotes included.
std::string not_a_number(std::string_view quoted);
/// Text on the line of the last answer that no answer took, quoted.
std::string ignored_after_answers(std::string_view quoted);

/// The warning at the check for a table that cannot be read.
std::string table_unusable(std::string_view table, const Cause &cause);
/// The one warning at the check when the tables' folder is missing.
std::string no_table_folder(std::string_view folder);
/// The warning at the check for a table whose last line has no line break.
std::string unended_last_line(std::string_view table, std::int64_t line);
/// The warning for entries that earlier rules took: `texts` are the rule
/// texts that took them, when they are few, else empty.
std::string taken_entries(const LineTally &lines, std::string_view texts, std::string_view listing);
/// The warning for lines copied unchanged that a rule's text nearly holds.
std::string near_misses(const LineTally &lines, std::string_view listing);
/// The warning for a table's misses: their count and first positions.
std::string misses(std::string_view table, const LineTally &lines, const Cause &unreadable,
                   std::string_view listing);

/// The warning for a table's misses whose key stands on its unended last line, numbered `last`.
std::string unended_misses(std::string_view table, std::int64_t last, const LineTally &lines,
                           std::string_view listing);

/// The warning for a table's matches that continue into a longer name.
std::string partial_names(std::string_view table, const LineTally &lines, std::string_view listing);

/// `text` with each control, each byte that is no valid UTF-8 and each mark
/// that turns the direction of text as "?", as every message shows it.
std::string printable(std::string_view text);

/// "tarvello: TEXT" and its line break.
std::string error_line(std::string_view text);
/// Writes "tarvello: TEXT" as one line on `err`.
void print_error(std::ostream &err, std::string_view text);
/// Writes "tarvello: warning: TEXT" as one line on `err`.
void print_warning(std::ostream &err, std::string_view text);

} // namespace message

} // namespace tarvello
