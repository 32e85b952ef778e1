#pragma once
// The language store: the language files loaded by a generation run, the runtime phrase
// table that template code looks up by id, and the project's phrase overrides (translated
// values of settings of the project, menu items, tables, charts and fields), with one check
// point that can be restored. The engine uses one store per thread (languageStore()).
#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/automation/members.h"
#include "platform/automation/object.h"

namespace quillet::elements {

namespace automation = ::quillet::platform::automation;
using automation::Ref;
using automation::Variant;

// The public phrase records: one phrase of one language for one attribute of an object.
#define QUILLET_PHRASE_RECORD(Cls, N)                                                              \
  class Cls : public automation::Object {                                                          \
    QUILLET_OBJECT(Cls)                                                                            \
  public:                                                                                          \
    static constexpr size_t kFields = N;                                                           \
    std::array<std::string, N> fields;                                                             \
  };
QUILLET_PHRASE_RECORD(AGProjectPhrase, 3) // LanguageId, ProjectAttribute, Phrase
QUILLET_PHRASE_RECORD(AGMenuPhrase, 4)    // LanguageId, MenuId, MenuAttribute, Phrase
QUILLET_PHRASE_RECORD(AGTablePhrase, 4)   // LanguageId, TableName, TableAttribute, Phrase
QUILLET_PHRASE_RECORD(AGChartPhrase, 5) // LanguageId, TableName, ChartName, ChartAttribute, Phrase
QUILLET_PHRASE_RECORD(AGFieldPhrase, 5) // LanguageId, TableName, FieldName, FieldAttribute, Phrase
#undef QUILLET_PHRASE_RECORD

// One override list: records of N text fields, the last being the phrase. Every field but
// the phrase is a key of Get and Set; the field before the phrase is the attribute that Has
// and Reset compare; the fields between the language id and the attribute name the object
// (what Delete compares). All comparisons are exact.
template <size_t N> class PhraseList {
public:
  using Record = std::array<std::string, N>;
  static constexpr size_t kKeys = N - 1;

  int32_t count() const { return static_cast<int32_t>(records_.size()); }
  // The record at a position from 1; an empty record outside.
  Record item(int32_t index) const {
    if (index < 1 || index > count()) return Record{};
    return records_[static_cast<size_t>(index - 1)];
  }
  const Record* find(const Record& keys) const {
    for (const Record& r : records_)
      if (sameKeys(r, keys)) return &r;
    return nullptr;
  }
  void set(const Record& values) {
    for (Record& r : records_)
      if (sameKeys(r, values)) {
        r[N - 1] = values[N - 1];
        return;
      }
    records_.push_back(values);
  }
  bool hasAttribute(const std::string& attribute) const {
    for (const Record& r : records_)
      if (r[N - 2] == attribute) return true;
    return false;
  }
  // Removes every record the predicate matches, keeping the order of the others.
  template <class Pred> void removeIf(Pred pred) { std::erase_if(records_, pred); }
  void clear() { records_.clear(); }
  const std::vector<Record>& records() const { return records_; }

private:
  static bool sameKeys(const Record& a, const Record& b) {
    for (size_t i = 0; i < kKeys; ++i)
      if (a[i] != b[i]) return false;
    return true;
  }
  std::vector<Record> records_;
};

class RUZLanguage : public automation::Object {
  QUILLET_OBJECT(RUZLanguage)
public:
  RUZLanguage();

  // Language files.
  std::string GetFileId(const std::string& fileName) const;
  std::string GetFileDesc(const std::string& fileName) const;
  Variant ResetFiles();
  bool Load(const std::string& file);
  bool LoadExtension(const std::string& file);
  int32_t fileCount() const { return static_cast<int32_t>(files_.size()); }

  void SaveCheckPoint();
  void RestoreCheckPoint();
  // Empties the runtime phrase table, the file list and the five override lists.
  void InitSettings();
  // Empties the five override lists (a new project starts without overrides).
  void clearOverrides();

