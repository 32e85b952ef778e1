#include "sync/sync_log.h"

#include <cstdio>
#include <filesystem>
#include <map>

#include "core/text_helpers.h"
#include "platform/files/files.h"
#include "platform/text/casefold.h"

namespace quillet::sync {

namespace automation = ::quillet::platform::automation;
namespace text = ::quillet::platform::text;
using automation::Ref;
using automation::Variant;

namespace {

std::string two(int v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

// The project's variable name as one file name part: path separators and characters that
// some file systems refuse become "_".
std::string safeFilePart(const std::string& s) {
  std::string out;
  for (char c : s)
    out += (c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
            c == '>' || c == '|' || static_cast<unsigned char>(c) < 0x20)
               ? '_'
               : c;
  if (out.empty() || out == "." || out == "..") out = "_" + out;
  return out;
}

struct NoCaseLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return text::compareNoCase(a, b) < 0;
  }
};
using NameMap = std::map<std::string, std::string, NoCaseLess>;

std::string key(const std::string& t, const std::string& f) {
  return t + "\r\n" + f;
}

} // namespace

std::string WriteSyncLog(SyncLog& log, const std::string& reportFolder, const std::string& projVar,
                         const std::string& software, const std::string& version,
                         const std::tm& now) {
  if (log.empty()) return {};
  const std::string date = std::to_string(now.tm_year + 1900) + two(now.tm_mon + 1) +
                           two(now.tm_mday) + two(now.tm_hour) + two(now.tm_min) + two(now.tm_sec);
  const std::string path =
      platform::files::joinPath(reportFolder, safeFilePart(projVar) + "_" + date + ".log");
  std::string out;
  out += "# Software: " + software + "\r\n";
  out += "# Version: " + version + "\r\n";
  out += "# Date: " + std::to_string(now.tm_year + 1900) + "-" + two(now.tm_mon + 1) + "-" +
         two(now.tm_mday) + " " + two(now.tm_hour) + ":" + two(now.tm_min) + ":" + two(now.tm_sec) +
         "\r\n";
  // The same exchange sort as always, so records of equal table and field keep the order
  // earlier logs showed them in.
  for (size_t i = 0; i + 1 < log.size(); ++i)
    for (size_t j = i + 1; j < log.size(); ++j)
      if (log[i].TableName > log[j].TableName ||
          (log[i].TableName == log[j].TableName && log[i].FieldName > log[j].FieldName))
        std::swap(log[i], log[j]);
  std::string current;
  for (const SyncLogEntry& e : log) {
    const char* word = e.Kind == "A"   ? "ADDED  "
                       : e.Kind == "C" ? "CHANGED"
                       : e.Kind == "D" ? "DELETED"
                                       : "*******";
    std::string object =
        text::toLower(e.ObjectType) == "field" ? e.TableName + "->" + e.FieldName : e.TableName;
    std::string line = std::string(word) + " : (" + e.ObjectType + ") " + object;
    if (e.Kind == "C") line += " - " + e.Detail;
    if (e.TableName != current) {
      current = e.TableName;
      out += "#\r\n# " + current + "\r\n#\r\n";
    }
    out += line + "\r\n";
  }
  std::error_code ec;
  std::filesystem::create_directories(reportFolder, ec);
  // A second run within the same second adds to that second's file.
  std::string before;
  if (platform::files::fileExists(path)) before = platform::files::readFile(path);
  platform::files::writeFile(path, before + out);
  return path;
}

