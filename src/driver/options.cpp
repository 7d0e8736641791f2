#include "driver/options.h"

#include "io/fatal.h"
#include "io/message.h"
#include "platform/platform.h"

namespace tarvello {

namespace {

constexpr const char *kVersion = "tarvello " TARVELLO_VERSION "\n";

/// The help, with its paths and switches as this platform writes them.
std::string help() {
  const platform::HelpWords words = platform::help_words();
  const auto path = [](std::string_view p) { return platform::native_path(p); };
  return std::string(words.usage) +
         "\n"
         "\n"
         "Rewrites the script listing ai.obj in the working directory, or in the FOLDER\n"
         "given (or the folder of the ai.obj given), into ai_fixed.obj:\n"
         "adds the two offsets you type to every label number (Lxx) and string number\n"
         "(Sxx), and fixes function, handler, event and id references from the tables\n" +
         path("vars/function.txt") + ", " + path("vars/handler.txt") + ", " + path("vars/push_event.txt") +
         " and " + path("vars/fetch_id.txt") +
         ".\n"
         "\n"
         "Files:\n"
         "  ai.obj          the listing, read and never changed\n"
         "  ai_fixed.obj    the rewritten listing, replaced whole at the start and the end\n"
         "  " +
         path("vars/*.txt") +
         "      the four reference tables, read\n"
         "\n"
         "Dialogue: after the banner, answer \"Start writing from entry (Lxx): \" and\n"
         "\"Start writing from entry (Sxx): \" with whole numbers; both may be typed on one\n"
         "line. One progress line follows for each pass over the listing. At the end,\n"
         "warnings list the reference lines that no table could fix, entries that an\n"
         "earlier rule took, and lines that miss a rule only by their white space.\n"
         "\n"
         "Exit status: 0 when the whole listing was rewritten, 1 after an error, which is\n"
         "one line on standard error.\n"
         "\n"
         "Full documentation: " +
         std::string(words.documentation) + ".\n";
}

} // namespace

std::optional<std::string> information_requested(const std::vector<std::string_view> &args) {
  for (const std::string_view arg : args) {
    if (arg == "--help" || arg == "-h" || platform::is_native_help_switch(arg)) {
      return help();
    }
    if (arg == "--version") {
      return kVersion;
    }
    if (platform::is_option(arg)) {
      throw Fatal(message::unknown_option(arg)); // a misspelt request must not start a run
    }
  }
  return std::nullopt;
}

} // namespace tarvello
