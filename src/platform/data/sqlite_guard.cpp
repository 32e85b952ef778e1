#include "platform/data/sqlite_guard.h"

#include <sqlite3.h>

#include "platform/automation/lazy_library.h"

namespace {
// The driver brings SQLite with it; a run that opens no SQLite database need not load it.
constinit quillet::platform::automation::LazyLibrary libsqlite(QUILLET_SONAME_SQLITE3);
} // namespace

QUILLET_LAZY_FUNCTION(libsqlite, int, sqlite3_stricmp, (const char* a, const char* b), (a, b))
QUILLET_LAZY_FUNCTION(
    libsqlite, int, sqlite3_set_authorizer,
    (sqlite3 * db, int (*callback)(void*, int, const char*, const char*, const char*, const char*),
     void* data),
    (db, callback, data))
QUILLET_LAZY_FUNCTION(libsqlite, int, sqlite3_auto_extension, (void (*entry)(void)), (entry))
QUILLET_LAZY_FUNCTION(libsqlite, int, sqlite3_cancel_auto_extension, (void (*entry)(void)), (entry))

namespace quillet::platform::data {

namespace {

std::mutex& openMutex() {
  static std::mutex m;
  return m;
}

int authorize(void*, int action, const char*, const char* name, const char*, const char*) {
  if (action == SQLITE_FUNCTION && name && sqlite3_stricmp(name, "load_extension") == 0)
    return SQLITE_DENY;
  return SQLITE_OK;
}

int protect(sqlite3* db, const char**, const sqlite3_api_routines*) {
  // Its arguments vary, so it has no forwarding definition; SQLite is loaded by now.
  static const auto dbConfig =
      reinterpret_cast<decltype(&sqlite3_db_config)>(libsqlite.function("sqlite3_db_config"));
  dbConfig(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
  sqlite3_set_authorizer(db, &authorize, nullptr);
  return SQLITE_OK;
}

// SQLite's automatic extensions are declared without arguments and called with these.
void (*const kProtect)() = reinterpret_cast<void (*)()>(&protect);

} // namespace

// The automatic extension is process-wide, so it is installed only while the driver opens
// a connection, and one opening at a time.
SqliteOpenGuard::SqliteOpenGuard() : lock_(openMutex()) {
  sqlite3_auto_extension(kProtect);
}

SqliteOpenGuard::~SqliteOpenGuard() {
  sqlite3_cancel_auto_extension(kProtect);
}

} // namespace quillet::platform::data
