// The project verbs of `brindlewood`: each opens a project file through the project object,
// does one thing and, where it changes the project, saves it again.
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/properties.h"
#include "core/setting_element.h"
#include "core/state.h"
#include "host/classes.h"
#include "model/database.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "project/ruz.h"

namespace quillet::host {

namespace au = platform::automation;
using au::Ref;
using au::Variant;

namespace {

struct Verb {
  const char* usage;
  const char* help;
};

const std::map<std::string, Verb> kVerbs = {
    {"show",
     {"brindlewood show FILE.kvz",
      "Shows the project's database, its tables with their field counts, the template and the "
      "destination folder."}},
    {"get",
     {"brindlewood get FILE.kvz NAME [--table T [--field F]]",
      "Prints one setting of the project, of table T or of field F of table T."}},
    {"set",
     {"brindlewood set FILE.kvz NAME VALUE... [--table T [--field F]]",
      "Sets one setting (the values joined by blanks, converted to the setting's type) and "
      "saves the project."}},
    {"settings",
     {"brindlewood settings FILE.kvz [--table T [--field F]]",
      "Lists the settings with their data type, flags (R registry default, F saved in the "
      "file, S copied by synchronisation) and value."}},
    {"defaults",
     {"brindlewood defaults --save FILE.kvz",
      "Stores the project's settings as your defaults for new projects."}},
};

int usage(const std::string& verb, const std::string& problem) {
  const Verb& v = kVerbs.at(verb);
  if (!problem.empty()) std::cerr << "brindlewood " << verb << ": " << problem << "\n";
  std::cerr << "usage: " << v.usage << "\n";
  return 2;
}

int failed(const std::string& text) {
  std::cerr << text << "\n";
  return 1;
}

struct Parsed {
  std::vector<std::string> positional;
  std::optional<std::string> table, field;
  bool save = false;
  bool help = false;
};

std::optional<Parsed> parse(const std::string& verb, const std::vector<std::string>& args,
                            std::string& problem) {
  Parsed p;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      p.help = true;
    } else if ((a == "--table" || a == "--field") && (verb != "show" && verb != "defaults")) {
      if (i + 1 >= args.size()) {
        problem = a + " needs a name";
        return std::nullopt;
      }
      (a == "--table" ? p.table : p.field) = args[++i];
    } else if (a == "--save" && verb == "defaults") {
      p.save = true;
    } else if (a.rfind("--", 0) == 0 && a.size() > 2) {
      problem = "unknown option '" + a + "'";
      return std::nullopt;
    } else {
      p.positional.push_back(a);
    }
  }
  if (p.field && !p.table) {
    problem = "--field needs --table";
    return std::nullopt;
  }
  return p;
}

// The element a setting verb works on: the project, a table or a field.
struct Target {
  core::SettingElement* element = nullptr;
  std::string error;
};

Target target(project::RUZ& proj, const Parsed& p, const std::string& file) {
  Target t;
  if (!p.table) {
    t.element = &proj;
    return t;
  }
  Ref<model::RUZDatabase> db = proj.DB();
  Ref<model::RUZTable> table;
  if (db && db->Tables()->TableExist(Variant(*p.table)))
    table = db->Tables()->Item(Variant(*p.table));
  if (!table) {
    t.error = "brindlewood: " + file + " has no table '" + *p.table + "'";
    return t;
  }
  if (!p.field) {
    t.element = table.get();
    return t;
  }
  if (!table->Fields()->FieldExist(Variant(*p.field))) {
    t.error = "brindlewood: table '" + *p.table + "' has no field '" + *p.field + "'";
    return t;
  }
  t.element = table->Fields()->Item(Variant(*p.field)).get();
  return t;
}

std::string text(const Variant& v) {
  if (v.isEmpty() || v.isNull()) return {};
  try {
    return au::CStr(v);
  } catch (const au::Error&) {
    return "(no text form)";
  }
}

} // namespace

bool isProjectVerb(const std::string& verb) {
  return kVerbs.count(verb) != 0;
}

