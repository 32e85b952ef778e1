#include "extensions/codebase.h"

#include "core/registry.h"
#include "core/state.h"
#include "core/text_helpers.h"
#include "extensions/services.h"
#include "platform/automation/context.h"
#include "platform/files/files.h"
#include "platform/text/casefold.h"
#include "platform/xml/xml.h"

namespace quillet::extensions {

namespace xml = ::quillet::platform::xml;
using platform::text::equalsNoCase;
using platform::text::toLower;

const RUZCodeBase::Entry* RUZCodeBase::find(const std::string& scriptType,
                                            const std::string& codeType, const std::string& name,
                                            const std::string& language) const {
  for (const Entry& e : entries_)
    if (equalsNoCase(e.scriptType, scriptType) && equalsNoCase(e.codeType, codeType) &&
        equalsNoCase(e.name, name) && equalsNoCase(e.language, language))
      return &e;
  return nullptr;
}

bool RUZCodeBase::CodeExist(const std::string& scriptType, const std::string& codeType,
                            const std::string& name, const std::string& language) const {
  return find(scriptType, codeType, name, language) != nullptr;
}

std::string RUZCodeBase::CodeSource(const std::string& scriptType, const std::string& codeType,
                                    const std::string& name, const std::string& language) const {
  const Entry* e = find(scriptType, codeType, name, language);
  if (!e) return {};
  std::string out;
  out.reserve(e->code.size() + e->code.size() / 16);
  for (char c : e->code) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

bool RUZCodeBase::Load(const std::string& file) {
  xml::Document doc;
  try {
    doc = xml::Document::load(file);
  } catch (const automation::Error&) {
    lastError_ = "Load code base file failed!";
    return false;
  }
  xml::Node root = doc.documentElement();
  const std::string wanted = toLower(core::CompactName(core::state().ProductKey) + ".codebase");
  if (!root || toLower(root.localName()) != wanted) {
    lastError_ = "Code base file is invalid!";
    return false;
  }
  std::vector<Entry> read;
  for (const xml::Node& child : root.children()) {
    if (toLower(child.name()) != "code") continue;
    Entry e;
    for (const auto& [attr, value] : child.attributes()) {
      const std::string a = toLower(attr);
      if (a == "scripttype")
        e.scriptType = value;
      else if (a == "codetype")
        e.codeType = value;
      else if (a == "name")
        e.name = value;
      else if (a == "language")
        e.language = value;
    }
    for (const xml::Node& part : child.children()) {
      if (part.type() == xml::NodeType::CData || part.type() == xml::NodeType::Text) {
        e.code = part.text();
        break;
      }
    }
    bool replaced = false;
    for (Entry& have : read) {
      if (equalsNoCase(have.scriptType, e.scriptType) && equalsNoCase(have.codeType, e.codeType) &&
          equalsNoCase(have.name, e.name) && equalsNoCase(have.language, e.language)) {
        have.code = std::move(e.code);
        replaced = true;
        break;
      }
    }
    if (!replaced) read.push_back(std::move(e));
  }
  entries_ = std::move(read);
  return true;
}

namespace {
struct CodeBaseHolder {
  Ref<RUZCodeBase> base = automation::makeRef<RUZCodeBase>();
};
} // namespace

Ref<RUZCodeBase> codeBase() {
  return automation::Context::current().shared<CodeBaseHolder>().base;
}

void reloadCodeBase(std::string& codeBaseFile) {
  core::State& ctx = core::state();
  Variant v = core::RegGetValue("HKCU", ctx.sectionKey("General"), "CodeBase");
  codeBaseFile = v.isEmpty() || v.isNull() ? std::string() : automation::CStr(v);
  if (codeBaseFile.empty() || !platform::files::fileExists(codeBaseFile)) return;
  codeBase()->Load(codeBaseFile);
}

std::string LoadCodeBase(const std::string& sScriptType, const std::string& sCodeType,
                         const std::string& sName, const std::string& sLanguage) {
  return codeBase()->CodeSource(sScriptType, sCodeType, sName, sLanguage);
}

bool CodeBaseExist(const std::string& sScriptType, const std::string& sCodeType,
                   const std::string& sName, const std::string& sLanguage) {
  return codeBase()->CodeExist(sScriptType, sCodeType, sName, sLanguage);
}

std::string LoadCustomScriptCode(ProjectAccess& p, const ScriptParts& parts) {
  core::state().ProjErr.clear();
  std::string local;
  std::string& file = p.codeBaseFile ? *p.codeBaseFile : local;
  reloadCodeBase(file);
  if (file.empty() || !platform::files::fileExists(file)) return {};
  if (p.selectControl) p.selectControl(parts[4]);
  const std::string kind = toLower(parts[0]);
  if ((kind == "table" || kind == "field") && p.database) {
    Ref<model::RUZTables> tables = p.database->Tables();
    if (tables->TableExist(Variant(parts[5]))) {
      Ref<model::RUZTable> t = tables->Item(Variant(parts[5]));
      if (kind == "field" && t && t->Fields()->FieldExist(Variant(parts[6])))
        t->Fields()->Item(Variant(parts[6]));
    }
  }
  return templateServices().TidyOutput("", LoadCodeBase(parts[0], parts[1], parts[2], parts[3]));
}

QUILLET_DEFINE_CLASS(RUZCodeBase) {
  using C = RUZCodeBase;
  b.get("curIndex", &C::curIndex)
      .get("Count", &C::Count)
      .method("CodeExist", &C::CodeExist)
      .method("CodeSource", &C::CodeSource)
      .method("Load", [](C& c, Variant& file) { return c.Load(automation::CStr(file)); });
}

} // namespace quillet::extensions
