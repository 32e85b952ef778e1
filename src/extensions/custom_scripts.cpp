#include "extensions/custom_scripts.h"

#include <utility>

#include "extensions/upkeep.h"
#include "platform/automation/context.h"
#include "platform/text/casefold.h"

namespace quillet::extensions {

using elements::tolerant;
using platform::text::equalsNoCase;

std::string scriptKey(const ScriptParts& parts) {
  std::string key;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) key += '_';
    for (char c : parts[i]) {
      if (c == '_' || c == '\\') key += '\\';
      key += c;
    }
  }
  return key;
}

ScriptParts RUZCustomScript::parts() {
  return {ScriptType(),   ScriptCodeType(), ScriptName(), ScriptLanguage(),
          ScriptCtrlID(), ScriptL1Key(),    ScriptL2Key()};
}

void RUZCustomScript::setParts(const ScriptParts& p) {
  setScriptType(p[0]);
  setScriptCodeType(p[1]);
  setScriptName(p[2]);
  setScriptLanguage(p[3]);
  setScriptCtrlID(p[4]);
  setScriptL1Key(p[5]);
  setScriptL2Key(p[6]);
}

namespace {
bool requiredPartsGiven(const ScriptParts& p) {
  return !p[0].empty() && !p[1].empty() && !p[2].empty() && !p[3].empty();
}
} // namespace

int32_t RUZCustomScripts::match(const ScriptParts& parts) const {
  for (int32_t i = 1; i <= items_.count(); ++i) {
    ScriptParts have = items_.at(i)->parts();
    bool same = true;
    for (size_t k = 0; k < parts.size() && same; ++k)
      same = equalsNoCase(have[k], parts[k]);
    if (same) return i;
  }
  return 0;
}

bool RUZCustomScripts::Add(const ScriptParts& parts) {
  const std::string key = scriptKey(parts);
  if (!requiredPartsGiven(parts)) return false;
  if (int32_t pos = match(parts)) {
    curSeq_ = items_.at(pos)->Seq();
    curName_ = key;
    return true;
  }
  auto script = automation::makeRef<RUZCustomScript>();
  script->setParts(parts);
  items_.append(script, key);
  const int32_t n = items_.count();
  script->setValue("Seq", elements::seqValue(n));
  curName_ = key;
  curSeq_ = n;
  return true;
}

bool RUZCustomScripts::Change(const std::string& oldName, const std::string& newName) {
  if (oldName.empty() || newName.empty()) return false;
  for (int32_t i = 1; i <= items_.count(); ++i) {
    RUZCustomScript* s = items_.at(i);
    if (!equalsNoCase(s->ScriptL1Key(), oldName)) continue;
    ScriptParts renamed = s->parts();
    renamed[5] = newName;
    const std::string newKey = scriptKey(renamed);
    // Another script already filed under the new table: this one keeps its old table
    // rather than leaving the list half renamed.
    int32_t holder = items_.positionOf(Variant(newKey));
    if (holder != 0 && holder != i) continue;
    items_.changeKey(items_.keyAt(i), newKey);
    s->setScriptL1Key(newName);
  }
  return false;
}

bool RUZCustomScripts::Delete(const ScriptParts& parts) {
  if (!requiredPartsGiven(parts)) return false;
  int32_t pos = match(parts);
  if (pos == 0) return false;
  Ref<RUZCustomScript> script = ScriptItem(parts);
  int32_t n = 0;
  tolerant([&] { n = script->Seq(); });
  // The script found is the one removed, by its position, so the numbers stay 1 to Count
  // even when its key no longer spells its parts.
  items_.removeAt(pos);
  for (int32_t i = 1; i <= items_.count(); ++i) {
    RUZCustomScript* s = items_.at(i);
    tolerant([&] {
      int32_t q = s->Seq();
      if (q >= n) s->setValue("Seq", elements::seqValue(q - 1));
    });
  }
  return true;
}

Ref<RUZCustomScript> RUZCustomScripts::ScriptItem(const ScriptParts& parts) {
  int32_t pos = match(parts);
  if (pos == 0) return nullptr;
  RUZCustomScript* s = items_.at(pos);
  tolerant([&] { curSeq_ = s->Seq(); });
  curName_ = scriptKey(parts);
  return Ref<RUZCustomScript>(s);
}

Ref<RUZCustomScript> RUZCustomScripts::Seq(int32_t index) const {
  for (int32_t i = 1; i <= items_.count(); ++i) {
    RUZCustomScript* s = items_.at(i);
    bool hit = false;
    tolerant([&] { hit = s->Seq() == index; });
    if (hit) return Ref<RUZCustomScript>(s);
  }
  return nullptr;
}

namespace {
struct CustomScriptListHolder {
  CustomScriptListHolder() { installExtensionUpkeep(); }
  Ref<RUZCustomScripts> list = automation::makeRef<RUZCustomScripts>();
};
} // namespace

Ref<RUZCustomScripts> customScriptList() {
  return automation::Context::current().shared<CustomScriptListHolder>().list;
}

Ref<RUZCustomScripts> exchangeCustomScriptList(Ref<RUZCustomScripts> list) {
  std::swap(automation::Context::current().shared<CustomScriptListHolder>().list, list);
  return list;
}

bool AddCustomScript(const ScriptParts& parts, const std::string& code) {
  Ref<RUZCustomScripts> list = customScriptList();
  if (!list->Add(parts)) return false;
  if (Ref<RUZCustomScript> s = list->ScriptItem(parts)) s->setScriptCode(code);
  return true;
}

bool UpdateCustomScript(const ScriptParts& parts, const std::string& code) {
  Ref<RUZCustomScripts> list = customScriptList();
  if (!list->ScriptExist(parts)) return false;
  if (Ref<RUZCustomScript> s = list->ScriptItem(parts)) s->setScriptCode(code);
  return true;
}

bool DeleteCustomScript(const ScriptParts& parts) {
  return customScriptList()->Delete(parts);
}

ScriptParts scriptPartsOf(automation::Args args, size_t first) {
  ScriptParts p;
  for (size_t k = 0; k < p.size(); ++k) {
    size_t i = first + k;
    if (i < args.size() && !args[i].isMissing()) p[k] = automation::CStr(args[i]);
  }
  return p;
}

QUILLET_DEFINE_CLASS(RUZCustomScript) {
  using S = RUZCustomScript;
  core::addSettingMembers(b, kCustomScriptCatalogue);
  b.prop(
      "Key", [](S& s) { return s.scriptKeyField(); },
      [](S& s, const std::string& k) { s.setScriptKeyField(k); });
}

QUILLET_DEFINE_CLASS(RUZCustomScripts) {
  using L = RUZCustomScripts;
  auto seven = [](auto fn) {
    return [fn](L& l, automation::Args args) {
      if (args.size() != 7) automation::raise(automation::err::kWrongArgumentCount);
      return fn(l, scriptPartsOf(args));
    };
  };
  b.get("curName", &L::curName)
      .get("curSeq", &L::curSeq)
      .method("Add", seven([](L& l, const ScriptParts& p) { return l.Add(p); }))
      .method("Change", &L::Change)
      .method("Count", &L::Count)
      .method("Delete", seven([](L& l, const ScriptParts& p) { return l.Delete(p); }))
      .method("ScriptExist", seven([](L& l, const ScriptParts& p) { return l.ScriptExist(p); }))
      .method("ScriptItem", seven([](L& l, const ScriptParts& p) { return l.ScriptItem(p); }))
      .method("Seq", [](L& l, int16_t i) { return l.Seq(i); })
      .enumerator(&L::NewEnum);
}

} // namespace quillet::extensions
