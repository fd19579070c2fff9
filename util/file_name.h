// Name and extension of a path, found without copying: both results point into the caller's
// text (which must outlive them) and are never null; a missing part is the empty text at the
// path's terminator.
#pragma once

#include <cstddef>

// The capacity of every path buffer of the launcher, terminator included. A path that does
// not fit is refused, never cut, wherever cutting would name another file.
constexpr size_t kPathCapacity = 1024;

// The text after the last '/', ':' or '\\'; the whole path when it holds none of them.
const char* GetFileName(const char* path);

// The text after the last '.' that no later '\\' follows; '/' and ':' do not end it.
const char* GetFileExt(const char* path);
