// Starting the built launcher for black-box tests; see launch.h.
#include "tests/support/launch.h"

#include <regex>

namespace {
const char kBannerDate[] =
    "[A-Z][a-z]+ [A-Z][a-z]+ [0-3][0-9], [0-9]{4}, (0[1-9]|1[0-2]):[0-5][0-9]:[0-5][0-9] "
    "(AM|PM)\n\n";

// Undoes the markup escaping of the alert layer: &amp; &lt; &gt; and the doubled backslash.
std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 5, "&amp;") == 0)
      out += '&', i += 4;
    else if (text.compare(i, 4, "&lt;") == 0)
      out += '<', i += 3;
    else if (text.compare(i, 4, "&gt;") == 0)
      out += '>', i += 3;
    else if (text.compare(i, 2, "\\\\") == 0)
      out += '\\', i += 1;
    else
      out += text[i];
  }
  return out;
}
}  // namespace

std::vector<std::string> LauncherArgv(const Bundle& bundle, const std::vector<std::string>& args) {
  std::vector<std::string> argv = {bundle.exe};
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

ProcessOptions LauncherOptions(const TempWorld& world, const std::string& record,
                               const EnvList& extra, bool withDisplay) {
  ProcessOptions options = world.ChildOptions(withDisplay);
  options.env.push_back({"QRN_TEST_RECORD", record});
  for (const auto& pair : extra) options.env.push_back(pair);
  return options;
}

Launch RunLauncher(const TempWorld& world, const Bundle& bundle,
                   const std::vector<std::string>& args, const EnvList& env, bool withDisplay) {
  Launch launch;
  launch.process = RunProcess(LauncherArgv(bundle, args),
                              LauncherOptions(world, world.Path("record.txt"), env, withDisplay));
  launch.calls = ReadEngineRecord(world.Path("record.txt"));
  for (const auto& call : world.Calls("zenity")) launch.alerts.push_back(AlertExplanation(call));
  return launch;
}

bool SplitLogRuns(const std::string& log, std::vector<std::string>* bodies, std::string* why) {
  static const std::regex opened(std::string("EXE LOG opened ") + kBannerDate);
  static const std::regex closed(std::string("EXE LOG closed ") + kBannerDate);
  bodies->clear();
  size_t pos = 0;
  while (pos < log.size()) {
    if (!bodies->empty()) {
      if (log.compare(pos, 4, "\n\n\n\n") != 0) {
        *why = "no run separator at offset " + std::to_string(pos);
        return false;
      }
      pos += 4;
    }
    std::smatch match;
    std::string rest = log.substr(pos);
    if (!std::regex_search(rest, match, opened, std::regex_constants::match_continuous)) {
      *why = "no opening banner at offset " + std::to_string(pos);
      return false;
    }
    size_t bodyStart = match.length(0);
    size_t closeAt = rest.find("EXE LOG closed ", bodyStart);
    if (closeAt == std::string::npos) {
      *why = "run " + std::to_string(bodies->size()) + " has no closing banner";
      return false;
    }
    std::string tail = rest.substr(closeAt);
    if (!std::regex_search(tail, match, closed, std::regex_constants::match_continuous)) {
      *why = "malformed closing banner";
      return false;
    }
    bodies->push_back(rest.substr(bodyStart, closeAt - bodyStart));
    pos += closeAt + match.length(0);
  }
  return true;
}

std::string AlertExplanation(const std::vector<std::string>& zenityArgs) {
  // Whatever the bold main text: "Error" for alerts, the game's name for notes.
  const std::string prefix = "--text=<b>";
  for (const auto& arg : zenityArgs) {
    size_t end = arg.find("</b>\n\n");
    if (arg.compare(0, prefix.size(), prefix) == 0 && end != std::string::npos)
      return Unescape(arg.substr(end + 6));
  }
  return "";
}
