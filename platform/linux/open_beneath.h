// Opening a path without following a link on any of its components.
#pragma once

#include <sys/types.h>

// A path of plain components: not absolute, no empty, "." or ".." component.
bool IsPlainRelative(const char* path);

// Opens relative (plain components: not absolute, no empty, "." or ".." component) below the
// open folder dirFd, following no link on any component and, with sameMount, not leaving
// dirFd's mount. O_NOFOLLOW and O_CLOEXEC are added to flags; mode is used with O_CREAT.
// -1 with errno: ENOENT absent, ELOOP a link, EXDEV another mount, ENOTDIR a file where a
// folder was expected, EINVAL a path that is not plain.
int OpenBeneath(int dirFd, const char* relative, int flags, mode_t mode, bool sameMount);

// Opens an absolute path following no link on any component; errno as OpenBeneath.
int OpenWithoutLinks(const char* path, int flags);
