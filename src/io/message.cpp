#include "io/message.h"

#include "io/line_reader.h"
#include "io/numbers.h"
#include "platform/platform.h"

#include <filesystem>
#include <ostream>

namespace tarvello {

namespace message {

namespace {

std::string joined(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (const std::string_view part : parts) {
    text += part;
  }
  return text;
}

/// A path as the platform writes it: every path in a message goes through here.
std::string shown(std::string_view path) { return platform::native_path(path); }

/// The numbers an answer or a listing may hold, and a sum may reach.
std::string range() { return std::to_string(kLeastNumber) + " to " + std::to_string(kMostNumber); }

/// A code point and the count of bytes that UTF-8 writes it in; a count of 0
/// where the bytes at hand are no valid UTF-8.
struct CodePoint {
  char32_t value = 0;
  std::size_t length = 0;
};

CodePoint decode(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned lead = byte(0);
  const std::size_t length = lead < 0x80   ? 1
                             : lead < 0xC2 ? 0
                             : lead < 0xE0 ? 2
                             : lead < 0xF0 ? 3
                             : lead < 0xF5 ? 4
                                           : 0;
  if (length == 0 || at + length > text.size()) {
    return {};
  }
  char32_t value = length == 1 ? lead : lead & (0x7FU >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) {
      return {};
    }
    value = (value << 6) | (byte(i) & 0x3F);
  }
  static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000}; // shorter forms are not UTF-8
  const bool valid = value >= kLeast[length] && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF);
  return {value, valid ? length : 0};
}

/// Whether a terminal takes `c` as a control: C0, DEL and C1, or a mark that
/// turns the direction of the text after it; or `c` shows as nothing, as a
/// byte-order mark does.
bool steers(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xFEFF || c == 0x200E || c == 0x200F ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

/// `text` with each control and each byte that is no valid UTF-8 as "?", so
/// no name or argument quoted can end the line or steer the terminal. Letters
/// in any script stay.
} // namespace

std::string printable(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const CodePoint c = decode(text, at);
    if (c.length == 0 || steers(c.value)) {
      shown += '?';
    } else {
      shown.append(text.substr(at, c.length));
    }
    at += c.length == 0 ? 1 : c.length;
  }
  return shown;
}

namespace {

/// "tarvello: PREFIX TEXT" and its line break, always one line.
std::string line(std::string_view prefix, std::string_view text) {
  return joined({kTool, prefix, printable(text), "\n"});
}

void print(std::ostream &err, std::string_view prefix, std::string_view text) {
  err << line(prefix, text); // a text-mode stream on Windows ends it with CR LF
  err.flush();
}

/// ": path:N, path:M", and ", and K more" past the lines shown.
std::string positions(const LineTally &lines, std::string_view listing) {
  std::string text;
  for (std::size_t i = 0; i < lines.shown(); ++i) {
    text += joined({i == 0 ? ": " : ", ", position(listing, lines.first[i])});
  }
  if (lines.count > static_cast<std::int64_t>(lines.shown())) {
    text +=
        joined({", and ", std::to_string(lines.count - static_cast<std::int64_t>(lines.shown())), " more"});
  }
  return text;
}

/// "an " before a name that begins with a vowel, as "ai.obj" does, else "a ".
std::string_view article(std::string_view name) {
  return !name.empty() && std::string_view("aeiouAEIOU").find(name.front()) != std::string_view::npos ? "an "
                                                                                                      : "a ";
}

/// For a missing `path`, "there is a PATH.EXT: ..." after `before` when a file
/// of the same name and one more extension stands beside it, as Explorer
/// shows "function.txt" for "function.txt.txt"; else nothing.
std::string extension_hint(std::string_view path, std::string_view before) {
  namespace fs = std::filesystem;
  const fs::path missing(path);
  const std::string name = missing.filename().u8string() + ".";
  std::error_code failed;
  std::string extension; // of the first in name order, so the hint is the same on every run
  for (fs::directory_iterator it(missing.parent_path().empty() ? "." : missing.parent_path(), failed), end;
       !failed && it != end; it.increment(failed)) {
    const std::string other = it->path().filename().u8string(); // any name converts to UTF-8
    if (other.size() > name.size() && other.compare(0, name.size(), name) == 0 &&
        other.find('.', name.size()) == std::string::npos &&
        (extension.empty() || other.substr(name.size()) < extension)) {
      extension = other.substr(name.size());
    }
  }
  return extension.empty()
             ? ""
             : joined({before, "there is ", article(path), shown(joined({path, ".", extension})),
                       ": Windows may hide its last extension"});
}

/// The same hint in parentheses, after a blank.
std::string hidden_extension(std::string_view path) {
  const std::string hint = extension_hint(path, " (");
  return hint.empty() ? hint : hint + ")";
}

/// " in FOLDER", or nothing when the folder cannot be told.
std::string in_folder(const std::string &folder) { return folder.empty() ? "" : " in " + folder; }

} // namespace

std::string position(std::string_view path, std::int64_t line) {
  return joined({shown(path), ":", std::to_string(line)});
}

std::string at_line(std::string_view path, std::int64_t line, std::string_view what) {
  return joined({position(path, line), ": ", what});
}

std::string cannot(std::string_view verb, std::string_view name, const Cause &cause) {
  return joined({"cannot ", verb, " ", shown(name), ": ", cause.text()});
}

std::string listing_missing(std::string_view listing, const Cause &cause) {
  return joined({"cannot read ", shown(listing), in_folder(platform::working_folder()), ": ", cause.text(),
                 hidden_extension(listing)});
}

