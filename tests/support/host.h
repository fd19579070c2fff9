// This machine's host id as the preference store uses it (/etc/machine-id without trailing
// blanks, else the host name), for tests and benchmarks that read or write the store's rows
// directly.
#pragma once

#include <unistd.h>

#include <fstream>
#include <string>

inline std::string ThisHost() {
  std::ifstream in("/etc/machine-id");
  std::string id;
  std::getline(in, id);
  while (!id.empty() && (id.back() == ' ' || id.back() == '\t' || id.back() == '\r')) id.pop_back();
  if (!id.empty()) return id;
  char name[256] = {};
  gethostname(name, sizeof name - 1);
  return name;
}