std::string projectVerbsUsage() {
  std::string out;
  for (const auto& [name, v] : kVerbs)
    out += "  " + std::string(v.usage).substr(std::string("brindlewood ").size()) + "\n";
  return out;
}

int runProjectCommand(const std::string& verb, const std::vector<std::string>& args) {
  std::string problem;
  std::optional<Parsed> p = parse(verb, args, problem);
  if (!p) return usage(verb, problem);
  if (p->help) {
    std::cout << "usage: " << kVerbs.at(verb).usage << "\n\n" << kVerbs.at(verb).help << "\n";
    return 0;
  }
  size_t wanted = verb == "get" ? 2 : verb == "set" ? 3 : 1;
  if (p->positional.size() < wanted || (verb != "set" && p->positional.size() > wanted))
    return usage(verb,
                 p->positional.empty() ? "no project file given" : "wrong number of arguments");
  if (verb == "defaults" && !p->save) return usage(verb, "nothing to do without --save");

  registerAllClasses();
  core::State& ctx = core::state();
  const std::string& file = p->positional[0];
  Ref<project::RUZ> proj = au::makeRef<project::RUZ>();
  proj->Load(file);
  if (!ctx.ProjErr.empty()) return failed(ctx.ProjErr);

  if (verb == "show") {
    std::cout << "Project:     " << proj->ProjName() << "\n";
    if (Ref<model::RUZDatabase> db = proj->DB()) {
      std::cout << "Database:    " << db->DBName();
      if (!db->DBType().empty()) std::cout << " (" << db->DBType() << ")";
      std::string where = db->DBPath().empty() ? db->DBConnstr() : db->DBPath();
      if (!where.empty()) std::cout << " " << where;
      std::cout << "\n";
      Ref<model::RUZTables> tables = db->Tables();
      std::cout << "Tables:      " << tables->Count() << "\n";
      for (int32_t i = 1; i <= tables->Count(); ++i) {
        Ref<model::RUZTable> t = tables->Item(Variant(i));
        std::cout << "  " << t->TblName() << " (" << t->Fields()->Count() << " fields)\n";
      }
    }
    std::cout << "Template:    " << proj->Template() << "\n";
    std::cout << "Destination: " << proj->Destination() << "\n";
    return 0;
  }
  if (verb == "defaults") {
    proj->SaveDefault();
    return 0;
  }

  Target t = target(*proj, *p, file);
  if (!t.element) return failed(t.error);
  project::RUZ* asProject = dynamic_cast<project::RUZ*>(t.element);
  if (verb == "get") {
    const std::string& name = p->positional[1];
    if (!t.element->Properties()->PropertyExist(Variant(name)))
      return failed("brindlewood: no setting '" + name + "'");
    Variant v = asProject ? asProject->GetV(name) : Variant(t.element->GetV(name));
    std::cout << text(v) << "\n";
    return 0;
  }
  if (verb == "set") {
    const std::string& name = p->positional[1];
    std::string value;
    for (size_t i = 2; i < p->positional.size(); ++i)
      value += (i > 2 ? " " : "") + p->positional[i];
    ctx.ProjErr.clear();
    if (asProject)
      asProject->SetV(name, Variant(value));
    else
      t.element->SetV(name, value);
    if (!ctx.ProjErr.empty()) return failed(ctx.ProjErr);
    proj->Save(file);
    if (!ctx.ProjErr.empty()) return failed(ctx.ProjErr);
    return 0;
  }
  // settings
  for (const Ref<core::AGProperty>& prop : t.element->Properties()->list()) {
    std::string flags;
    flags += prop->RegSave() ? 'R' : '-';
    flags += prop->FileSave() ? 'F' : '-';
    flags += prop->Sync() ? 'S' : '-';
    std::string type = prop->DataType().empty() ? "-" : prop->DataType();
    std::cout << prop->Name() << "\t" << type << "\t" << flags << "\t" << text(prop->Value())
              << "\n";
  }
  return 0;
}

} // namespace quillet::host
