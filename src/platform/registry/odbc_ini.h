#pragma once
// unixODBC's configuration files read as registry keys: each section of odbc.ini is a
// sub-key of "Software\ODBC\ODBC.INI" and each section of odbcinst.ini one of
// "Software\ODBC\ODBCINST.INI" below the local machine root, with the section's entries as
// text values. The files are found as unixODBC finds them: ODBCSYSINI names the folder of
// the system files (default /etc), ODBCINSTINI the driver file's name in it (default
// odbcinst.ini), and ODBCINI the user's data source file (default ~/.odbc.ini), whose
// sections are added to and override the system's. The "ODBC" section (unixODBC's own
// options) is no data source and is left out.
#include <string>
#include <vector>

#include "platform/registry/registry.h"

namespace quillet::platform::registry {

struct OdbcFiles {
  std::string systemDsn; // odbc.ini of the system folder
  std::string userDsn;   // the user's odbc.ini
  std::string drivers;   // odbcinst.ini
  static OdbcFiles fromEnvironment();
};

// Reads ini files into a key (sections become sub-keys; later files override earlier ones).
void readIniFiles(const std::vector<std::string>& files, Key& into);

// The key "Software\ODBC" with the sub-keys "ODBC.INI" and "ODBCINST.INI", freshly read.
std::unique_ptr<Key> odbcKey();

} // namespace quillet::platform::registry
