#include "platform/data/sqlite_guard.h"

#include <sqlite3.h>

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
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
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