void SyncLookupLinks(model::RUZDatabase& db, SyncLog& log) {
  Ref<model::RUZTables> tables = db.Tables();
  NameMap deletedTables, deletedFields, tableRenames, fieldRenames;
  auto tableOf = [&](const std::string& name) -> Ref<model::RUZTable> {
    return tables->TableExist(Variant(name)) ? tables->Item(Variant(name)) : nullptr;
  };
  for (const SyncLogEntry& e : log) {
    if (e.Kind == "D" && !e.FieldName.empty()) {
      Ref<model::RUZTable> t = tableOf(e.TableName);
      if (!t) {
        deletedTables.emplace(e.TableName, "");
        deletedFields.emplace(key(e.TableName, e.FieldName), "");
      } else if (!t->Fields()->FieldExist(Variant(e.FieldName))) {
        deletedFields.emplace(key(e.TableName, e.FieldName), "");
      }
    } else if (e.Kind == "D") {
      if (!tableOf(e.TableName)) deletedTables.emplace(e.TableName, "");
    } else if (e.Kind == "C" && !e.FieldName.empty()) {
      if (tableOf(e.NewTableName))
        fieldRenames.emplace(key(e.TableName, e.FieldName), e.NewFieldName);
    } else if (e.Kind == "C") {
      if (tableOf(e.NewTableName)) tableRenames.emplace(e.TableName, e.NewTableName);
    }
  }
  if (deletedTables.empty() && deletedFields.empty() && tableRenames.empty() &&
      fieldRenames.empty())
    return;

  SyncLog repairs;
  for (const Ref<model::RUZTable>& t : tables->items().list()) {
    if (!t->TblLoaded()) continue;
    const std::string T = t->TblName();
    for (const Ref<model::RUZField>& f : t->Fields()->items().list()) {
      const std::string F = f->FldName();
      auto record = [&](const std::string& message) {
        repairs.push_back({"C", "Field", T, F, message, "", ""});
      };
      auto get = [&](const char* name) { return automation::CStr(f->value(name)); };
      auto set = [&](const char* name, const std::string& v) { f->setValue(name, Variant(v)); };
      if (!get("FldTagLnkTbl").empty()) {
        std::string L = get("FldTagLnkTbl");
        if (deletedTables.count(L) || deletedFields.count(key(L, get("FldTagLnkFld"))) ||
            deletedFields.count(key(L, get("FldTagLnkDisplay")))) {
          record("Clear lookup table " + L);
          // Every setting that points into the lookup table goes with it, so none is left
          // naming a field of a table the lookup no longer uses.
          for (const char* s : {"FldTagLnkTbl", "FldTagLnkFld", "FldTagLnkDisplay",
                                "FldTagLnkDisp2", "FldTagLnkOrderBy", "FldSelectFilterFld"})
            set(s, "");
          set("FldSelectType", "Values");
          set("FldHtmlTag", "TEXT");
        }
        L = get("FldTagLnkTbl");
        struct Clear {
          const char* setting;
          const char* message;
        };
        for (const Clear& c : {Clear{"FldTagLnkDisp2", "Clear lookup table display field 2 "},
                               Clear{"FldTagLnkOrderBy", "Clear lookup table order by field "},
                               Clear{"FldSelectFilterFld", "Clear lookup table filter field "}})
          if (!L.empty() && !get(c.setting).empty() &&
              deletedFields.count(key(L, get(c.setting)))) {
            record(c.message + get(c.setting));
            set(c.setting, "");
          }
        struct Rename {
          const char* setting;
          const char* what;
        };
        for (const Rename& r :
             {Rename{"FldTagLnkFld", "link field"}, Rename{"FldTagLnkDisplay", "display field"},
              Rename{"FldTagLnkDisp2", "display field 2"},
              Rename{"FldTagLnkOrderBy", "order by field"},
              Rename{"FldSelectFilterFld", "filter field"}}) {
          const std::string v = get(r.setting);
          if (L.empty() || v.empty()) continue;
          auto it = fieldRenames.find(key(L, v));
          if (it == fieldRenames.end()) continue;
          record(std::string("Rename lookup table ") + r.what + " from " + v + " to " + it->second);
          set(r.setting, it->second);
        }
        if (auto it = tableRenames.find(L); !L.empty() && it != tableRenames.end()) {
          record("Rename lookup table from " + L + " to " + it->second);
          set("FldTagLnkTbl", it->second);
        }
      }
      Ref<core::AGProperties> bag = f->Properties();
      for (const char* name :
           {"FileNameFld", "FileTypeFld", "FileSizeFld", "ImageWidthFld", "ImageHeightFld",
            "FldHrefFld", "FldParentSelect", "FldTooltipFld"}) {
        if (!bag->PropertyExist(Variant(name))) continue;
        const std::string v = automation::CStr(bag->Item(Variant(name))->Value());
        if (v.empty()) continue;
        if (deletedFields.count(key(T, v))) {
          record(std::string("Clear ") + name + " field");
          bag->Item(Variant(name))->setValue(Variant(""));
        } else if (auto it = fieldRenames.find(key(T, v)); it != fieldRenames.end()) {
          record(std::string("Rename ") + name + " field from " + v + " to " + it->second);
          bag->Item(Variant(name))->setValue(Variant(it->second));
        }
      }
    }
  }
  log.insert(log.end(), repairs.begin(), repairs.end());
}

void SaveTableKeys(model::RUZDatabase& db) {
  for (const Ref<model::RUZTable>& t : db.Tables()->items().list()) {
    std::string keys;
    for (const Ref<model::RUZField>& f : t->Fields()->items().list())
      if (f->FldIsPrimaryKey()) keys += (keys.empty() ? "" : "\r\n") + f->FldName();
    t->setTblKey(core::SortTextLines(keys));
  }
}

std::string UnquoteName(const std::string& name) {
  std::string s = name;
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') {
    s = s.substr(1, s.size() - 2);
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
      out += s[i];
      if (s[i] == '"' && i + 1 < s.size() && s[i + 1] == '"') ++i;
    }
    s = out;
  }
  if (s.size() >= 2 && s.front() == '[' && s.back() == ']') s = s.substr(1, s.size() - 2);
  return s;
}

void RestoreTableKeys(model::RUZTable& table) {
  std::vector<std::string> keys;
  const std::string k = table.TblKey();
  for (size_t start = 0; !k.empty();) {
    size_t end = k.find("\r\n", start);
    keys.push_back(UnquoteName(k.substr(start, end - start)));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  for (const Ref<model::RUZField>& f : table.Fields()->items().list()) {
    bool isKey = false;
    for (const std::string& line : keys)
      if (line == f->FldName()) isKey = true;
    f->setFldIsPrimaryKey(isKey);
  }
}

} // namespace quillet::sync
