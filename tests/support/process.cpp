// Child processes for black-box tests; see process.h.
#include "tests/support/process.h"

#include "tests/support/bundle.h"
#include "tests/support/c_strings.h"

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

// The child's whole environment as NAME=VALUE texts: this process's, less the removed names,
// with the options' variables applied in order (a later one wins).
std::vector<std::string> ChildEnvironment(const ProcessOptions& options) {
  std::vector<std::string> env;
  auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
  auto drop = [&](const std::string& name) {
    for (size_t i = env.size(); i-- > 0;)
      if (nameOf(env[i]) == name) env.erase(env.begin() + static_cast<long>(i));
  };
  for (char** entry = environ; *entry; ++entry) env.push_back(*entry);
  for (const auto& name : options.unset) drop(name);
  for (const auto& [name, value] : options.env) {
    drop(name);
    env.push_back(name + "=" + value);
  }
  return env;
}

// The program's path as the child's PATH finds it (a name holding '/' is taken as it is).
std::string FindProgram(const std::string& program, const std::vector<std::string>& env) {
  if (program.find('/') != std::string::npos) return program;
  std::string path = "/usr/bin:/bin";
  for (const auto& entry : env)
    if (entry.compare(0, 5, "PATH=") == 0) path = entry.substr(5);
  std::istringstream folders(path);
  for (std::string folder; std::getline(folders, folder, ':');) {
    std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return program;
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
  if (argv.empty()) return result;
  std::string outPath = TempCaptureFile();
  std::string errPath = TempCaptureFile();
  int stdinPipe[2];
  if (pipe(stdinPipe) != 0) return result;

  // Everything the child needs is made before the fork: other threads of this process may
  // hold the allocator's lock at that moment, so the child makes only system calls.
  std::vector<std::string> env = ChildEnvironment(options);
  std::string executable = FindProgram(argv[0], env);
  std::vector<char*> args = CStrings(argv);
  std::vector<char*> envp = CStrings(env);
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    if (!options.workDir.empty() && chdir(options.workDir.c_str()) != 0) _exit(126);
    dup2(stdinPipe[0], 0);
    close(stdinPipe[0]);
    close(stdinPipe[1]);
    int out = open(outPath.c_str(), O_WRONLY | O_TRUNC);
    int err = open(errPath.c_str(), O_WRONLY | O_TRUNC);
    dup2(out, 1);
    dup2(err, 2);
    execve(executable.c_str(), args.data(), envp.data());
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
