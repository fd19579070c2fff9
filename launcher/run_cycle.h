// The launcher's main loop: SDL_main runs Run while the engine asks for a restart, at most
// kMaxRuns times. One run prepares paths, engine, identity, data folder and log, then either
// ends quietly (another instance runs), uninstalls, or plays.
#pragma once

constexpr int kMaxRuns = 10;

extern "C" int SDL_main(int argc, char** argv);
int Run(int argc, char** argv, int runIndex);
int SdlMainInit();
void SdlQuit();
// Delivery of a message to the running instance; left empty, and not called.
void SendToInstance(const char* message);
