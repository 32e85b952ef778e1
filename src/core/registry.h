#pragma once
// Registry access for settings, folders, extension lists, filters and ODBC data sources:
// an accessor pointed at a root, a key path and a value name, and two procedures for the
// common case of one value.
//
// Text is stored as typed: a text written as type 1 stays type 1 whatever "%" it holds (only
// type 2 is expanded on read). A write the registry refuses raises kErrRegistryWrite; a number
// write of a value that is no 16- or 32-bit integer, and a write of an unknown type, store
// nothing and raise nothing.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/variant.h"

namespace quillet::core {

namespace automation = ::quillet::platform::automation;
using automation::Variant;

inline constexpr int32_t kHkeyCurrentUser = static_cast<int32_t>(0x80000001u);
inline constexpr int32_t kHkeyLocalMachine = static_cast<int32_t>(0x80000002u);

inline constexpr int32_t kErrRegistry = 26001;
inline constexpr int32_t kErrRegistryWrite = static_cast<int32_t>(0x800469A9u);
// The source of the accessor's errors.
inline constexpr const char* kRegistrySource = "quillet4.cRegistry";

class cRegistry {
public:
  // Whether ClassKey\SectionKey exists.
  bool KeyExists() const;
  // Creates the key with its missing parents (or opens it); raises 26001 when refused.
  bool CreateKey();
  // Deletes a key without sub-keys; raises 26001 when that fails.
  bool DeleteKey();
  // Deletes ValueKey; raises 26001 when the key cannot be opened or the value not deleted.
  bool DeleteValue();
  // The value read, by its type (1 and 7 text, 2 expanded text, 4 and 5 a Long, anything
  // else a byte array); Default when the key or value is missing. Sets ValueType.
  Variant Value();
  // Writes the value in the form of ValueType: 1/2 text, 4/5 a 16- or 32-bit integer (stored
  // as type 4; any other value writes nothing), 3 a byte array (anything else raises 26001);
  // any other type writes nothing. A write the registry refuses raises kErrRegistryWrite; a
  // key that cannot be created or opened for writing (the machine hive is read-only) raises
  // 26001. lastValue() changes only when something was written.
  void setValue(const Variant& value);
  // Value and sub-key names; true also when the key is missing (the list is then empty).
  bool EnumerateValues(std::vector<std::string>& names, int32_t& count) const;
  bool EnumerateSections(std::vector<std::string>& names, int32_t& count) const;

  int32_t ClassKey = 0;
  std::string SectionKey;
  std::string ValueKey;
  int32_t ValueType = 0;
  Variant Default;
  const Variant& lastValue() const { return last_; }

private:
  Variant last_;
};

// The thread's shared accessor and the type of the value last read through RegGetValue.
cRegistry& SharedRegistry();
int32_t LastRegistryType();

// "HKLM" selects the local machine root, any other text the current user's.
Variant RegGetValue(const Variant& root, const Variant& section, const Variant& name);
// The values of several names of one section, as RegGetValue of each name in turn gives
// them (the shared accessor and the last type end as those calls would leave them), with
// one look at the hive instead of one per name.
std::vector<Variant> RegGetValues(const Variant& root, const Variant& section,
                                  const std::vector<std::string_view>& names);
void RegSetValue(const Variant& root, const Variant& section, const Variant& name,
                 int32_t& valueType, const Variant& value);

} // namespace quillet::core
