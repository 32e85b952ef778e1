#pragma once
// A project for generation tests: a private environment, a scripted UI, a database with
// tables and fields, destination and application root folders in the test's temporary
// folder, and control lists built from control.xml text.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "generation/generator.h"
#include "project/project_env.h"

namespace quillet::testing {

class GenTest : public ProjectTest {
protected:
  GenTest() {
    dest = (env.root() / "site").string();
    appRoot = (env.root() / "approot").string();
    std::filesystem::create_directories(dest);
    std::filesystem::create_directories(appRoot);
    proj.setDestination(dest);
    proj.setAppRootFolder(appRoot);
    proj.Databases()->Add("db");
    proj.useDatabase("db");
  }
  // A table with fields, generated, typed TABLE, keyed by its first field.
  Ref<model::RUZTable> addTable(const std::string& name, std::vector<std::string> fields) {
    auto tables = proj.DB()->Tables();
    tables->Add(name);
    Ref<model::RUZTable> t = tables->Item(Variant(name));
    t->setTblType("TABLE");
    t->setTblVar(name);
    t->setTblGen(true);
    if (!fields.empty()) t->setTblKey(fields[0]);
    for (auto& f : fields) {
      t->Fields()->Add(name, f);
      auto fld = t->Fields()->Item(Variant(f));
      fld->setFldVar("x_" + f);
      fld->setFldGenerate(true);
    }
    return t;
  }
  // Loads control elements (the root and its attributes are added here).
  void loadControls(const std::string& controls) {
    std::string file = (env.root() / "control.xml").string();
    std::ofstream(file, std::ios::binary)
        << "<?xml version=\"1.0\"?>\n<Brindlewood date=\"2025/01/01\" version=\"4.0\" "
           "desc=\"t\" author=\"t\">\n"
        << controls << "</Brindlewood>\n";
    ASSERT_TRUE(generation::templateControls().LoadControls(file)) << ctx().ProjErr;
  }
  static std::string readAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  // Every file below a folder, relative and sorted.
  static std::vector<std::string> filesBelow(const std::filesystem::path& root) {
    std::vector<std::string> out;
    if (!std::filesystem::exists(root)) return out;
    for (auto& e : std::filesystem::recursive_directory_iterator(root))
      if (e.is_regular_file()) out.push_back(std::filesystem::relative(e.path(), root).string());
    std::sort(out.begin(), out.end());
    return out;
  }

  project::RUZ proj;
  std::string dest;
  std::string appRoot;
};

} // namespace quillet::testing
