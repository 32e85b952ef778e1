#pragma once
// Coordinates of the database servers scripts/services.sh starts; a test that needs one
// fails (never passes silently) when they are missing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace quillet::testing {

inline std::string serviceVar(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

} // namespace quillet::testing

// Fails the test unless the env file of scripts/services.sh was loaded.
#define QUILLET_REQUIRE_SERVICES()                                                                 \
  do {                                                                                             \
    if (::quillet::testing::serviceVar("QUILLET_PG_ODBC").empty() ||                               \
        ::quillet::testing::serviceVar("QUILLET_MARIADB_ODBC").empty())                            \
      FAIL() << "database servers not started: run scripts/test.sh";                               \
  } while (0)
