#include "driver/folder_argument.h"

#include "io/fatal.h"
#include "io/message.h"
#include "platform/platform.h"

#include <filesystem>
#include <string>

namespace tarvello {

namespace {

namespace fs = std::filesystem;

/// The one argument that is no option, if there is one.
std::string_view folder_word(const std::vector<std::string_view> &args) {
  std::string_view given;
  for (const std::string_view arg : args) {
    if (platform::is_option(arg)) {
      continue; // answered or refused before this
    }
    if (!given.empty()) {
      throw Fatal(message::one_folder_only(arg));
    }
    given = arg;
  }
  return given;
}

} // namespace

void enter_folder_given(const std::vector<std::string_view> &args, const char *listing) {
  const std::string_view word = folder_word(args);
  if (word.empty()) {
    return;
  }
  const fs::path given = fs::u8path(word.begin(), word.end());
  std::error_code unknown;
  fs::path folder = given;
  if (!fs::is_directory(given, unknown) && given.filename() == listing) {
    folder = given.has_parent_path() ? given.parent_path() : fs::path(".");
  } else if (!fs::is_directory(given, unknown) && fs::exists(given, unknown)) {
    throw Fatal(message::not_the_listing(word, listing));
  } // else a folder, or what the system will say is none
  if (const int err = platform::change_folder(folder.u8string().c_str()); err != 0) {
    throw Fatal(message::cannot("open the folder", folder.u8string(), Cause::system(err)));
  }
}

} // namespace tarvello
