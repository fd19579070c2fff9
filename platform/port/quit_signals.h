// What a port implements for quit requests: the calls behind BlockQuitSignals and
// StartQuitThread of quit_signals.h, which say what each does.
#pragma once

void OsBlockQuitSignals();
int OsStartQuitThread(int (*onQuit)());
