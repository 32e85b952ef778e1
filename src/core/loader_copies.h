#pragma once
// The thread's copies of the project and database settings that schema reading and the
// generation defaults read in place of the settings themselves: database loading, table and
// custom view loading and the project file reader refresh them before they load fields.
#include <cstdint>
#include <string>

#include "platform/automation/context.h"

namespace quillet::core {

struct LoaderCopies {
  // The DBMS name of the database being read ("PostgreSQL", "MariaDB", "ACCESS"...); every
  // reader and type map derives the database kind from it.
  std::string CurrentDBMSName;
  bool DynamicLoadDB = false;
  int16_t DefaultDateFormat = 0;
  int16_t RepeatColumns = 0;
};

inline LoaderCopies& loaderCopies() {
  return platform::automation::Context::current().shared<LoaderCopies>();
}

} // namespace quillet::core
