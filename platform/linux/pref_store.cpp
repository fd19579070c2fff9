// The preference store on Linux: one SQLite database per user scope, rows (domain, host,
// key, value) keyed by (domain, host, key); only this host's rows and TEXT values count. Each
// write is one autocommit statement whose commit is its result: atomic, kept when the process
// crashes, and after a power cut the store holds an earlier consistent state (the last commits
// may be lost). Nothing read is cached; a connection per scope is reopened when the path or
// file changes and never used across fork. A damaged database reads as empty and refuses
// writes, never rebuilt; reading or removing from a missing store creates nothing.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/linux/file_making.h"
#include "platform/linux/pref_store.h"
#include "platform/port/paths.h"
#include "platform/port/prefs.h"
#include "platform/prefs.h"
#include "platform/waiting.h"
#include "util/file_name.h"
#include "util/latin1.h"
#include "util/strbuf.h"

namespace {

// The longest 8-bit text (domain, key or value) accepted is 1023 bytes, which takes at most
// twice as many bytes in UTF-8.
constexpr size_t kTextBytes = 1024;
constexpr size_t kUtf8Capacity = 2 * kTextBytes;
constexpr double kBusyTimeoutSeconds = 2.0;

struct Connection {
  sqlite3* db;
  pid_t pid;  // the process that opened it; a forked child must not use it
  char path[kPathCapacity];
  dev_t dev;
  ino_t ino;
  double deadline;  // when the current call stops waiting for other processes' locks
  int walChecked;   // this connection's store is in write-ahead-log mode: not asked again
  sqlite3_stmt* select;
  sqlite3_stmt* upsert;
  sqlite3_stmt* remove;
  sqlite3* inherited;  // a parent's connection, kept (unused) so it is not reported leaked
};

Connection s_connections[2];
// The connection whose call is in progress, for the sleeps SQLite takes through the VFS.
Connection* s_calling;
// Scopes whose locks another process held through a whole call: later calls of this process
// try them once without waiting, so a holder that never lets go delays a launch only once.
int s_heldTooLong[2];

int ScopeOf(const Connection& c) {
  return &c == &s_connections[1];
}

void NoteHeldTooLong(const Connection& c) {
  s_heldTooLong[ScopeOf(c)] = 1;
}

// SQLite's own retry loops (the write-ahead log's recovery among them, about 10 s) sleep
// through the VFS without asking the busy handler; this VFS is the default one with a sleep
// that ends at the call's deadline, so no loop inside SQLite outlasts it.
sqlite3_vfs s_boundedVfs;
sqlite3_vfs* s_baseVfs;

int SleepWithinDeadline(sqlite3_vfs*, int micros) {
  if (s_calling != nullptr) {
    double left = s_calling->deadline - MonotonicSeconds();
    if (left <= 0) {
      NoteHeldTooLong(*s_calling);
      return 0;
    }
    if (micros > left * 1e6) micros = static_cast<int>(left * 1e6) + 1;
  }
  return s_baseVfs->xSleep(s_baseVfs, micros);
}

const char* BoundedVfs() {
  if (s_baseVfs != nullptr) return s_boundedVfs.zName;
  sqlite3_vfs* base = sqlite3_vfs_find(nullptr);
  if (base == nullptr) return nullptr;
  s_boundedVfs = *base;  // pAppData stays the base's: its methods read it
  s_boundedVfs.pNext = nullptr;
  s_boundedVfs.zName = "qfn-bounded-sleep";
  s_boundedVfs.xSleep = SleepWithinDeadline;
  if (sqlite3_vfs_register(&s_boundedVfs, 0) != SQLITE_OK) return nullptr;
  s_baseVfs = base;
  return s_boundedVfs.zName;
}

const char kCreateTable[] =
    "CREATE TABLE IF NOT EXISTS prefs (domain TEXT NOT NULL, host TEXT NOT NULL, "
    "key TEXT NOT NULL, value, PRIMARY KEY (domain, host, key))";
const char kSelect[] = "SELECT value FROM prefs WHERE domain = ?1 AND host = ?2 AND key = ?3";
const char kUpsert[] =
    "INSERT INTO prefs (domain, host, key, value) VALUES (?1, ?2, ?3, ?4) "
    "ON CONFLICT (domain, host, key) DO UPDATE SET value = excluded.value";
const char kDelete[] = "DELETE FROM prefs WHERE domain = ?1 AND host = ?2 AND key = ?3";

// This machine's id: /etc/machine-id, else the host name. It cannot change while the
// process runs, so it is looked up once.
const char* HostId() {
  static char s_host[256];
  if (s_host[0] != '\0') return s_host;
  if (FILE* file = fopen("/etc/machine-id", "r")) {
    if (fgets(s_host, sizeof s_host, file) == nullptr) s_host[0] = '\0';
    fclose(file);
  }
  size_t len = strlen(s_host);
  while (len > 0 && (s_host[len - 1] == '\n' || s_host[len - 1] == ' ' || s_host[len - 1] == '\t' ||
                     s_host[len - 1] == '\r'))
    s_host[--len] = '\0';
  if (s_host[0] == '\0' && gethostname(s_host, sizeof s_host - 1) != 0) s_host[0] = '\0';
  s_host[sizeof s_host - 1] = '\0';
  if (s_host[0] == '\0') StrCopy(s_host, "localhost");
  return s_host;
}

// 1 when an 8-bit text is short enough to be stored.
int TextFits(const char* text) {
  return strnlen(text, kTextBytes) < kTextBytes;
}

// A launcher text as the store's UTF-8; 0 when it is longer than the store takes.
int ToStoreText(const char* in, char* out, size_t capacity) {
  return TextFits(in) && Latin1ToUtf8(in, out, capacity);
}

// A path from the environment counts only when it is absolute: a relative one would land
// wherever the process happens to run. A configuration folder must also be more than the
// root itself, which is what an empty prefix followed by '/' gives.
int DatabasePath(int anyUser, char* out, size_t capacity) {
  if (anyUser) {
    const char* path = getenv("QFN_SYSTEM_PREFS");
    if (path == nullptr || path[0] == '\0') path = "/var/lib/Quillfen/preferences.db";
    return path[0] == '/' && StrCopy(out, capacity, path);
  }
  const char* config = getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/' && config[strspn(config, "/")] != '\0') {
    if (!StrCopy(out, capacity, config)) return 0;
  } else if (!OsHomeFolder(out, capacity) || !StrAppend(out, capacity, "/.config")) {
    return 0;
  }
  return StrAppend(out, capacity, "/Quillfen/preferences.db");
}