std::string line_too_long(std::string_view path, std::int64_t line) {
  return at_line(path, line, "line longer than " + std::to_string(kMaxLine) + " characters");
}

std::string number_out_of_range(std::string_view path, std::int64_t line) {
  return at_line(path, line, "number outside the range " + range());
}

std::string sum_out_of_range(std::string_view path, std::int64_t line, std::int32_t number,
                             std::int32_t offset) {
  return at_line(
      path, line,
      joined({std::to_string(number), " plus the offset ", std::to_string(offset), " is outside ", range()}));
}

std::string same_file(std::string_view output, std::string_view input) {
  return joined({shown(output), " is the same file as ", shown(input)});
}

std::string listing_emptied_by_redirection(std::string_view listing) {
  return joined({same_file("standard output", listing), "; the redirection emptied ", shown(listing),
                 " before the tool started"});
}

std::string cannot_create_in(const std::string &folder, const Cause &cause) {
  return joined(
      {"cannot create a new file in ", folder.empty() ? "the working folder" : folder, ": ", cause.text()});
}

std::string not_kept(const platform::Carry &carried, std::string_view target) {
  using Part = platform::Carry::Part;
  const std::string attribute = "the attribute " + carried.attribute + " of";
  const std::string_view part = carried.part == Part::owner         ? "the owner of"
                                : carried.part == Part::group       ? "the group of"
                                : carried.part == Part::access_list ? "the access list of"
                                : carried.part == Part::attribute   ? std::string_view(attribute)
                                                                    : "the permissions of";
  return cannot(joined({"keep ", part}), target, Cause::system(carried.err));
}

std::string now_empty(std::string_view target) { return joined({"; ", shown(target), " is now empty"}); }

std::string held_open() { return "; another program may hold it open"; }

std::string may_not_last(std::string_view target) {
  return joined({"; the new ", shown(target), " may not last through a loss of power"});
}

std::string changed_while_read(std::string_view path) {
  return joined({shown(path), " changed while it was read"});
}

std::string file_is(std::string_view path, const Cause &cause) {
  return joined({shown(path), " is ", cause.text()});
}

std::string unknown_option(std::string_view arg) {
  return joined({"unknown option \"", arg, "\"; see tarvello --help"});
}

std::string not_the_listing(std::string_view arg, std::string_view listing) {
  return joined({arg, ": the listing is always ", shown(listing), "; give its folder instead"});
}

std::string one_folder_only(std::string_view arg) { return joined({arg, ": give one folder only"}); }

std::string input_ended() { return "standard input ended before a number was given"; }

std::string out_of_memory() { return std::string(kOutOfMemory); }

std::string not_a_number(std::string_view quoted) {
  return joined({quoted, " is not a whole number from ", range()});
}

std::string ignored_after_answers(std::string_view quoted) {
  return joined({"ignored after the answers: ", quoted});
}

std::string table_unusable(std::string_view table, const Cause &cause) {
  return joined({shown(table), ": ", cause.text(), cause.missing() ? hidden_extension(table) : ""});
}

std::string no_table_folder(std::string_view folder) {
  return joined({"no folder ", shown(folder), in_folder(platform::working_folder()),
                 ", so every reference line is kept"});
}

std::string unended_last_line(std::string_view table, std::int64_t line) {
  return at_line(table, line, "the last line has no line break and is never tried");
}

std::string taken_entries(const LineTally &lines, std::string_view texts, std::string_view listing) {
  const bool one = lines.count == 1;
  return joined({std::to_string(lines.count), one ? " line that begins" : " lines that begin",
                 " with L or S ", one ? "was" : "were", " taken by ", texts.empty() ? "other rules" : texts,
                 " and not renumbered as ", one ? "an entry" : "entries"}) +
         positions(lines, listing);
}

std::string near_misses(const LineTally &lines, std::string_view listing) {
  const bool one = lines.count == 1;
  return joined({std::to_string(lines.count), one ? " line differs" : " lines differ",
                 " from a rule's text only in white space and ", one ? "was" : "were", " copied unchanged"}) +
         positions(lines, listing);
}

std::string misses(std::string_view table, const LineTally &lines, const Cause &unreadable,
                   std::string_view listing) {
  const bool one = lines.count == 1;
  std::string text = joined(
      {shown(table), ": ", std::to_string(lines.count), one ? " reference line " : " reference lines "});
  if (unreadable.failed()) {
    text += joined({one ? "was" : "were", " kept, as the table cannot be read (", unreadable.text(),
                    unreadable.missing() ? extension_hint(table, "; ") : "", ")"});
  } else {
    text += joined({"found no match and ", one ? "was" : "were", " kept"});
  }
  return text + positions(lines, listing);
}

std::string unended_misses(std::string_view table, std::int64_t last, const LineTally &lines,
                           std::string_view listing) {
  const bool one = lines.count == 1;
  return joined({shown(table), ": ", std::to_string(lines.count),
                 one ? " reference line was" : " reference lines were", " kept, as ",
                 one ? "its match stands" : "their matches stand", " on the last line, ",
                 position(table, last),
                 ", which has no line break and is never tried; add a line break after it"}) +
         positions(lines, listing);
}

std::string partial_names(std::string_view table, const LineTally &lines, std::string_view listing) {
  return joined({shown(table), ": ", std::to_string(lines.count),
                 lines.count == 1 ? " reference line" : " reference lines",
                 " matched only the start of a longer name"}) +
         positions(lines, listing);
}

std::string error_line(std::string_view text) { return line("", text); }

void print_error(std::ostream &err, std::string_view text) { print(err, "", text); }

void print_warning(std::ostream &err, std::string_view text) { print(err, "warning: ", text); }

} // namespace message

} // namespace tarvello
