#pragma once
// Coordinates of the database servers scripts/services.sh starts; a test that needs one
// fails (never passes silently) when they are missing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/data/connection.h"
#include "platform/data/rowset.h"

namespace quillet::testing {

inline std::string serviceVar(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

// One column of a rowset as text, Null written "<null>".
inline std::vector<std::string> column(platform::data::Rowset& r, std::string_view name) {
  std::vector<std::string> out;
  for (r.moveFirst(); !r.eof(); r.moveNext())
    out.push_back(r.value(name).isNull() ? "<null>" : platform::automation::CStr(r.value(name)));
  return out;
}

inline std::string scalarText(platform::data::Connection& c, const std::string& sql) {
  return platform::automation::CStr(c.execute(sql)->value(size_t{0}));
}

// Runs sql and gives its error description, "" when it succeeded.
inline std::string failureOf(platform::data::Connection& c, const std::string& sql) {
  try {
    c.execute(sql);
  } catch (const platform::automation::Error& e) {
    return e.description().empty() ? "error" : e.description();
  }
  return "";
}

} // namespace quillet::testing

// Fails the test unless the env file of scripts/services.sh was loaded.
#define QUILLET_REQUIRE_SERVICES()                                                                 \
  do {                                                                                             \
    if (::quillet::testing::serviceVar("QUILLET_PG_ODBC").empty() ||                               \
        ::quillet::testing::serviceVar("QUILLET_MARIADB_ODBC").empty())                            \
      FAIL() << "database servers not started: run scripts/test.sh";                               \
  } while (0)

namespace quillet::testing {

// A test on one of the servers, through the ODBC connection string the variable names.
class ServerTest : public ::testing::Test {
protected:
  explicit ServerTest(const char* connectionVar) : var_(connectionVar) {}
  void SetUp() override {
    QUILLET_REQUIRE_SERVICES();
    conn = platform::data::openConnection(serviceVar(var_));
  }
  platform::automation::Context::Scope scope;
  platform::automation::Ref<platform::data::Connection> conn;

private:
  const char* var_;
};

} // namespace quillet::testing