void Drop(Connection& c) {
  if (c.db != nullptr) {
    if (c.pid == getpid()) {
      sqlite3_finalize(c.select);
      sqlite3_finalize(c.upsert);
      sqlite3_finalize(c.remove);
      sqlite3_close_v2(c.db);
    } else {
      c.inherited = c.db;
    }
  }
  sqlite3* inherited = c.inherited;
  memset(&c, 0, sizeof c);
  c.inherited = inherited;
}

// Creates the folders above the database and the empty database file itself, readable by
// every user whatever the file-creation mask. O_EXCL also refuses a link at the path.
int CreateDatabaseFile(int anyUser, const char* path) {
  if (!CreatePrefStoreFolders(anyUser, path)) return 0;
  int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return errno == EEXIST;
  fchmod(fd, 0644);
  close(fd);
  return 1;
}

// Waits for a busy database until the call's deadline, across every step of the call that
// waits (reading the schema, changing the journal mode, creating the table, the statement).
// SQLite's own busy timeout sleeps up to 100 ms between tries, and a process writing in a loop
// takes the lock again within microseconds of releasing it, so a waiter polling that slowly
// starves. Short sleeps with some jitter find the gaps between the other process's
// transactions.
int WaitWhileBusy(void* context, int) {
  Connection& c = *static_cast<Connection*>(context);
  if (MonotonicSeconds() >= c.deadline) {
    NoteHeldTooLong(c);
    return 0;
  }
  PauseJittered(50, 200);
  return 1;
}

// Per-connection settings; none of them touches the file. Both stores write through the
// write-ahead log with synchronous=NORMAL: a commit is an append to the log with no flush, and
// after a power cut the database holds an earlier consistent state; the log is flushed only
// when it is copied back into the database (a checkpoint). A user who may not write the
// any-user store can still read it while its log and index files exist (SQLite then opens both
// read-only), so that store keeps them when its last connection closes; SQLite makes them with
// the database's mode, readable by every user. Such a reader, with no writer running, reads
// the whole log once per process, so the any-user store checkpoints after 16 pages (about
// every fourth launch as root, two flushes) and the current-user store, read back by its
// writers, after 64.
int Configure(sqlite3* db, int anyUser) {
  int persist = 1;
  if (anyUser && sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist) != SQLITE_OK)
    return 0;
  const char* sql = anyUser ? "PRAGMA synchronous=NORMAL; PRAGMA wal_autocheckpoint=16"
                            : "PRAGMA synchronous=NORMAL; PRAGMA wal_autocheckpoint=64";
  return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// The open connection of a scope, or null; each call of the store opens it once, which starts
