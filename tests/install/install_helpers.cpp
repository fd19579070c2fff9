// Installation test helpers; see install_helpers.h.
#include "tests/install/install_helpers.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

const std::vector<std::string> kCacheTools = [] {
  std::vector<std::string> tools;
  std::istringstream words(QFN_CACHE_TOOLS);
  for (std::string tool; words >> tool;) tools.push_back(tool);
  return tools;
}();

Installed InstalledPaths(const std::string& prefix) {
  Installed paths;
  std::string game = prefix + "/" + kGameFolder;
  paths.prefix = prefix;
  paths.launcher = game + "/bin/" + kLauncherName;
  paths.engine = game + "/Resources/quarnc.so";
  paths.installLog = game + "/Resources/uninstall.log";
  paths.desktopFile = prefix + "/share/applications/" + kDesktopId + ".desktop";
  paths.commandLink = prefix + "/games/quarn-demo";
  paths.mimePackage = prefix + "/share/mime/packages/" + kDesktopId + ".xml";
  paths.metainfo = prefix + "/share/metainfo/" + kDesktopId + ".metainfo.xml";
  paths.manPage = prefix + "/share/man/man6/" + kLauncherName + ".6.gz";
  paths.docs = {prefix + "/share/doc/quarn-demo/copyright",
                prefix + "/share/doc/quarn-demo/changelog.gz"};
  const std::string kit = prefix + "/lib/cmake/QuarnEngine/";
  paths.engineKit = {prefix + "/include/quarn_engine.h",
                     prefix + "/libexec/quarn/quarn",
                     kit + "QuarnEngineConfig.cmake",
                     kit + "QuarnEngineConfigVersion.cmake",
                     kit + "QuarnInstallGame.cmake",
                     kit + "quarn_engine.map",
                     kit + "QuarnAddEngine.cmake",
                     prefix + "/lib/pkgconfig/quarn-engine.pc",
                     prefix + "/share/doc/quarn-engine-dev/copyright",
                     prefix + "/share/doc/quarn-engine-dev/changelog.gz"};
  for (const char* part :
       {"argument_lists.cmake", "check_prefix.cmake", "desktop_caches.cmake", "game.6.in",
        "game.desktop.in", "game_arguments.cmake", "install_begin.cmake",
        "install_command_link.cmake", "install_desktop_caches.cmake", "install_desktop_entry.cmake",
        "install_log_format.cmake", "install_owners.cmake", "install_uninstall_log.cmake",
        "metainfo.xml.in", "mime.xml.in"})
    paths.engineKit.push_back(kit + "game/" + part);
  const std::string hicolor = prefix + "/share/icons/hicolor/";
  paths.icons = {hicolor + "scalable/apps/" + kDesktopId + ".svg"};
  for (const char* size : {"128", "256", "48", "64"}) {
    paths.icons.push_back(hicolor + size + "x" + size + "/apps/" + kDesktopId + ".png");
  }
  return paths;
}

ProcessResult InstallTo(TempWorld& world, const std::string& prefix, const std::string& destdir,
                        CacheTools tools) {
  if (tools == CacheTools::kStandIns) {
    for (const auto& tool : kCacheTools) {
      if (!FileExists(world.BinDir() + "/" + tool)) world.FakeTool(tool);
    }
  }
  ProcessOptions options = world.ChildOptions();
  if (destdir.empty()) {
    options.unset.push_back("DESTDIR");
  } else {
    options.env.push_back({"DESTDIR", destdir});
  }
  options.timeoutSeconds = 120;
  return RunProcess({QFN_CMAKE_COMMAND, "--install", QFN_BINARY_DIR, "--prefix", prefix}, options);
}

std::string DesktopValue(const std::string& desktopText, const std::string& key,
                         const std::string& group) {
  std::istringstream lines(desktopText);
  std::string line;
  bool inEntry = false;
  while (std::getline(lines, line)) {
    if (!line.empty() && line[0] == '[') inEntry = line == "[" + group + "]";
    if (!inEntry || line.compare(0, key.size() + 1, key + "=") != 0) continue;
    std::string raw = line.substr(key.size() + 1), value;
    for (size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] != '\\' || i + 1 == raw.size()) {
        value += raw[i];
        continue;
      }
      char c = raw[++i];
      value += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
    }
    return value;
  }
  return "";
}

std::vector<std::string> ExecArguments(const std::string& exec,
                                       const std::vector<std::string>& documents) {
  std::vector<std::string> args;
  size_t i = 0;
  while (i < exec.size()) {
    if (exec[i] == ' ') {
      ++i;
      continue;
    }
    std::string arg;
    bool quoted = exec[i] == '"';
    if (quoted) {
      for (++i; i < exec.size() && exec[i] != '"'; ++i) {
        if (exec[i] == '\\' && i + 1 < exec.size()) ++i;
        arg += exec[i];
      }
      ++i;  // closing quote
    } else {
      for (; i < exec.size() && exec[i] != ' '; ++i) arg += exec[i];
    }
    if (!quoted && (arg == "%f" || arg == "%F" || arg == "%u" || arg == "%U")) {
      size_t count =
          (arg == "%f" || arg == "%u") ? std::min<size_t>(documents.size(), 1) : documents.size();
      args.insert(args.end(), documents.begin(), documents.begin() + count);
      continue;
    }
    std::string expanded;
    for (size_t k = 0; k < arg.size(); ++k) {
      if (arg[k] == '%' && k + 1 < arg.size() && arg[k + 1] == '%') ++k;
      expanded += arg[k];
    }
    args.push_back(expanded);
  }
  return args;
}

std::vector<std::string> TreeUnder(const std::string& root) {
  std::vector<std::string> paths;
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(root, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    paths.push_back(it->path().string());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

std::vector<std::string> TreeOf(const std::string& prefix, const std::vector<std::string>& files) {
  std::set<std::string> tree;
  for (const std::string& file : files)
    for (std::filesystem::path at = file; at.string().size() > prefix.size(); at = at.parent_path())
      tree.insert(at.string());
  return std::vector<std::string>(tree.begin(), tree.end());
}
