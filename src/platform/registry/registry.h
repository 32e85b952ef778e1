#pragma once
// The registry stand-in: hives kept as human-readable text files.
//
//   current user   $XDG_CONFIG_HOME/brindlewood/user.reg (XDG_CONFIG_HOME defaults to
//                  ~/.config); written back atomically (temporary file + rename) on every
//                  change.
//   local machine  the machine hive shipped with the program, read-only: the file named by
//                  QUILLET_MACHINE_HIVE, else share/brindlewood/machine.reg beside the
//                  program's folder (installed) or in it (the build folder), else
//                  /usr/share/brindlewood/machine.reg.
//                  Below it, "Software\ODBC\ODBC.INI" and "Software\ODBC\ODBCINST.INI" are
//                  answered from unixODBC's configuration (see odbc_ini.h), so data sources
//                  defined the Linux way are seen.
//
// Key paths are separated by backslashes and compared without regard to case; sub-keys and
// values enumerate in the order they were created. Text is UTF-8 (a file in UTF-16, or with
// a UTF-8 mark, is read too).
//
// Every change is made under an exclusive lock of the hive's folder, on the hive as it is on
// disk then, so that writers in several processes and threads lose nothing. A hive with a
// line that cannot be read is never written over: the change is refused and lastError()
// names the file and line.
//
// File format (one key per section, values below it):
//
//   [Software\Brindlewood\4.0\Settings\General]
//   "LanguageFolder"="/usr/share/brindlewood/languages"
//   "Path"=expand:"%HOME%/x"          type 2, expanded on read
//   "Count"=dword:0000000a            type 4
//   "Big"=dword-be:00000102           type 5 (the number; stored most significant byte first)
//   "List"=multi:"a","b"              type 7
//   "Raw"=hex:01,02,ff                type 3 (hex(n): for any other type n)
//   @="default value"                 the unnamed value
//
// Inside quotes, backslash escapes \\ \" \n \r \t and \0 are used. Lines starting with ";"
// or "#" are comments. A key path that holds brackets, quotes, control characters or blanks
// at the ends of a name is written quoted: ["Software\\a]b"]. A key with sub-keys and no
// values has no section of its own; its sub-keys' sections imply it.
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quillet::platform::registry {

enum class Root { CurrentUser, LocalMachine };

enum ValueType : int32_t {
  kNone = 0,
  kString = 1,
  kExpandString = 2,
  kBinary = 3,
  kDword = 4,
  kDwordBigEndian = 5,
  kMultiString = 7,
};

struct Value {
  int32_t type = kString;
  std::string text;              // types 1 and 2
  uint32_t number = 0;           // types 4 and 5
  std::vector<std::string> list; // type 7
  std::vector<uint8_t> bytes;    // type 3 and any other type

  static Value string(std::string s, int32_t type = kString) {
    Value v;
    v.type = type;
    v.text = std::move(s);
    return v;
  }
  static Value dword(uint32_t n, int32_t type = kDword) {
    Value v;
    v.type = type;
    v.number = n;
    return v;
  }
};

// One key of a hive. Keys may nest without limit and have any number of sub-keys: lookups
// by name are hashed once a key has many sub-keys, and freeing a key never recurses.
struct Key {
  std::string name;
  std::vector<std::pair<std::string, Value>> values;
  std::vector<std::unique_ptr<Key>> subkeys;

  Key() = default;
  Key(Key&&) noexcept = default;
  Key& operator=(Key&& other) noexcept;
  ~Key();

  Key* child(std::string_view name) const;
  Key& childOrCreate(std::string_view name);
  // Removes the sub-key named name; false when there is none.
  bool eraseChild(std::string_view name);
  const Value* value(std::string_view name) const;
  void setValue(std::string_view name, Value v);
  bool eraseValue(std::string_view name);

private:
  // Sub-keys by folded name, kept once there are enough of them to make scans costly.
  std::unordered_map<std::string, Key*> index_;
};

// A hive held in memory, read from and written back to its file.
class Hive {
public:
  Hive(std::string path, bool readOnly);
  const std::string& path() const { return path_; }
  bool readOnly() const { return readOnly_; }
  // The root key, reloaded first when the file changed on disk since it was read.
  Key& root();
  // Applies change to the hive as it is on disk, under the hive's lock, and writes the
  // result back atomically. False (and nothing changed) when change returns false, the hive
  // is read-only or could not be read whole, or the write fails; lastError() then says why.
  bool update(const std::function<bool(Key&)>& change);
  // Why the last update was refused ("" when it was not).
  const std::string& lastError() const { return error_; }

  // Text form of a hive and its parser. The parser keeps going past lines it cannot read
  // and returns the first of them as "line N: reason" ("" when every line was read).
  static std::string serialise(const Key& root);
  static std::string parse(std::string_view text, Key& root);

private:
  void load();
  std::string path_;
  bool readOnly_;
  Key root_;
  bool loaded_ = false;
  std::string damage_; // the first line that could not be read, with the file's name
  std::string error_;
  std::timespec stamp_{};
  int64_t size_ = -1;
};

// The registry of one context: both hives and the ODBC view.
class Registry {
public:
  Registry();
  ~Registry();

  // The files behind the hives, as resolved from the environment.
  static std::string userHivePath();
  static std::string machineHivePath();

  bool keyExists(Root root, std::string_view path);
  // Creates the key and its missing parents; false when refused (read-only hive, write
  // failure).
  bool createKey(Root root, std::string_view path);
  // Deletes a key without sub-keys; false when it is missing, has sub-keys or is refused.
  bool deleteKey(Root root, std::string_view path);
  bool deleteValue(Root root, std::string_view path, std::string_view name);
  // The stored value (type 2 not yet expanded); nullopt when the key or value is missing.
  std::optional<Value> getValue(Root root, std::string_view path, std::string_view name);
  // The key itself, for reading many of its values with one look at the hive; valid until
  // the registry is used again. nullptr when the key is missing.
  const Key* findKey(Root root, std::string_view path);
  // Stores a value, creating the key; false when refused.
  bool setValue(Root root, std::string_view path, std::string_view name, Value value);
  // Value and sub-key names in order; nullopt when the key is missing.
  std::optional<std::vector<std::string>> valueNames(Root root, std::string_view path);
  std::optional<std::vector<std::string>> subKeys(Root root, std::string_view path);
  // Why the last refused change was refused, naming the hive's file ("" when unknown).
  std::string lastError(Root root) const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The registry of the current context.
Registry& current();

// Replaces %NAME% references by the environment's values; unknown names stay as written.
std::string expandEnvironment(std::string_view text);

} // namespace quillet::platform::registry