  // Overrides, one family per kind.
  int32_t ProjectCount() const { return live_.project.count(); }
  Ref<AGProjectPhrase> ProjectItem(int32_t index) const;
  std::string GetProjectPhrase(const std::string& languageId, const std::string& attribute) const;
  void SetProjectPhrase(const std::string& languageId, const std::string& attribute,
                        const std::string& phrase);
  bool HasProjectPhrase(const std::string& attribute) const;
  void ResetProjectPhrase(const std::string& attribute);

  int32_t MenuCount() const { return live_.menu.count(); }
  Ref<AGMenuPhrase> MenuItem(int32_t index) const;
  std::string GetMenuPhrase(const std::string& languageId, const std::string& menuId,
                            const std::string& attribute) const;
  void SetMenuPhrase(const std::string& languageId, const std::string& menuId,
                     const std::string& attribute, const std::string& phrase);
  bool HasMenuPhrase(const std::string& attribute) const;
  void ResetMenuPhrase(const std::string& attribute);
  void DeleteMenuPhrase(const std::string& menuId);

  int32_t TableCount() const { return live_.table.count(); }
  Ref<AGTablePhrase> TableItem(int32_t index) const;
  std::string GetTablePhrase(const std::string& languageId, const std::string& tableName,
                             const std::string& attribute) const;
  void SetTablePhrase(const std::string& languageId, const std::string& tableName,
                      const std::string& attribute, const std::string& phrase);
  bool HasTablePhrase(const std::string& attribute) const;
  void ResetTablePhrase(const std::string& attribute);
  void DeleteTablePhrase(const std::string& tableName);

  int32_t ChartCount() const { return live_.chart.count(); }
  Ref<AGChartPhrase> ChartItem(int32_t index) const;
  std::string GetChartPhrase(const std::string& languageId, const std::string& tableName,
                             const std::string& chartName, const std::string& attribute) const;
  void SetChartPhrase(const std::string& languageId, const std::string& tableName,
                      const std::string& chartName, const std::string& attribute,
                      const std::string& phrase);
  bool HasChartPhrase(const std::string& attribute) const;
  void ResetChartPhrase(const std::string& attribute);
  void DeleteChartPhrase(const std::string& tableName, const std::string& chartName);

  int32_t FieldCount() const { return live_.field.count(); }
  Ref<AGFieldPhrase> FieldItem(int32_t index) const;
  std::string GetFieldPhrase(const std::string& languageId, const std::string& tableName,
                             const std::string& fieldName, const std::string& attribute) const;
  void SetFieldPhrase(const std::string& languageId, const std::string& tableName,
                      const std::string& fieldName, const std::string& attribute,
                      const std::string& phrase);
  bool HasFieldPhrase(const std::string& attribute) const;
  void ResetFieldPhrase(const std::string& attribute);
  void DeleteFieldPhrase(const std::string& tableName, const std::string& fieldName);

  // The model's delete cascades: every override filed under the object's name in any
  // letter case (the model cannot hold two objects whose names differ only in case, so all
  // of them belong to the object that goes).
  void deleteTablePhrasesAnyCase(const std::string& tableName);
  void deleteChartPhrasesAnyCase(const std::string& tableName, const std::string& chartName);
  void deleteFieldPhrasesAnyCase(const std::string& tableName, const std::string& fieldName);

  int32_t curIndex() const { return 0; }

  // Runtime phrase table (ids compared without regard to case).
  int32_t Count() const { return static_cast<int32_t>(live_.phrases.size()); }
  std::string Phrase(const std::string& id) const;
  bool AddPhrase(const std::string& id, const std::string& phrase);
  bool ReplacePhrase(const std::string& id, const std::string& phrase);

private:
  struct FileEntry {
    std::string id, desc, fileName;
  };
  struct Phrases {
    struct Entry {
      std::string id, phrase, lowerId;
    };
    std::vector<Entry> phrases;
    std::unordered_map<std::string, size_t> phraseIndex; // lower-case id -> position
    PhraseList<3> project;
    PhraseList<4> menu;
    PhraseList<4> table;
    PhraseList<5> chart;
    PhraseList<5> field;
  };
  bool LoadLanguageFile(const std::string& file);
  // Position in the phrase table of an id (compared in lower case), or npos.
  size_t findPhrase(const std::string& id) const;

  std::vector<FileEntry> files_;
  Phrases live_;
  Phrases checkPoint_;
};

} // namespace quillet::elements
