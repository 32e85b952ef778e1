#pragma once
// SQLite connections opened by the ODBC driver while a guard lives can never load native
// code: the driver turns extension loading on for every connection it opens, so each one
// gets an authorizer that refuses load_extension() before the driver hands it over.
#include <mutex>

namespace quillet::platform::data {

class SqliteOpenGuard {
public:
  SqliteOpenGuard();
  ~SqliteOpenGuard();
  SqliteOpenGuard(const SqliteOpenGuard&) = delete;
  SqliteOpenGuard& operator=(const SqliteOpenGuard&) = delete;

private:
  std::unique_lock<std::mutex> lock_;
};

} // namespace quillet::platform::data