// the call's deadline for waiting on locks. Only create makes a missing database; *missing
// tells a store that does not exist (nothing at its path) from one that cannot be opened.
Connection* Open(int anyUser, int create, int* missing) {
  Connection& c = s_connections[anyUser ? 1 : 0];
  double deadline = MonotonicSeconds() + PrefStoreWaitSeconds(anyUser, kBusyTimeoutSeconds);
  s_calling = &c;
  *missing = 0;
  char path[kPathCapacity];
  if (!DatabasePath(anyUser, path, sizeof path)) return nullptr;
  // The path itself is never followed: a link there (made by whoever could write the folder)
  // would have this process write a database into the file it points to.
  struct stat st;
  if (lstat(path, &st) != 0) {
    *missing = errno == ENOENT || errno == ENOTDIR;
    if (!create || !CreateDatabaseFile(anyUser, path) || lstat(path, &st) != 0) {
      Drop(c);
      return nullptr;
    }
    *missing = 0;
  }
  if (!S_ISREG(st.st_mode)) {
    Drop(c);
    return nullptr;
  }
  if (c.db != nullptr && c.pid == getpid() && strcmp(c.path, path) == 0 && c.dev == st.st_dev &&
      c.ino == st.st_ino) {
    c.deadline = deadline;
    return &c;
  }

  Drop(c);
  c.deadline = deadline;
  sqlite3* db = nullptr;
  // The settings read the schema, so they wait for locks like every later step.
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW;
  if (sqlite3_open_v2(path, &db, flags, BoundedVfs()) != SQLITE_OK ||
      sqlite3_busy_handler(db, WaitWhileBusy, &c) != SQLITE_OK || !Configure(db, anyUser)) {
    sqlite3_close_v2(db);
    return nullptr;
  }
  c.db = db;
  c.pid = getpid();
  StrCopy(c.path, sizeof c.path, path);
  c.dev = st.st_dev;
  c.ino = st.st_ino;
  return &c;
}

// Puts the store in write-ahead-log mode once per connection; a database still in
// rollback-journal mode is converted here by a user who may write it, keeping every row. 0 only
// when the database was busy until the deadline; a file system without the log's shared memory
// keeps the rollback journal, and a damaged database fails at the statement that follows.
// The change reads the database first and then needs it alone; when another process began a
// write in between, SQLite reports busy at once instead of waiting (waiting while holding the
// read lock could never end), so it is tried again until the deadline.
int UseWriteAheadLog(Connection& c) {
  if (c.walChecked) return 1;
  int rc;
  while (((rc = sqlite3_exec(c.db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr)) & 0xFF) ==
         SQLITE_BUSY) {
    if (MonotonicSeconds() >= c.deadline) {
      NoteHeldTooLong(c);
      return 0;
    }
    PauseJittered(50, 200);
  }
  c.walChecked = rc == SQLITE_OK;
  return 1;
}

// A prepared statement kept on the connection; not kept when it cannot be prepared (no
// table yet, damaged file), so the next call tries again.
sqlite3_stmt* Statement(Connection& c, sqlite3_stmt*& slot, const char* sql) {
  if (slot == nullptr && sqlite3_prepare_v2(c.db, sql, -1, &slot, nullptr) != SQLITE_OK) {
    sqlite3_finalize(slot);
    slot = nullptr;
  }
  return slot;
}

// The UTF-8 texts bound to a statement; they must outlive its step.
struct Bound {
  char domain[kUtf8Capacity];
  char key[kUtf8Capacity];
  char value[kUtf8Capacity];
};

