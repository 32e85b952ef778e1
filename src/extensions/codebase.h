#pragma once
// The code base: a read-only library of named code snippets kept in an XML file whose path is
// the user's "CodeBase" setting, each found by the first four key parts of a custom script
// (script kind, code kind, name, language; compared without regard to case).
//
// A load reads the whole file before it replaces anything, so a file that fails to load,
// has the wrong root or holds a malformed entry in the middle leaves the entries of the last
// good load. An entry's code is its CDATA section or its plain text; an entry without either
// has empty code.
#include <cstdint>
#include <string>
#include <vector>

#include "extensions/custom_scripts.h"
#include "extensions/operations.h"

namespace quillet::extensions {

class RUZCodeBase : public automation::Object {
  QUILLET_OBJECT(RUZCodeBase)
public:
  struct Entry {
    std::string scriptType, codeType, name, language, code;
  };

  int16_t curIndex() const { return 0; }
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  bool CodeExist(const std::string& scriptType, const std::string& codeType,
                 const std::string& name, const std::string& language) const;
  // The code with CR LF line ends; "" when no entry matches.
  std::string CodeSource(const std::string& scriptType, const std::string& codeType,
                         const std::string& name, const std::string& language) const;
  // Replaces every entry with the file's; False (entries unchanged) when the file cannot be
  // read or its root is not the product's code base root.
  bool Load(const std::string& file);
  // Why the last failed load failed ("Load code base file failed!", "Code base file is
  // invalid!").
  const std::string& lastError() const { return lastError_; }
  const std::vector<Entry>& entries() const { return entries_; }

private:
  const Entry* find(const std::string& scriptType, const std::string& codeType,
                    const std::string& name, const std::string& language) const;
  std::vector<Entry> entries_;
  std::string lastError_;
};

// The thread's code base, created empty on first use.
Ref<RUZCodeBase> codeBase();

// Reads the user's "CodeBase" setting into codeBaseFile and loads that file into the
// thread's code base when it exists (project load and generation do this too).
void reloadCodeBase(std::string& codeBaseFile);

// ---- Code base members of the project object ---------------------------------------------
std::string LoadCodeBase(const std::string& sScriptType, const std::string& sCodeType,
                         const std::string& sName, const std::string& sLanguage);
bool CodeBaseExist(const std::string& sScriptType, const std::string& sCodeType,
                   const std::string& sName, const std::string& sLanguage);
// Reloads the code base, makes the script's control, table and field current and returns
// the code for its first four parts, tidied. Empties the project error text first.
std::string LoadCustomScriptCode(ProjectAccess& project, const ScriptParts& parts);

} // namespace quillet::extensions
