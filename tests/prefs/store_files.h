// The preference store's files as other programs see them: where a key's file of this host
// lies, and what it holds.
#pragma once

#include <string>

#include "tests/support/host.h"
#include "tests/support/process.h"

// The file of a key, with domain and key already in their file-name form.
inline std::string KeyFile(const std::string& scope, const std::string& domain,
                           const std::string& key) {
  return scope + "/" + ThisHost() + "/" + domain + "/" + key;
}

// The file's content, "<none>" when there is no file.
inline std::string Stored(const std::string& scope, const std::string& domain,
                          const std::string& key) {
  std::string path = KeyFile(scope, domain, key);
  return FileExists(path) ? ReadFile(path) : "<none>";
}
