#pragma once
// SQLite files made for a test straight through the SQLite library, so that what the code
// under test reads was not written by that code.
#include <sqlite3.h>

#include <string>

#include <gtest/gtest.h>

namespace quillet::testing {

// Runs the SQL on the SQLite file at path, making the file when it is missing; the test
// fails on any error.
inline void makeSqlite(const std::string& path, const char* sql) {
  sqlite3* h = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &h), SQLITE_OK);
  char* err = nullptr;
  int rc = sqlite3_exec(h, sql, nullptr, nullptr, &err);
  std::string msg = err ? err : "";
  sqlite3_free(err);
  sqlite3_close(h);
  ASSERT_EQ(rc, SQLITE_OK) << msg;
}

} // namespace quillet::testing
