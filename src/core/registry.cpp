#include "core/registry.h"

#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/error.h"
#include "platform/registry/registry.h"

namespace quillet::core {

namespace reg = ::quillet::platform::registry;
using automation::raise;

namespace {

struct RegistryState {
  cRegistry shared;
  int32_t lastType = 0;
};

RegistryState& state() {
  return automation::Context::current().shared<RegistryState>();
}

std::optional<reg::Root> rootOf(int32_t classKey) {
  if (classKey == kHkeyCurrentUser) return reg::Root::CurrentUser;
  if (classKey == kHkeyLocalMachine) return reg::Root::LocalMachine;
  return std::nullopt;
}

std::string textOf(const Variant& v) {
  try {
    return automation::CStr(v);
  } catch (const automation::Error&) {
    return {};
  }
}

Variant byteArray(const std::vector<uint8_t>& bytes) {
  std::vector<Variant> values;
  values.reserve(bytes.size());
  for (uint8_t b : bytes)
    values.emplace_back(b);
  return Variant(automation::SafeArray::fromValues(std::move(values)));
}

std::optional<std::vector<uint8_t>> bytesOf(const Variant& v) {
  if (!v.isArray() || v.asArray().dimensions() != 1) return std::nullopt;
  std::vector<uint8_t> out;
  for (const Variant& e : v.asArray().data()) {
    if (e.type() != automation::VarType::Byte) return std::nullopt;
    out.push_back(e.asByte());
  }
  return out;
}

} // namespace

bool cRegistry::KeyExists() const {
  auto root = rootOf(ClassKey);
  return root && reg::current().keyExists(*root, SectionKey);
}

bool cRegistry::CreateKey() {
  auto root = rootOf(ClassKey);
  if (!root || !reg::current().createKey(*root, SectionKey))
    raise(kErrRegistry, "Failed to create registry Key: '" + SectionKey, kRegistrySource);
  return true;
}

bool cRegistry::DeleteKey() {
  auto root = rootOf(ClassKey);
  if (!root || !reg::current().deleteKey(*root, SectionKey))
    raise(kErrRegistry,
          "Failed to delete registry Key: '" + std::to_string(ClassKey) + "',Section: '" +
              SectionKey,
          kRegistrySource);
  return true;
}

bool cRegistry::DeleteValue() {
  auto root = rootOf(ClassKey);
  reg::Registry& r = reg::current();
  // Opening for change access fails on a missing key and on a read-only hive.
  if (!root || !r.keyExists(*root, SectionKey) || !r.createKey(*root, SectionKey))
    raise(kErrRegistry,
          "Failed to open key '" + std::to_string(ClassKey) + "',Section: '" + SectionKey +
              "' for delete access",
          kRegistrySource);
  if (!r.deleteValue(*root, SectionKey, ValueKey))
    raise(kErrRegistry,
          "Failed to delete registry Key: '" + std::to_string(ClassKey) + "',Section: '" +
              SectionKey + "',Key: '" + ValueKey,
          kRegistrySource);
  return true;
}

namespace {
Variant variantOf(const reg::Value& v) {
  switch (v.type) {
  case reg::kString:
    return Variant(v.text);
  case reg::kExpandString:
    return Variant(reg::expandEnvironment(v.text));
  case reg::kDword:
  case reg::kDwordBigEndian:
    return Variant(static_cast<int32_t>(v.number));
  case reg::kMultiString: {
    std::string joined;
    for (size_t i = 0; i < v.list.size(); ++i) {
      if (i) joined += '\0';
      joined += v.list[i];
    }
    return Variant(joined);
  }
  default:
    return byteArray(v.bytes);
  }
}
} // namespace

Variant cRegistry::Value() {
  auto root = rootOf(ClassKey);
  if (!root) return Default;
  auto v = reg::current().getValue(*root, SectionKey, ValueKey);
  if (!v) return Default;
  ValueType = v->type;
  return variantOf(*v);
}

void cRegistry::setValue(const Variant& value) {
  auto message = [&] {
    return "Failed to set registry value Key: '" + std::to_string(ClassKey) + "',Section: '" +
           SectionKey + "',Key: '" + ValueKey + "' to value: '" + textOf(value) + "'";
  };
  auto root = rootOf(ClassKey);
  reg::Registry& r = reg::current();
  if (!root || !r.createKey(*root, SectionKey)) raise(kErrRegistry, message(), kRegistrySource);

  reg::Value stored;
  switch (ValueType) {
  case reg::kString:
  case reg::kExpandString: {
    if (value.isNull() || value.isObject()) raise(kErrRegistryWrite, message(), kRegistrySource);
    stored = reg::Value::string(textOf(value), ValueType);
    break;
  }
  case reg::kDword:
  case reg::kDwordBigEndian: {
    // Only whole numbers of the integer subtypes are numbers here: the defaults writer hands
    // every setting over with the type its catalogue names and counts on anything else (an
    // Empty, a Boolean, 2.5, text) leaving the stored value alone without a word.
    int32_t n;
    if (value.type() == automation::VarType::Integer)
      n = value.asInteger();
    else if (value.type() == automation::VarType::Long)
      n = value.asLong();
    else
      return;
    stored = reg::Value::dword(static_cast<uint32_t>(n), reg::kDword);
    break;
  }
  case reg::kBinary: {
    auto bytes = bytesOf(value);
    if (!bytes) raise(kErrRegistry);
    stored.type = reg::kBinary;
    stored.bytes = std::move(*bytes);
    break;
  }
  default:
    // Any other type is not written, and that is not an error to the caller.
    return;
  }
  if (!r.setValue(*root, SectionKey, ValueKey, std::move(stored)))
    raise(kErrRegistryWrite, message(), kRegistrySource);
  last_ = value;
}

bool cRegistry::EnumerateValues(std::vector<std::string>& names, int32_t& count) const {
  names.clear();
  count = 0;
  if (auto root = rootOf(ClassKey))
    if (auto list = reg::current().valueNames(*root, SectionKey)) names = std::move(*list);
  count = static_cast<int32_t>(names.size());
  return true;
}

bool cRegistry::EnumerateSections(std::vector<std::string>& names, int32_t& count) const {
  names.clear();
  count = 0;
  if (auto root = rootOf(ClassKey))
    if (auto list = reg::current().subKeys(*root, SectionKey)) names = std::move(*list);
  count = static_cast<int32_t>(names.size());
  return true;
}

cRegistry& SharedRegistry() {
  return state().shared;
}
int32_t LastRegistryType() {
  return state().lastType;
}

namespace {
cRegistry& point(const Variant& root, const Variant& section, const Variant& name) {
  cRegistry& r = SharedRegistry();
  r.ClassKey = textOf(root) == "HKLM" ? kHkeyLocalMachine : kHkeyCurrentUser;
  r.SectionKey = textOf(section);
  r.ValueKey = textOf(name);
  return r;
}
} // namespace

Variant RegGetValue(const Variant& root, const Variant& section, const Variant& name) {
  cRegistry& r = point(root, section, name);
  Variant v = r.Value();
  state().lastType = r.ValueType;
  return v;
}

std::vector<Variant> RegGetValues(const Variant& root, const Variant& section,
                                  const std::vector<std::string_view>& names) {
  std::vector<Variant> out;
  if (names.empty()) return out;
  out.reserve(names.size());
  cRegistry& r = point(root, section, Variant(std::string(names.back())));
  auto rt = rootOf(r.ClassKey);
  const reg::Key* key = rt ? reg::current().findKey(*rt, r.SectionKey) : nullptr;
  for (std::string_view name : names) {
    const reg::Value* v = key ? key->value(name) : nullptr;
    if (!v) {
      out.push_back(r.Default);
      continue;
    }
    r.ValueType = v->type;
    out.push_back(variantOf(*v));
  }
  state().lastType = r.ValueType;
  return out;
}

void RegSetValue(const Variant& root, const Variant& section, const Variant& name,
                 int32_t& valueType, const Variant& value) {
  cRegistry& r = point(root, section, name);
  r.ValueType = valueType;
  r.setValue(value);
}

} // namespace quillet::core
