// `brindlewood new FILE.kvz --db CONNECTION [--table T]... [--schema S] [--template ZIP]`:
// creates a project from a live database and saves it.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/loader_copies.h"
#include "core/state.h"
#include "core/status.h"
#include "host/classes.h"
#include "model/database.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/data/connection_string.h"
#include "platform/text/casefold.h"
#include "platform/ui/ui.h"
#include "project/ruz.h"

namespace quillet::host {

namespace au = platform::automation;
namespace fs = std::filesystem;
using au::Ref;
using au::Variant;

namespace {

constexpr const char* kNewUsage =
    "usage: brindlewood new FILE.kvz --db CONNECTION [--table T]... [--schema S] "
    "[--template ZIP]\n";

constexpr const char* kNewHelp =
    "Creates a project from a database and saves it as FILE.kvz. CONNECTION is an ODBC\n"
    "connection string (Driver=...;...), the name of an ODBC data source, the path of an\n"
    "Access (.mdb, .accdb) or SQLite file, or a recorded catalogue (.json). With --table only\n"
    "the tables named are read; the others are listed, to be read later. --schema chooses the\n"
    "schema where the database asks for one; --template sets the project's template.\n";

struct NewOptions {
  std::string file, db, schema, templateZip;
  std::vector<std::string> tables;
  bool help = false;
};

int usageError(const std::string& problem) {
  std::cerr << "brindlewood new: " << problem << "\n" << kNewUsage;
  return 2;
}

// How the CONNECTION argument reaches a loader.
struct Source {
  std::string dbType; // "ACCESS", "ODBC", "SQLITE" or "OLEDB" (a whole connection string)
  std::string dbName; // the data source name
  std::string path;   // an Access or SQLite file, as given
  std::string phyPath;
  std::string connStr;
};

bool hasExtension(const std::string& path, std::initializer_list<const char*> exts) {
  std::string ext = platform::text::toLower(fs::path(path).extension().string());
  for (const char* e : exts)
    if (ext == e) return true;
  return false;
}

bool isSqliteFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[16] = {};
  in.read(head, sizeof head);
  return in.gcount() == sizeof head && std::string(head, 15) == "SQLite format 3";
}

// Decides the kind of CONNECTION; a file that should exist and does not is an error text.
std::optional<Source> classify(const std::string& conn, std::string& error) {
  Source s;
  if (conn.find('=') != std::string::npos) {
    s.dbType = "OLEDB";
    s.connStr = conn;
    return s;
  }
  std::error_code ec;
  const bool exists = fs::is_regular_file(conn, ec);
  const bool looksLikeFile =
      exists || conn.find('/') != std::string::npos ||
      hasExtension(conn, {".mdb", ".accdb", ".json", ".db", ".sqlite", ".sqlite3", ".db3"});
  if (!looksLikeFile) {
    s.dbType = "ODBC";
    s.dbName = conn;
    return s;
  }
  if (!exists) {
    error = "the database file '" + conn + "' does not exist";
    return std::nullopt;
  }
  std::string full = fs::absolute(conn, ec).lexically_normal().string();
  if (ec) full = conn;
  if (hasExtension(conn, {".mdb", ".accdb"})) {
    s.dbType = "ACCESS";
    s.path = conn;
    s.phyPath = full;
  } else if (hasExtension(conn, {".json"})) {
    s.dbType = "OLEDB";
    s.connStr = platform::data::buildOdbcConnectionString(
        {{"Provider", "Quillet.Recorded"}, {"Data Source", full}});
  } else if (isSqliteFile(conn)) {
    s.dbType = "SQLITE";
    s.path = conn;
    s.phyPath = full;
    s.connStr =
        platform::data::buildOdbcConnectionString({{"Driver", "SQLite3"}, {"Database", full}});
  } else {
    error = "'" + conn + "' is neither an Access, SQLite nor recorded catalogue file";
    return std::nullopt;
  }
  return s;
}

// Loads the database (every table, or the listing and then the tables asked for) into the
// project, as the project's own database loading does it; false with ProjErr set on failure.
bool loadDatabase(project::RUZ& proj, const Source& src, const NewOptions& opt) {
  core::State& ctx = core::state();
  const std::string key = src.dbType == "ACCESS" ? fs::path(src.phyPath).filename().string()
                          : src.dbType == "ODBC" ? src.dbName
                                                 : "DB";
  ctx.CurrentProgramLanguage = proj.ProgramLanguage();
  ctx.CurrentSQLQuote = proj.SQLQuote();
  core::LoaderCopies& copies = core::loaderCopies();
  copies.DefaultDateFormat = proj.defaultDateFormat();
  copies.RepeatColumns = proj.RepeatColumns();
  // Tables named on the command line: the whole database is listed without its columns
  // and only those tables are read.
  copies.DynamicLoadDB = !opt.tables.empty() || proj.DynamicLoadDB();

  core::RUZStatus& status = core::SharedStatus();
  status.ShowStatus(0, ctx.DisplayName + " - Loading Database...");
  proj.Databases()->Add(key);
  proj.useDatabase(key);
  Ref<model::RUZDatabase> db = proj.DB();
  ctx.ProjErr.clear();
  int16_t rc = 1;
  if (db) {
    if (src.dbType == "ACCESS")
      rc = db->LoadDAODB(Variant(src.path), Variant(src.phyPath), Variant(false), Variant(""),
                         Variant(""), Variant(""));
    else
      rc = db->LoadADODB(Variant(src.dbType), Variant(src.dbName), Variant(""), Variant(""),
                         Variant(src.connStr), Variant(""), Variant(opt.schema));
  }
  for (size_t i = 0; rc == 0 && i < opt.tables.size(); ++i) {
    status.DispStatus("Loading Table " + opt.tables[i] + "...");
    if (src.dbType == "ACCESS")
      rc = db->LoadDAODB(Variant(db->DBPath()), Variant(db->DBPhyPath()), Variant(false),
                         Variant(""), Variant(""), Variant(opt.tables[i]));
    else
      rc = db->LoadADODB(Variant(db->DBType()), Variant(db->DBName()), Variant(db->DBUID()),
                         Variant(db->DBPwd()), Variant(db->DBConnstr()), Variant(opt.tables[i]),
                         Variant(db->DBSchema()));
  }
  status.CloseStatus();
  if (rc != 0) {
    if (ctx.ProjErr.empty()) ctx.ProjErr = "Load Database failed!";
    return false;
  }
  // A later check reads the SQLite file by its path.
  if (src.dbType == "SQLITE") {
    db->setDBPath(src.path);
    db->setDBPhyPath(src.phyPath);
  }
  ctx.ProjErr.clear();
  return true;
}

void printSummary(project::RUZ& proj, const std::string& file) {
  Ref<model::RUZDatabase> db = proj.DB();
  int32_t tables = 0, views = 0, fields = 0, listed = 0;
  std::vector<std::string> unsupported, failures;
  for (const Ref<model::RUZTable>& t : db->Tables()->items().list()) {
    if (!t->TblError().empty()) failures.push_back(t->TblName() + ": " + t->TblError());
    if (!t->TblLoaded()) {
      if (t->TblError().empty()) ++listed;
      continue;
    }
    (t->TblType() == "TABLE" ? tables : views) += 1;
    for (const Ref<model::RUZField>& f : t->Fields()->items().list()) {
      ++fields;
      if (!f->FldSupport()) {
        std::string type =
            f->FldTypeName().empty() ? std::to_string(f->FldType()) : f->FldTypeName();
        unsupported.push_back(t->TblName() + "." + f->FldName() + " (" + type + ")");
      }
    }
  }
  std::cout << "Created " << file << " from " << db->DBDBMSName();
  if (!db->DBDBMSVer().empty()) std::cout << " " << db->DBDBMSVer();
  std::cout << "\n";
  std::cout << "Tables:      " << tables << "\n";
  std::cout << "Views:       " << views << "\n";
  std::cout << "Fields:      " << fields << "\n";
  if (listed) std::cout << "Not read:    " << listed << " (listed, to be loaded later)\n";
  std::cout << "Unsupported: " << unsupported.size() << "\n";
  for (const std::string& u : unsupported)
    std::cout << "  " << u << "\n";
  if (!failures.empty()) std::cout << "Not readable: " << failures.size() << "\n";
  for (const std::string& f : failures)
    std::cout << "  " << f << "\n";
}

} // namespace

