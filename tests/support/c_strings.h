// The NUL-terminated pointer arrays that execve and posix_spawn take, over strings that must
// outlive the array.
#pragma once

#include <string>
#include <vector>

inline std::vector<char*> CStrings(const std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (const auto& s : strings) pointers.push_back(const_cast<char*>(s.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}
