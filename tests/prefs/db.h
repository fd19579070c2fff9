// Direct SQLite access for the preference tests: what the store really holds, rows written
// the way another program (or another host sharing the home folder) could write them, and
// this machine's host id as the store should use it.
#pragma once

#include <sqlite3.h>

#include <string>

#include "tests/support/host.h"

// Runs SQL against a database file; true when every statement succeeded.
inline bool Exec(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  bool ok = sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
            sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return ok;
}

// The first column of the first row as text ("<none>" without a row, "<error>" on failure).
inline std::string Query(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_stmt* stmt = nullptr;
  std::string result = "<error>";
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(stmt, 0);
      result.assign(text ? reinterpret_cast<const char*>(text) : "<null>",
                    text ? static_cast<size_t>(sqlite3_column_bytes(stmt, 0)) : 6);
    } else if (rc == SQLITE_DONE) {
      result = "<none>";
    }
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return result;
}

// An SQL text literal.
inline std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'";
}

// The value stored for this host as text, "<none>" when there is no row.
inline std::string Stored(const std::string& path, const std::string& domain,
                          const std::string& key) {
  return Query(path, "SELECT value FROM prefs WHERE domain = " + Quote(domain) +
                         " AND host = " + Quote(ThisHost()) + " AND key = " + Quote(key));
}

inline const char kCreatePrefs[] =
    "CREATE TABLE IF NOT EXISTS prefs (domain TEXT NOT NULL, host TEXT NOT NULL, "
    "key TEXT NOT NULL, value, PRIMARY KEY (domain, host, key));";