int BindKey(sqlite3_stmt* stmt, Bound& bound, const char* domain, const char* key) {
  return ToStoreText(domain, bound.domain, sizeof bound.domain) &&
         ToStoreText(key, bound.key, sizeof bound.key) &&
         sqlite3_bind_text(stmt, 1, bound.domain, -1, SQLITE_STATIC) == SQLITE_OK &&
         sqlite3_bind_text(stmt, 2, HostId(), -1, SQLITE_STATIC) == SQLITE_OK &&
         sqlite3_bind_text(stmt, 3, bound.key, -1, SQLITE_STATIC) == SQLITE_OK;
}

}  // namespace

int CreatePrefStoreFolders(int anyUser, const char* storeFile) {
  return CreateFoldersWithMode(storeFile, 0, anyUser ? 0755 : 0700);
}

// Removing from a store that does not exist succeeds at once: there is nothing to remove, and
// creating an empty database (and its folders) for it would be a write nobody asked for.
int OsPrefWrite(int anyUser, const char* domain, const char* key, const char* value) {
  if (domain == nullptr || key == nullptr) return 0;
  // Texts that can never be stored are refused before the store is looked at, so the
  // answer does not depend on whether the store exists.
  if (!TextFits(domain) || !TextFits(key) || (value != nullptr && !TextFits(value))) return 0;
  int missing = 0;
  Connection* c = Open(anyUser, value != nullptr, &missing);
  if (c == nullptr) return value == nullptr && missing;
  if (!UseWriteAheadLog(*c)) return 0;
  sqlite3_stmt*& slot = value ? c->upsert : c->remove;
  const char* sql = value ? kUpsert : kDelete;
  sqlite3_stmt* stmt = Statement(*c, slot, sql);
  // The table is made by the first write to a new database (its statements cannot be
  // prepared before); a damaged database refuses this as well, and a busy one is not asked
  // again once the call's wait is over.
  if (stmt == nullptr && (sqlite3_errcode(c->db) & 0xFF) != SQLITE_BUSY &&
      sqlite3_exec(c->db, kCreateTable, nullptr, nullptr, nullptr) == SQLITE_OK)
    stmt = Statement(*c, slot, sql);
  if (stmt == nullptr) return 0;
  Bound bound;
  int ok = BindKey(stmt, bound, domain, key);
  if (ok && value != nullptr)
    ok = ToStoreText(value, bound.value, sizeof bound.value) &&
         sqlite3_bind_text(stmt, 4, bound.value, -1, SQLITE_STATIC) == SQLITE_OK;
  // In autocommit mode the statement's own transaction commits inside the step.
  ok = ok && sqlite3_step(stmt) == SQLITE_DONE;
  sqlite3_reset(stmt);
  sqlite3_clear_bindings(stmt);  // the bound texts live on this function's stack
  return ok;
}

int OsPrefRead(int anyUser, const char* domain, const char* key, char* out, size_t capacity) {
  if (domain == nullptr || key == nullptr || capacity == 0) return 0;
  int missing = 0;
  Connection* c = Open(anyUser, 0, &missing);
  if (c == nullptr) return 0;
  sqlite3_stmt* stmt = Statement(*c, c->select, kSelect);
  if (stmt == nullptr) return 0;
  // Decoded into a buffer of its own first, so that a failed read leaves out untouched.
  char value[kTextBytes];
  Bound bound;
  int ok = BindKey(stmt, bound, domain, key) && sqlite3_step(stmt) == SQLITE_ROW &&
           sqlite3_column_type(stmt, 0) == SQLITE_TEXT;
  if (ok) {
    const unsigned char* text = sqlite3_column_text(stmt, 0);
    size_t length = static_cast<size_t>(sqlite3_column_bytes(stmt, 0));
    ok = text != nullptr && Utf8ToLatin1(text, length, value, sizeof value) &&
         strlen(value) < capacity && StrCopy(out, capacity, value);
  }
  // Resetting ends the read transaction, so no lock is held between calls.
  sqlite3_reset(stmt);
  sqlite3_clear_bindings(stmt);  // the bound texts live on this function's stack
  return ok;
}

double PrefStoreWaitSeconds(int anyUser, double seconds) {
  return s_heldTooLong[anyUser ? 1 : 0] ? 0.0 : seconds;
}

void NotePrefStoreHeld(int anyUser) {
  s_heldTooLong[anyUser ? 1 : 0] = 1;
}

int PrefStoreHeldByOthers(int anyUser) {
  return s_heldTooLong[anyUser ? 1 : 0];
}

int PrefStorePath(int anyUser, char* out, size_t capacity) {
  return DatabasePath(anyUser, out, capacity);
}
