// Brings the SDL window of this process to the front and asks the desktop to activate it,
// where the video driver lets a program do so; under any other driver (dummy included) it
// does nothing. Main thread only, while SDL video runs. 1 when a request was sent.
#pragma once

int RaiseSdlWindow(void);