int runNewCommand(const std::vector<std::string>& args) {
  NewOptions opt;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      opt.help = true;
    } else if (a == "--db" || a == "--table" || a == "--schema" || a == "--template") {
      if (i + 1 >= args.size()) return usageError(a + " needs a value");
      const std::string& v = args[++i];
      if (a == "--db")
        opt.db = v;
      else if (a == "--table")
        opt.tables.push_back(v);
      else if (a == "--schema")
        opt.schema = v;
      else
        opt.templateZip = v;
    } else if (a.rfind("--", 0) == 0) {
      return usageError("unknown option '" + a + "'");
    } else if (opt.file.empty()) {
      opt.file = a;
    } else {
      return usageError("more than one project file given");
    }
  }
  if (opt.help) {
    std::cout << kNewUsage << "\n" << kNewHelp;
    return 0;
  }
  if (opt.file.empty()) return usageError("no project file given");
  if (opt.db.empty()) return usageError("--db is required");

  std::error_code ec;
  // A project that exists is the user's work: never replace it with a new one.
  if (fs::exists(opt.file, ec)) {
    std::cerr << "brindlewood new: " << opt.file << " already exists\n";
    return 1;
  }
  if (!opt.templateZip.empty() && !fs::is_regular_file(opt.templateZip, ec)) {
    std::cerr << "brindlewood new: the template '" << opt.templateZip << "' does not exist\n";
    return 1;
  }
  std::string problem;
  std::optional<Source> src = classify(opt.db, problem);
  if (!src) {
    std::cerr << "brindlewood new: " << problem << "\n";
    return 1;
  }

  registerAllClasses();
  platform::ui::install(std::make_shared<platform::ui::ConsoleUi>());
  platform::ui::installProgress(std::make_shared<platform::ui::ConsoleProgress>());
  core::State& ctx = core::state();
  Ref<project::RUZ> proj = au::makeRef<project::RUZ>();
  proj->AddProj(fs::path(opt.file).stem().string());
  if (!opt.templateZip.empty()) proj->setTemplate(opt.templateZip);
  if (!loadDatabase(*proj, *src, opt)) {
    std::cerr << ctx.ProjErr << "\n";
    return 1;
  }
  proj->Save(opt.file);
  if (!ctx.ProjErr.empty()) {
    std::cerr << ctx.ProjErr << "\n";
    return 1;
  }
  printSummary(*proj, opt.file);
  return 0;
}

} // namespace quillet::host
