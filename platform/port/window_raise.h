// What a port implements to bring the SDL window to the front: the call behind
// RaiseSdlWindow of window_raise.h.
#pragma once

int OsRaiseSdlWindow(void);
