#include "elements/language.h"

#include "elements/xml_access.h"
#include "platform/text/casefold.h"

namespace quillet::elements {

namespace {

std::string lower(std::string_view s) {
  return platform::text::toLower(s);
}

template <class Rec, size_t N> Ref<Rec> recordObject(const std::array<std::string, N>& fields) {
  auto r = automation::makeRef<Rec>();
  r->fields = fields;
  return r;
}

// The file name of a path: the part after its last separator. Both separators count, so a
// path written on either system gives the name that GetFileId is asked for.
std::string fileNameOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

RUZLanguage::RUZLanguage() {
  InitSettings();
}

// ---- language files ----

std::string RUZLanguage::GetFileId(const std::string& fileName) const {
  for (const FileEntry& f : files_)
    if (f.fileName == fileName) return f.id;
  return {};
}

std::string RUZLanguage::GetFileDesc(const std::string& fileName) const {
  for (const FileEntry& f : files_)
    if (f.fileName == fileName) return f.desc;
  return {};
}

Variant RUZLanguage::ResetFiles() {
  files_.clear();
  return Variant();
}

bool RUZLanguage::Load(const std::string& file) {
  return LoadLanguageFile(file);
}
bool RUZLanguage::LoadExtension(const std::string& file) {
  return LoadLanguageFile(file);
}

bool RUZLanguage::LoadLanguageFile(const std::string& file) {
  auto doc = loadXmlView(file, false);
  if (!doc) return false;
  FileEntry entry;
  bool haveId = false, haveDesc = false;
  for (const auto& [name, value] : doc->root.attributes) {
    std::string l = lower(name);
    if (l == "id" && !haveId) {
      entry.id = value;
      haveId = true;
    } else if (l == "desc" && !haveDesc) {
      entry.desc = value;
      haveDesc = true;
    }
  }
  entry.fileName = fileNameOf(file);
  files_.push_back(std::move(entry));
  return true;
}

// ---- check point ----

void RUZLanguage::SaveCheckPoint() {
  checkPoint_ = live_;
}
void RUZLanguage::RestoreCheckPoint() {
  live_ = checkPoint_;
}

void RUZLanguage::InitSettings() {
  live_.phrases.clear();
  live_.phraseIndex.clear();
  files_.clear();
  clearOverrides();
}

void RUZLanguage::clearOverrides() {
  live_.project.clear();
  live_.menu.clear();
  live_.table.clear();
  live_.chart.clear();
  live_.field.clear();
}

// ---- overrides ----

Ref<AGProjectPhrase> RUZLanguage::ProjectItem(int32_t index) const {
  return recordObject<AGProjectPhrase>(live_.project.item(index));
}
std::string RUZLanguage::GetProjectPhrase(const std::string& languageId,
                                          const std::string& attribute) const {
  auto r = live_.project.find({languageId, attribute, {}});
  return r ? (*r)[2] : std::string();
}
void RUZLanguage::SetProjectPhrase(const std::string& languageId, const std::string& attribute,
                                   const std::string& phrase) {
  live_.project.set({languageId, attribute, phrase});
}
bool RUZLanguage::HasProjectPhrase(const std::string& attribute) const {
  return live_.project.hasAttribute(attribute);
}
void RUZLanguage::ResetProjectPhrase(const std::string& attribute) {
  live_.project.removeIf([&](const auto& r) { return r[1] == attribute; });
}

Ref<AGMenuPhrase> RUZLanguage::MenuItem(int32_t index) const {
  return recordObject<AGMenuPhrase>(live_.menu.item(index));
}
std::string RUZLanguage::GetMenuPhrase(const std::string& languageId, const std::string& menuId,
                                       const std::string& attribute) const {
  auto r = live_.menu.find({languageId, menuId, attribute, {}});
  return r ? (*r)[3] : std::string();
}
void RUZLanguage::SetMenuPhrase(const std::string& languageId, const std::string& menuId,
                                const std::string& attribute, const std::string& phrase) {
  live_.menu.set({languageId, menuId, attribute, phrase});
}
bool RUZLanguage::HasMenuPhrase(const std::string& attribute) const {
  return live_.menu.hasAttribute(attribute);
}
void RUZLanguage::ResetMenuPhrase(const std::string& attribute) {
  live_.menu.removeIf([&](const auto& r) { return r[2] == attribute; });
}
void RUZLanguage::DeleteMenuPhrase(const std::string& menuId) {
  live_.menu.removeIf([&](const auto& r) { return r[1] == menuId; });
}

Ref<AGTablePhrase> RUZLanguage::TableItem(int32_t index) const {
  return recordObject<AGTablePhrase>(live_.table.item(index));
}
std::string RUZLanguage::GetTablePhrase(const std::string& languageId, const std::string& tableName,
                                        const std::string& attribute) const {
  auto r = live_.table.find({languageId, tableName, attribute, {}});
  return r ? (*r)[3] : std::string();
}
void RUZLanguage::SetTablePhrase(const std::string& languageId, const std::string& tableName,
                                 const std::string& attribute, const std::string& phrase) {
  live_.table.set({languageId, tableName, attribute, phrase});
}
bool RUZLanguage::HasTablePhrase(const std::string& attribute) const {
  return live_.table.hasAttribute(attribute);
}
void RUZLanguage::ResetTablePhrase(const std::string& attribute) {
  live_.table.removeIf([&](const auto& r) { return r[2] == attribute; });
}
void RUZLanguage::DeleteTablePhrase(const std::string& tableName) {
  live_.table.removeIf([&](const auto& r) { return r[1] == tableName; });
}

Ref<AGChartPhrase> RUZLanguage::ChartItem(int32_t index) const {
  return recordObject<AGChartPhrase>(live_.chart.item(index));
}
std::string RUZLanguage::GetChartPhrase(const std::string& languageId, const std::string& tableName,
                                        const std::string& chartName,
                                        const std::string& attribute) const {
  auto r = live_.chart.find({languageId, tableName, chartName, attribute, {}});
  return r ? (*r)[4] : std::string();
}
void RUZLanguage::SetChartPhrase(const std::string& languageId, const std::string& tableName,
                                 const std::string& chartName, const std::string& attribute,
                                 const std::string& phrase) {
  live_.chart.set({languageId, tableName, chartName, attribute, phrase});
}
bool RUZLanguage::HasChartPhrase(const std::string& attribute) const {
  return live_.chart.hasAttribute(attribute);
}
void RUZLanguage::ResetChartPhrase(const std::string& attribute) {
  live_.chart.removeIf([&](const auto& r) { return r[3] == attribute; });
}
void RUZLanguage::DeleteChartPhrase(const std::string& tableName, const std::string& chartName) {
  live_.chart.removeIf([&](const auto& r) { return r[1] == tableName && r[2] == chartName; });
}

Ref<AGFieldPhrase> RUZLanguage::FieldItem(int32_t index) const {
  return recordObject<AGFieldPhrase>(live_.field.item(index));
}
std::string RUZLanguage::GetFieldPhrase(const std::string& languageId, const std::string& tableName,
                                        const std::string& fieldName,
                                        const std::string& attribute) const {
  auto r = live_.field.find({languageId, tableName, fieldName, attribute, {}});
  return r ? (*r)[4] : std::string();
}
void RUZLanguage::SetFieldPhrase(const std::string& languageId, const std::string& tableName,
                                 const std::string& fieldName, const std::string& attribute,
                                 const std::string& phrase) {
  live_.field.set({languageId, tableName, fieldName, attribute, phrase});
}
bool RUZLanguage::HasFieldPhrase(const std::string& attribute) const {
  return live_.field.hasAttribute(attribute);
}
void RUZLanguage::ResetFieldPhrase(const std::string& attribute) {
  live_.field.removeIf([&](const auto& r) { return r[3] == attribute; });
}
void RUZLanguage::DeleteFieldPhrase(const std::string& tableName, const std::string& fieldName) {
  live_.field.removeIf([&](const auto& r) { return r[1] == tableName && r[2] == fieldName; });
}

void RUZLanguage::deleteTablePhrasesAnyCase(const std::string& tableName) {
  using platform::text::equalsNoCase;
  live_.table.removeIf([&](const auto& r) { return equalsNoCase(r[1], tableName); });
}
void RUZLanguage::deleteChartPhrasesAnyCase(const std::string& tableName,
                                            const std::string& chartName) {
  using platform::text::equalsNoCase;
  live_.chart.removeIf([&](const auto& r) {
    return equalsNoCase(r[1], tableName) && equalsNoCase(r[2], chartName);
  });
}
void RUZLanguage::deleteFieldPhrasesAnyCase(const std::string& tableName,
                                            const std::string& fieldName) {
  using platform::text::equalsNoCase;
  live_.field.removeIf([&](const auto& r) {
    return equalsNoCase(r[1], tableName) && equalsNoCase(r[2], fieldName);
  });
}

// ---- runtime phrase table ----

size_t RUZLanguage::findPhrase(const std::string& id) const {
  auto it = live_.phraseIndex.find(lower(id));
  return it == live_.phraseIndex.end() ? std::string::npos : it->second;
}

std::string RUZLanguage::Phrase(const std::string& id) const {
  size_t i = findPhrase(id);
  return i == std::string::npos ? std::string() : live_.phrases[i].phrase;
}

bool RUZLanguage::AddPhrase(const std::string& id, const std::string& phrase) {
  if (findPhrase(id) != std::string::npos) return false;
  std::string key = lower(id);
  live_.phraseIndex.emplace(key, live_.phrases.size());
  live_.phrases.push_back({id, phrase, std::move(key)});
  return true;
}

bool RUZLanguage::ReplacePhrase(const std::string& id, const std::string& phrase) {
  size_t i = findPhrase(id);
  if (i == std::string::npos) return false;
  live_.phrases[i].phrase = phrase;
  return true;
}

// ---- member tables ----

namespace {
template <class Rec, class B> void recordFields(B& b, std::initializer_list<const char*> names) {
  size_t i = 0;
  for (const char* n : names) {
    b.prop(
        n, [i](Rec& r) { return r.fields[i]; },
        [i](Rec& r, const std::string& v) { r.fields[i] = v; });
    ++i;
  }
}
} // namespace

QUILLET_DEFINE_CLASS(AGProjectPhrase) {
  recordFields<AGProjectPhrase>(b, {"LanguageId", "ProjectAttribute", "Phrase"});
}
QUILLET_DEFINE_CLASS(AGMenuPhrase) {
  recordFields<AGMenuPhrase>(b, {"LanguageId", "MenuId", "MenuAttribute", "Phrase"});
}
QUILLET_DEFINE_CLASS(AGTablePhrase) {
  recordFields<AGTablePhrase>(b, {"LanguageId", "TableName", "TableAttribute", "Phrase"});
}
QUILLET_DEFINE_CLASS(AGChartPhrase) {
  recordFields<AGChartPhrase>(b,
                              {"LanguageId", "TableName", "ChartName", "ChartAttribute", "Phrase"});
}
QUILLET_DEFINE_CLASS(AGFieldPhrase) {
  recordFields<AGFieldPhrase>(b,
                              {"LanguageId", "TableName", "FieldName", "FieldAttribute", "Phrase"});
}

QUILLET_DEFINE_CLASS(RUZLanguage) {
  using L = RUZLanguage;
  b.method("GetFileId", &L::GetFileId)
      .method("GetFileDesc", &L::GetFileDesc)
      .method("ResetFiles", &L::ResetFiles)
      .method("SaveCheckPoint", &L::SaveCheckPoint)
      .method("RestoreCheckPoint", &L::RestoreCheckPoint);
  b.get("ProjectCount", &L::ProjectCount)
      .get("ProjectItem", &L::ProjectItem)
      .method("GetProjectPhrase", &L::GetProjectPhrase)
      .method("SetProjectPhrase", &L::SetProjectPhrase)
      .method("HasProjectPhrase", &L::HasProjectPhrase)
      .method("ResetProjectPhrase", &L::ResetProjectPhrase);
  b.get("MenuCount", &L::MenuCount)
      .get("MenuItem", &L::MenuItem)
      .method("GetMenuPhrase", &L::GetMenuPhrase)
      .method("SetMenuPhrase", &L::SetMenuPhrase)
      .method("HasMenuPhrase", &L::HasMenuPhrase)
      .method("ResetMenuPhrase", &L::ResetMenuPhrase)
      .method("DeleteMenuPhrase", &L::DeleteMenuPhrase);
  b.get("TableCount", &L::TableCount)
      .get("TableItem", &L::TableItem)
      .method("GetTablePhrase", &L::GetTablePhrase)
      .method("SetTablePhrase", &L::SetTablePhrase)
      .method("HasTablePhrase", &L::HasTablePhrase)
      .method("ResetTablePhrase", &L::ResetTablePhrase)
      .method("DeleteTablePhrase", &L::DeleteTablePhrase);
  b.get("ChartCount", &L::ChartCount)
      .get("ChartItem", &L::ChartItem)
      .method("GetChartPhrase", &L::GetChartPhrase)
      .method("SetChartPhrase", &L::SetChartPhrase)
      .method("HasChartPhrase", &L::HasChartPhrase)
      .method("ResetChartPhrase", &L::ResetChartPhrase)
      .method("DeleteChartPhrase", &L::DeleteChartPhrase);
  b.get("FieldCount", &L::FieldCount)
      .get("FieldItem", &L::FieldItem)
      .method("GetFieldPhrase", &L::GetFieldPhrase)
      .method("SetFieldPhrase", &L::SetFieldPhrase)
      .method("HasFieldPhrase", &L::HasFieldPhrase)
      .method("ResetFieldPhrase", &L::ResetFieldPhrase)
      .method("DeleteFieldPhrase", &L::DeleteFieldPhrase);
  b.get("curIndex", &L::curIndex)
      .get("Count", &L::Count)
      .method("Phrase", &L::Phrase)
      .method("AddPhrase", &L::AddPhrase)
      .method("ReplacePhrase", &L::ReplacePhrase)
      .method("Load", &L::Load)
      .method("LoadExtension", &L::LoadExtension)
      .method("InitSettings", &L::InitSettings);
}

} // namespace quillet::elements
