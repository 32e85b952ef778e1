// Whole runs on the template engine: the fixture template set (packed at build time) over a
// project made by `brindlewood new` from the sample shop database. Golden outputs live in
// golden/; QUILLET_UPDATE_GOLDEN=1 rewrites them after a deliberate change.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "generation/engine.h"
#include "generation/generator.h"
#include "platform/automation/convert.h"
#include "project/project_env.h"
#include "project/state.h"
#include "support/host_run.h"
#include "template/cache.h"
#include "template/work.h"
#include "extensions/extension.h"

namespace quillet::testing {
namespace {

namespace fs = std::filesystem;
using generation::Generator;
using platform::automation::makeRef;

const fs::path kGolden = fs::path(QUILLET_TEST_DIR) / "golden";

fs::path buildDir() {
  const char* dir = std::getenv("QUILLET_BUILD_DIR");
  return dir ? fs::path(dir) : fs::current_path();
}

std::string shellQuoted(const std::string& s) {
  std::string out = "'";
  for (char c : s)
    out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Every file below a folder, relative and sorted.
std::vector<std::string> filesBelow(const fs::path& root) {
  std::vector<std::string> out;
  if (!fs::exists(root)) return out;
  for (auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) out.push_back(fs::relative(e.path(), root).string());
  std::sort(out.begin(), out.end());
  return out;
}

// Bytes and modification time of every file below a folder.
std::map<std::string, std::pair<std::string, fs::file_time_type>> snapshot(const fs::path& root) {
  std::map<std::string, std::pair<std::string, fs::file_time_type>> out;
  for (const std::string& f : filesBelow(root))
    out[f] = {readAll(root / f), fs::last_write_time(root / f)};
  return out;
}

// The ODBC setup the test run started with (the SQLite driver), captured before any test
// environment points unixODBC at an empty folder.
const std::map<std::string, std::string>& odbcAtStart() {
  static const std::map<std::string, std::string> vars = [] {
    std::map<std::string, std::string> v;
    for (const char* name : {"ODBCSYSINI", "ODBCINSTINI", "ODBCINI"})
      if (const char* value = std::getenv(name)) v[name] = value;
    return v;
  }();
  return vars;
}
const bool kOdbcCaptured = (odbcAtStart(), true);

class SiteRun : public ProjectTest {
protected:
  SiteRun() {
    for (const char* name : {"ODBCSYSINI", "ODBCINSTINI", "ODBCINI"}) {
      auto it = odbcAtStart().find(name);
      if (it == odbcAtStart().end())
        ::unsetenv(name);
      else
        ::setenv(name, it->second.c_str(), 1);
    }
    // The program's own defaults, as an installed program finds them beside it.
    fs::copy_file(buildDir() / "share/brindlewood/machine.reg", env.path("machine.reg"));
    generation::registerTemplateEngine();
    dest = env.path("site");
    kvz = env.path("shop.kvz").string();
    HostRun made = runHost("new " + shellQuoted(kvz) + " --db " +
                           shellQuoted((buildDir() / "samples/shop.db").string()));
    EXPECT_EQ(made.status, 0) << made.out;

    env.write("lang/english.xml",
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<language id=\"en\" desc=\"English\">"
              "\r\n<global>\r\n<phrase id=\"Title\" value=\"Shop\"/>\r\n</global>\r\n</language>\r\n");
    setUser("General", "LanguageFolder", Variant(env.path("lang").string()));
    setUser("General", "LanguageTableAttributes", Variant(std::string("TblCaption")));
    setUser("General", "BackupFile", Variant(std::string("False")));
    env.write("style.css", "body { color: <!--##= \"navy\" ##-->; }\r\n");
    setUser("General", "CssFile", Variant(env.path("style.css").string()));
    proj = open();
  }
  ~SiteRun() override { generation::registerTemplateServicesFactory(nullptr); }

  // The project as the program saved it, set up for the fixture set.
  Ref<project::RUZ> open() {
    auto p = makeRef<project::RUZ>();
    p->Load(kvz);
    EXPECT_EQ(ctx().ProjErr, "");
    p->setTemplate(templateZip());
    p->setDestination(dest.string());
    p->setAppRootFolder(dest.string());
    p->setProgramLanguage("VB");
    p->setDefaultLanguageFile("english.xml");
    for (auto& t : p->DB()->Tables()->items().list())
      t->setTblGen(t->TblType() == "TABLE");
    // One field page: the fixture's field control takes image fields only.
    p->DB()->Tables()->Item(Variant("categories"))->Fields()->Item(Variant("description"))
        ->setFldHtmlTag("IMAGE");
    return p;
  }
  static std::string templateZip() {
    return (buildDir() / "fixtures/template_fixtures_set.zip").string();
  }

  // A list run and a generating run, as the command does them; ProjErr is the outcome.
  int32_t generate(bool keep = true) {
    generation::genState().keepTemplateAnswer = keep;
    Generator g(*proj);
    int32_t existing = g.GenCheck();
    if (!ctx().ProjErr.empty()) return existing;
    g.GenScript();
    return existing;
  }
  void expectGolden(const std::string& rel, const std::string& name) {
    std::string got = readAll(dest / rel);
    // The language file carries the day it was written.
    if (size_t at = got.find(" date=\""); at != std::string::npos) {
      size_t end = got.find('"', at + 7);
      if (end != std::string::npos) got.replace(at + 7, end - at - 7, "DAY");
    }
    if (std::getenv("QUILLET_UPDATE_GOLDEN")) {
      fs::create_directories(kGolden);
      std::ofstream(kGolden / name, std::ios::binary) << got;
    }
    EXPECT_EQ(got, readAll(kGolden / name)) << rel;
  }

  fs::path dest;
  std::string kvz;
  Ref<project::RUZ> proj;
};

TEST_F(SiteRun, ProducesTheSiteThatTheListRunAnnounces) {
  generation::genState().keepTemplateAnswer = true;
  {
    Generator g(*proj);
    EXPECT_EQ(g.GenCheck(), 0) << ctx().ProjErr;
  }
  EXPECT_EQ(filesBelow(dest), std::vector<std::string>{}) << "a list run writes nothing";
  std::set<std::string> planned;
  for (const auto& p : generation::genState().planned)
    planned.insert(fs::relative(p.path, dest).string());

  {
    Generator g(*proj);
    g.GenScript();
  }
  ASSERT_EQ(ctx().ProjErr, "");
  const std::vector<std::string> expected = {
      "Brindlewood.log",       "categorieslist.aspx", "customerslist.aspx",
      "default.aspx.vb",       "default0.aspx",       "english.xml",
      "images/logo.txt",       "inline.aspx",         "js/app.js",
      "js/util.js",            "order_lineslist.aspx", "orderslist.aspx",
      "pages/categories_description.aspx", "productslist.aspx", "shop.css",
      "simple.aspx",           "web.config",
  };
  EXPECT_EQ(filesBelow(dest), expected);
  // The list names the copied folder, the run the files in it.
  std::set<std::string> written(expected.begin(), expected.end());
  written.erase("Brindlewood.log");
  written.erase("images/logo.txt");
  written.insert("images");
  EXPECT_EQ(planned, written);

  expectGolden("productslist.aspx", "table_page.aspx");
  expectGolden("pages/categories_description.aspx", "field_page.aspx");
  expectGolden("shop.css", "style.css");
  expectGolden("english.xml", "language.xml");
  expectGolden("web.config", "web.config");
}

TEST_F(SiteRun, SecondRunKeepingTheTemplateChangesNothing) {
  generate();
  ASSERT_EQ(ctx().ProjErr, "");
  auto before = snapshot(dest);
  ASSERT_FALSE(before.empty());
  // Coarse file clocks would hide a rewrite of the same bytes.
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  proj = open();
  generate();
  ASSERT_EQ(ctx().ProjErr, "");
  auto after = snapshot(dest);
  ASSERT_EQ(after.size(), before.size());
  for (const auto& [file, was] : before) {
    EXPECT_EQ(after[file].first, was.first) << file;
    EXPECT_TRUE(after[file].second == was.second) << file << " was written again";
  }
}

TEST_F(SiteRun, FailingTemplateLeavesThePagesAndNamesItsFileAndLine) {
  generate();
  ASSERT_EQ(ctx().ProjErr, "");
  auto before = snapshot(dest);
  // The unpacked template is kept; a newer list.tpl is compiled again.
  fs::path list = fs::path(templating::templateWork().TemplateFolder) / "list.tpl";
  std::string text = readAll(list);
  size_t body = text.find("<!--##session body##-->");
  ASSERT_NE(body, std::string::npos);
  text.insert(body + 23, "\n<!--## n = 1 / 0 ##-->");
  std::ofstream(list, std::ios::binary) << text;
  fs::last_write_time(list, fs::last_write_time(list) + std::chrono::seconds(5));

  proj = open();
  generate();
  const std::string& err = ctx().ProjErr;
  EXPECT_NE(err.find("In list.tpl, line 8, column 8"), std::string::npos) << err;
  EXPECT_NE(err.find("Generate Table"), std::string::npos) << err;
  EXPECT_EQ(snapshot(dest), before);
}

TEST_F(SiteRun, ExtensionOutputsOutsideTheSiteAreRefused) {
  fs::create_directories(env.path("ext"));
  fs::copy_file(buildDir() / "fixtures/generation_fixtures_escape.zip",
                env.path("ext/escape.zip"));
  project::projectState().ExtensionsFolder = env.path("ext").string();
  ASSERT_TRUE(proj->Extensions()->Add("escape"));
  Ref<extensions::RUZExtension> e = proj->Extensions()->Item(Variant("escape"));
  e->setTemplate("escape.zip");
  e->setEnabled(true);
  // The site one folder deeper, so that "../../x" would land in this test's own folder and
  // not beside it, where anything may lie.
  dest = env.path("deep/site");
  proj->setDestination(dest.string());
  proj->setAppRootFolder(dest.string());
  const fs::path climbed = dest.parent_path().parent_path() / "x";
  const fs::path rooted = "/tmp/quillet-escape-rooted";
  ASSERT_FALSE(fs::exists(climbed));
  ASSERT_FALSE(fs::exists(rooted));

  // The list run looks at every output; the generating run stops at the first refused one.
  generation::genState().keepTemplateAnswer = true;
  Generator g(*proj);
  g.GenCheck();
  EXPECT_NE(ctx().ProjErr.find("control 'climbcopy' refused"), std::string::npos)
      << ctx().ProjErr;
  g.GenScript();
  EXPECT_NE(ctx().ProjErr.find("control 'climb' refused"), std::string::npos) << ctx().ProjErr;
  EXPECT_FALSE(fs::exists(climbed));
  EXPECT_FALSE(fs::exists(rooted));
  EXPECT_FALSE(fs::exists(env.path("x")));
  // The extension's template file stays in its work folder below the documents folder.
  for (const std::string& f : filesBelow(env.root()))
    EXPECT_TRUE(f.find("away") == std::string::npos || f.rfind("home/Documents/", 0) == 0) << f;
}

// The shipped template set over the same project: its home page, a list page per table and
// web.config, without errors.
TEST_F(SiteRun, ShippedTemplateSetMakesASite) {
  proj->setTemplate((buildDir() / "share/brindlewood/templates/default.zip").string());
  generate();
  ASSERT_EQ(ctx().ProjErr, "");
  std::vector<std::string> files = filesBelow(dest);
  auto has = [&](const std::string& f) {
    return std::find(files.begin(), files.end(), f) != files.end();
  };
  EXPECT_TRUE(has("default.aspx"));
  EXPECT_TRUE(has("web.config"));
  for (auto& t : proj->DB()->Tables()->items().list()) {
    if (!t->TblGen()) continue;
    bool page = false;
    for (const std::string& f : files)
      page = page || (f.rfind(t->TblVar(), 0) == 0 && f.size() > 5 &&
                      f.compare(f.size() - 5, 5, ".aspx") == 0);
    EXPECT_TRUE(page) << t->TblName();
  }
}

// The command itself: 0 with the site written, 1 with the reason when it cannot run.
TEST_F(SiteRun, GenerateCommandExitsWithTheOutcome) {
  const std::string site = env.path("cmd-site").string();
  HostRun ok = runHost("generate " + shellQuoted(kvz) + " --dest " + shellQuoted(site) +
                       " --template " + shellQuoted(templateZip()));
  EXPECT_EQ(ok.status, 0) << ok.out;
  EXPECT_TRUE(fs::exists(fs::path(site) / "web.config")) << ok.out;

  HostRun missing = runHost("generate " + shellQuoted(kvz) + " --dest " + shellQuoted(site) +
                            " --template " + shellQuoted(env.path("none.zip").string()));
  EXPECT_EQ(missing.status, 1) << missing.out;
  EXPECT_NE(missing.out.find("Template file not found"), std::string::npos) << missing.out;
}

} // namespace
} // namespace quillet::testing
