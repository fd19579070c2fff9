// Brings the SDL window of this process to the front: on X11, raises it and asks the window
// manager to activate it (_NET_ACTIVE_WINDOW). Does nothing under any other video driver
// (dummy included). Main thread only, while SDL video runs. 1 when a request was sent.
#pragma once

int RaiseSdlWindow(void);
