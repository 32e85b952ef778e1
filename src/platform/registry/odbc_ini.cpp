#include "platform/registry/odbc_ini.h"

#include <cstdlib>
#include <fstream>
#include <string_view>

#include "platform/text/ascii.h"
#include "platform/text/casefold.h"

namespace quillet::platform::registry {

namespace {

std::string_view trim(std::string_view s) {
  return text::trim(s, text::kLineBlanks);
}

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

void readIniFile(const std::string& path, Key& into) {
  if (path.empty()) return;
  std::ifstream in(path);
  if (!in) return;
  std::string raw;
  Key* section = nullptr;
  while (std::getline(in, raw)) {
    std::string_view line = trim(raw);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      size_t close = line.find(']');
      std::string_view name = trim(
          line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
      // unixODBC keeps its own options in [ODBC]; it is no data source or driver.
      section =
          name.empty() || text::equalsNoCase(name, "ODBC") ? nullptr : &into.childOrCreate(name);
      continue;
    }
    if (!section) continue;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view key = trim(line.substr(0, eq));
    if (key.empty()) continue;
    section->setValue(key, Value::string(std::string(trim(line.substr(eq + 1)))));
  }
}

} // namespace

OdbcFiles OdbcFiles::fromEnvironment() {
  OdbcFiles f;
  std::string sysDir = env("ODBCSYSINI");
  if (sysDir.empty()) sysDir = "/etc";
  while (sysDir.size() > 1 && sysDir.back() == '/')
    sysDir.pop_back();
  f.systemDsn = sysDir + "/odbc.ini";
  std::string inst = env("ODBCINSTINI");
  if (inst.empty()) inst = "odbcinst.ini";
  f.drivers = inst.front() == '/' ? inst : sysDir + "/" + inst;
  f.userDsn = env("ODBCINI");
  if (f.userDsn.empty()) {
    std::string home = env("HOME");
    if (!home.empty()) f.userDsn = home + "/.odbc.ini";
  }
  return f;
}

void readIniFiles(const std::vector<std::string>& files, Key& into) {
  for (const auto& f : files)
    readIniFile(f, into);
}

std::unique_ptr<Key> odbcKey() {
  OdbcFiles files = OdbcFiles::fromEnvironment();
  auto odbc = std::make_unique<Key>();
  odbc->name = "ODBC";
  readIniFiles({files.systemDsn, files.userDsn}, odbc->childOrCreate("ODBC.INI"));
  readIniFiles({files.drivers}, odbc->childOrCreate("ODBCINST.INI"));
  return odbc;
}

} // namespace quillet::platform::registry
