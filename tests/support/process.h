// Runs a child process with extra environment variables, captures its standard output and
// error, and kills it when it overruns its time limit.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct ProcessResult {
  int exitCode = -1;      // exit status when the process exited normally, else -1
  int termSignal = 0;     // the signal that ended it, else 0
  bool timedOut = false;  // killed by RunProcess after the time limit
  std::string out;
  std::string err;
};

// Environment variables as (name, value) pairs, applied in order (a later one wins).
using EnvList = std::vector<std::pair<std::string, std::string>>;

struct ProcessOptions {
  EnvList env;                     // variables set for the child
  std::vector<std::string> unset;  // variables removed for the child
  std::string workDir;             // empty: inherit
  double timeoutSeconds = 30;
  // Called in the parent right after the child started (pid given); lets a test signal it.
  void (*onStart)(int pid, void* context) = nullptr;
  void* context = nullptr;
  std::string stdinText;  // written to the child's standard input, which is then closed
};

ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options);

// Reads a whole file; empty when it cannot be read.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text, int mode = 0644);
bool FileExists(const std::string& path);
// Polls until the file exists; false when it has not appeared within the time.
bool WaitForFile(const std::string& path, double seconds);
