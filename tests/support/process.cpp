// Child processes for black-box tests; see process.h.
#include "tests/support/process.h"

#include "tests/support/bundle.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::string TempCaptureFile() {
  char name[] = "/tmp/qfn-capture-XXXXXX";
  int fd = mkstemp(name);
  if (fd >= 0) close(fd);
  return name;
}

// Under QFN_LAUNCHER_WRAPPER (words separated by spaces, e.g. a memory checker's command
// line) a program with the built launcher's file name is started through the wrapper, and
// its time limit is multiplied by QFN_WRAPPER_TIME_SCALE (default 10): a checker runs it
// many times slower. Without the variable nothing changes.
bool IsLauncher(const std::string& program) {
  std::string launcher = LauncherExe();
  if (launcher.empty()) return false;
  std::string name = launcher.substr(launcher.rfind('/') + 1);
  size_t slash = program.rfind('/');
  return program.substr(slash == std::string::npos ? 0 : slash + 1) == name;
}

std::vector<std::string> Wrapped(const std::vector<std::string>& argv, double* timeout) {
  const char* wrapper = getenv("QFN_LAUNCHER_WRAPPER");
  if (wrapper == nullptr || wrapper[0] == '\0' || argv.empty() || !IsLauncher(argv[0])) return argv;
  std::vector<std::string> words;
  std::istringstream in(wrapper);
  for (std::string word; in >> word;) words.push_back(word);
  words.insert(words.end(), argv.begin(), argv.end());
  const char* scale = getenv("QFN_WRAPPER_TIME_SCALE");
  double factor = scale != nullptr ? atof(scale) : 0;
  *timeout *= factor > 0 ? factor : 10;
  return words;
}

double Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

}  // namespace

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text, int mode) {
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
  }
  chmod(path.c_str(), static_cast<mode_t>(mode));
}

bool FileExists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

bool WaitForFile(const std::string& path, double seconds) {
  double deadline = Now() + seconds;
  while (!FileExists(path)) {
    if (Now() > deadline) return false;
    usleep(10000);
  }
  return true;
}

ProcessResult RunProcess(const std::vector<std::string>& program, const ProcessOptions& options) {
  ProcessResult result;
  double timeoutSeconds = options.timeoutSeconds;
  std::vector<std::string> argv = Wrapped(program, &timeoutSeconds);
  std::string outPath = TempCaptureFile();
  std::string errPath = TempCaptureFile();
  int stdinPipe[2];
  if (pipe(stdinPipe) != 0) return result;

  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    for (const auto& name : options.unset) unsetenv(name.c_str());
    for (const auto& [name, value] : options.env) setenv(name.c_str(), value.c_str(), 1);
    if (!options.workDir.empty() && chdir(options.workDir.c_str()) != 0) _exit(126);
    dup2(stdinPipe[0], 0);
    close(stdinPipe[0]);
    close(stdinPipe[1]);
    int out = open(outPath.c_str(), O_WRONLY | O_TRUNC);
    int err = open(errPath.c_str(), O_WRONLY | O_TRUNC);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(stdinPipe[0]);
  if (pid < 0) {
    close(stdinPipe[1]);
    return result;
  }
  if (!options.stdinText.empty()) {
    ssize_t ignored = write(stdinPipe[1], options.stdinText.data(), options.stdinText.size());
    (void)ignored;
  }
  close(stdinPipe[1]);
  if (options.onStart) options.onStart(pid, options.context);

  int status = 0;
  double deadline = Now() + timeoutSeconds;
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) break;
    if (Now() > deadline) {
      kill(-pid, SIGKILL);
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      result.timedOut = true;
      break;
    }
    usleep(2000);
  }
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.termSignal = WTERMSIG(status);
  result.out = ReadFile(outPath);
  result.err = ReadFile(errPath);
  unlink(outPath.c_str());
  unlink(errPath.c_str());
  return result;
}
