// Fuzzer of SetSystemPreferenceUnflushed, GetSystemPreference and RemoveSystemPreference. The input is
// a list of operations, each an op byte followed by NUL-terminated domain, key and value
// texts (so texts never hold a NUL). Every result is checked against a model of both scopes:
// a text that fits is always accepted and read back unchanged, one that does not fit is
// refused and changes nothing, and a failed read returns the default text itself. Each input
// starts from empty stores in a private temporary folder (under TMPDIR, never /dev/shm).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "platform/prefs.h"

namespace {

char s_folder[256];
std::string s_stores[2];

[[noreturn]] void Fail(int line, const char* what) {
  fprintf(stderr, "prefs_fuzz.cpp:%d: check failed: %s\n", line, what);
  abort();
}
// A failed check names its line and condition, so a finding can be read without a debugger.
#define Check(ok) ((ok) ? (void)0 : Fail(__LINE__, #ok))

void RemoveStores() {
  std::error_code ignored;
  for (const std::string& path : s_stores) std::filesystem::remove_all(path, ignored);
}

void RemoveFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(s_folder, ignored);
}

// The next text of the input, up to a NUL or the end.
std::string NextText(const uint8_t*& p, const uint8_t* end) {
  const uint8_t* start = p;
  while (p < end && *p != 0) p++;
  std::string text(reinterpret_cast<const char*>(start), p - start);
  if (p < end) p++;
  return text;
}

void PadTo(std::string& text, size_t length) {
  char fill = text.empty() ? 'p' : text.back();
  if (fill == '\0') fill = 'p';
  if (text.size() < length) text.append(length - text.size(), fill);
}

// The length of a text as a file name of the store: its UTF-8 (two bytes from 0x80 on) with
// control bytes, '/', '%' and a leading '.' taking three bytes; the empty text takes one.
size_t NameLength(const std::string& text) {
  size_t length = text.empty() ? 1 : 0;
  for (size_t i = 0; i < text.size(); i++) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    bool escaped = c < 0x20 || c == 0x7F || c == '/' || c == '%' || (i == 0 && c == '.');
    length += escaped ? 3 : c >= 0x80 ? 2 : 1;
  }
  return length;
}

// The stored domain of an application name: "!name" literally, otherwise vendor-prefixed.
std::string DomainOf(const std::string& name) {
  return !name.empty() && name[0] == '!' ? name.substr(1) : "com.quillfen." + name;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* base = getenv("TMPDIR");
  if (base == nullptr || base[0] != '/') base = "/tmp";
  snprintf(s_folder, sizeof s_folder, "%s/qfn-prefs-fuzz-XXXXXX", base);
  if (mkdtemp(s_folder) == nullptr) abort();
  std::string config = std::string(s_folder) + "/config";
  s_stores[0] = config;
  s_stores[1] = std::string(s_folder) + "/system";
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  setenv("QFN_SYSTEM_PREFS", s_stores[1].c_str(), 1);
  setenv("HOME", s_folder, 1);
  atexit(RemoveFolder);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RemoveStores();
  std::map<std::string, std::string> model[2];  // domain '\0' key -> value, per scope
  static const char kDefault[] = "\x01(default)";
  const uint8_t* p = data;
  const uint8_t* end = data + size;
  for (int ops = 0; p < end && ops < 48; ops++) {
    uint8_t op = *p++;
    int anyUser = (op >> 2) & 1;
    std::string name = NextText(p, end);
    std::string key = NextText(p, end);
    std::string value = (op & 3) == 0 ? NextText(p, end) : std::string();
    // Lengths around the limits, which short inputs cannot reach: values of 1021..1024
    // characters, keys of 253..256, domains of 253..256.
    size_t delta = op >> 6;
    if ((op & 0x08) && (op & 3) == 0) PadTo(value, 1021 + delta);
    if (op & 0x10) PadTo(key, 253 + delta);
    if (op & 0x20) {
      if (name.empty()) name = "n";
      PadTo(name, (name[0] == '!' ? 254 : 240) + delta);
    }
    std::string domain = DomainOf(name);
    // Only a set has a value; reads and removals are refused for domain and key alone. Domain
    // and key are each one file name of at most 255 bytes.
    bool fits = domain.size() <= 255 && NameLength(domain) <= 255 && NameLength(key) <= 255 &&
                ((op & 3) != 0 || value.size() <= 1023);
    std::string id = domain + '\0' + key;
    std::map<std::string, std::string>& scope = model[anyUser];

    switch (op & 3) {
      case 0: {
        // The unflushed form takes the same way as SetSystemPreference but for waiting on the
        // disk, which would leave the fuzzer a hundred runs a second.
        int result =
            SetSystemPreferenceUnflushed(anyUser, name.c_str(), key.c_str(), value.c_str());
        Check(result == (fits ? 1 : 0));
        if (result) scope[id] = value;
        break;
      }
      case 1:
      case 3: {
        const char* got = GetSystemPreference(anyUser, name.c_str(), key.c_str(), kDefault);
        auto found = fits ? scope.find(id) : scope.end();
        if (found == scope.end()) {
          Check(got == kDefault);
          break;
        }
        Check(got != nullptr && got != kDefault && found->second == got);
        if ((op & 3) == 3) {
          // A failed read returns a default that points into the returned text unchanged.
          std::string absent = key + "\x02";
          if (NameLength(absent) > 255 || scope.count(domain + '\0' + absent)) break;
          std::string before = got;
          const char* again = GetSystemPreference(anyUser, name.c_str(), absent.c_str(), got);
          Check(again == got && before == again);
        }
        break;
      }
      case 2: {
        int result = RemoveSystemPreference(anyUser, name.c_str(), key.c_str());
        Check(result == (fits ? 1 : 0));
        if (result) scope.erase(id);
        break;
      }
    }
  }
  // Everything the model holds reads back in its scope, and nothing leaks into the other.
  for (int anyUser = 0; anyUser < 2; anyUser++) {
    for (const auto& entry : model[anyUser]) {
      std::string domain = entry.first.substr(0, entry.first.find('\0'));
      std::string key = entry.first.substr(domain.size() + 1);
      std::string name = "!" + domain;
      const char* got = GetSystemPreference(anyUser, name.c_str(), key.c_str(), kDefault);
      Check(got != kDefault && entry.second == got);
      if (!model[1 - anyUser].count(entry.first)) {
        Check(GetSystemPreference(1 - anyUser, name.c_str(), key.c_str(), kDefault) == kDefault);
      }
    }
  }
  return 0;
}
