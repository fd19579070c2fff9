// The launcher's main loop: SDL_main runs Run while the engine asks for a restart, at most
// kMaxRuns times. One run prepares paths, engine, identity, data folder and log, then either
// ends quietly (another instance runs), uninstalls, or plays.
#pragma once

constexpr int kMaxRuns = 10;

extern "C" int SDL_main(int argc, char** argv);
int Run(int argc, char** argv, int runIndex);
int SdlMainInit();
void SdlQuit();
// A second launch hands the running instance its held documents, then this message (its
// "CommandLine|...|" text); what cannot be delivered is written to the log.
void SendToInstance(const char* message);
