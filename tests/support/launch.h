// The one way black-box tests start the built launcher: in a bundle of a temporary world,
// with the test engine's record file named by QRN_TEST_RECORD; plus its log split into runs
// and the alert texts fake zenity saw.
#pragma once

#include "tests/support/bundle.h"
#include "tests/support/process.h"
#include "tests/support/temp_world.h"

#include <string>
#include <utility>
#include <vector>

// The argument vector <bundle>/bin/quarn args...
std::vector<std::string> LauncherArgv(const Bundle& bundle, const std::vector<std::string>& args);
// The world's child environment, QRN_TEST_RECORD=record, then the extra variables.
ProcessOptions LauncherOptions(const TempWorld& world, const std::string& record,
                               const EnvList& extra = {}, bool withDisplay = true);

// One launch: the process result, the calls the test engine recorded, the alerts shown.
struct Launch {
  ProcessResult process;
  std::vector<EngineCall> calls;
  std::vector<std::string> alerts;  // explanation texts, in order
};

// Runs <bundle>/bin/quarn with the arguments; QRN_TEST_RECORD points into the world.
Launch RunLauncher(const TempWorld& world, const Bundle& bundle,
                   const std::vector<std::string>& args, const EnvList& env = {},
                   bool withDisplay = true);

// Splits a log into the bodies of its runs, checking that every run is framed by an opening
// and a closing banner of the right shape and that runs are separated by four line ends.
// Returns false (with the reason in *why) when the shape is wrong.
bool SplitLogRuns(const std::string& log, std::vector<std::string>* bodies, std::string* why);

// The explanation text of an alert as fake zenity received it; empty when not an alert.
std::string AlertExplanation(const std::vector<std::string>& zenityArgs);
