// Pattern removal in a folder already open.
#pragma once

// As RemoveMatchingFiles, in the open folder fd, which it closes.
int RemoveMatchingIn(int fd, const char* pattern);
