#include "platform/registry/registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/automation/context.h"
#include "platform/automation/error.h"
#include "platform/files/files.h"
#include "platform/registry/odbc_ini.h"
#include "platform/text/ascii.h"
#include "platform/text/casefold.h"
#include "platform/text/encoding.h"

namespace quillet::platform::registry {

namespace fs = std::filesystem;

namespace {

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() == b.size() && text::isAscii(a) && text::isAscii(b)) {
    for (size_t i = 0; i < a.size(); ++i) {
      char x = a[i], y = b[i];
      if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
      if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
      if (x != y) return false;
    }
    return true;
  }
  return text::equalsNoCase(a, b);
}

// The form of a name under which sameName() finds it.
std::string foldedName(std::string_view n) {
  if (text::isAscii(n)) {
    std::string out(n);
    for (char& c : out)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
  }
  return text::foldCase(n);
}

std::vector<std::string> splitPath(std::string_view path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::string_view trim(std::string_view s) {
  return text::trim(s, text::kLineBlanks);
}

// ---- text form ----

void quote(std::string& out, std::string_view s) {
  out += '"';
  for (char c : s) {
    switch (c) {
    case '\\':
      out += "\\\\";
      break;
    case '"':
      out += "\\\"";
      break;
    case '\n':
      out += "\\n";
      break;
    case '\r':
      out += "\\r";
      break;
    case '\t':
      out += "\\t";
      break;
    case '\0':
      out += "\\0";
      break;
    default:
      out += c;
    }
  }
  out += '"';
}

// Reads a quoted text at the start of s; advances s past it.
std::optional<std::string> unquote(std::string_view& s) {
  if (s.empty() || s.front() != '"') return std::nullopt;
  std::string out;
  for (size_t i = 1; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') {
      s.remove_prefix(i + 1);
      return out;
    }
    if (c == '\\' && i + 1 < s.size()) {
      char e = s[++i];
      switch (e) {
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case '0':
        out += '\0';
        break;
      default:
        out += e;
      }
    } else {
      out += c;
    }
  }
  return std::nullopt;
}

void hexBytes(std::string& out, const std::vector<uint8_t>& bytes) {
  static const char* digits = "0123456789abcdef";
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i) out += ',';
    out += digits[bytes[i] >> 4];
    out += digits[bytes[i] & 15];
  }
}

std::optional<std::vector<uint8_t>> parseHexBytes(std::string_view s) {
  std::vector<uint8_t> bytes;
  s = trim(s);
  if (s.empty()) return bytes;
  while (true) {
    size_t comma = s.find(',');
    std::string_view item = trim(s.substr(0, comma));
    if (item.empty() || item.size() > 2) return std::nullopt;
    unsigned v = 0;
    for (char c : item) {
      int d = (c >= '0' && c <= '9')   ? c - '0'
              : (c >= 'a' && c <= 'f') ? c - 'a' + 10
              : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                       : -1;
      if (d < 0) return std::nullopt;
      v = v * 16 + static_cast<unsigned>(d);
    }
    bytes.push_back(static_cast<uint8_t>(v));
    if (comma == std::string_view::npos) break;
    s.remove_prefix(comma + 1);
  }
  return bytes;
}

std::optional<uint32_t> parseHexNumber(std::string_view s) {
  s = trim(s);
  if (s.empty() || s.size() > 8) return std::nullopt;
  uint32_t v = 0;
  for (char c : s) {
    int d = (c >= '0' && c <= '9')   ? c - '0'
            : (c >= 'a' && c <= 'f') ? c - 'a' + 10
            : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                     : -1;
    if (d < 0) return std::nullopt;
    v = v * 16 + static_cast<uint32_t>(d);
  }
  return v;
}

bool startsWith(std::string_view s, std::string_view p) {
  return s.substr(0, p.size()) == p;
}

std::optional<Value> parseValue(std::string_view s) {
  s = trim(s);
  Value v;
  if (startsWith(s, "\"")) {
    auto t = unquote(s);
    if (!t) return std::nullopt;
    return Value::string(std::move(*t));
  }
  if (startsWith(s, "expand:")) {
    s.remove_prefix(7);
    auto t = unquote(s);
    if (!t) return std::nullopt;
    return Value::string(std::move(*t), kExpandString);
  }
  if (startsWith(s, "dword-be:") || startsWith(s, "dword:")) {
    bool be = startsWith(s, "dword-be:");
    s.remove_prefix(be ? 9 : 6);
    auto n = parseHexNumber(s);
    if (!n) return std::nullopt;
    return Value::dword(*n, be ? kDwordBigEndian : kDword);
  }
  if (startsWith(s, "multi:")) {
    s.remove_prefix(6);
    v.type = kMultiString;
    s = trim(s);
    while (!s.empty()) {
      auto t = unquote(s);
      if (!t) return std::nullopt;
      v.list.push_back(std::move(*t));
      s = trim(s);
      if (!s.empty() && s.front() == ',') s = trim(s.substr(1));
    }
    return v;
  }
  if (startsWith(s, "hex")) {
    s.remove_prefix(3);
    v.type = kBinary;
    if (startsWith(s, "(")) {
      size_t close = s.find(')');
      if (close == std::string_view::npos) return std::nullopt;
      auto t = parseHexNumber(s.substr(1, close - 1));
      if (!t) return std::nullopt;
      v.type = static_cast<int32_t>(*t);
      s.remove_prefix(close + 1);
    }
    if (!startsWith(s, ":")) return std::nullopt;
    auto bytes = parseHexBytes(s.substr(1));
    if (!bytes) return std::nullopt;
    v.bytes = std::move(*bytes);
    return v;
  }
  return std::nullopt;
}

void writeValue(std::string& out, const Value& v) {
  char buf[32];
  switch (v.type) {
  case kString:
    quote(out, v.text);
    break;
  case kExpandString:
    out += "expand:";
    quote(out, v.text);
    break;
  case kDword:
  case kDwordBigEndian:
    std::snprintf(buf, sizeof buf, "%s:%08x", v.type == kDword ? "dword" : "dword-be", v.number);
    out += buf;
    break;
  case kMultiString:
    out += "multi:";
    for (size_t i = 0; i < v.list.size(); ++i) {
      if (i) out += ',';
      quote(out, v.list[i]);
    }
    break;
  case kBinary:
    out += "hex:";
    hexBytes(out, v.bytes);
    break;
  default:
    std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(v.type));
    out += buf;
    hexBytes(out, v.bytes);
  }
}

// A path is quoted when a name in it could not be read back from a plain section line.
bool needsQuotedHeader(std::string_view path) {
  if (path.empty() || path.front() == '"') return !path.empty();
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (c < 0x20 || c == 0x7F || c == '[' || c == ']') return true;
    bool edge = i == 0 || i + 1 == path.size() || path[i - 1] == '\\' || path[i + 1] == '\\';
    if (edge && (c == ' ' || c == '\t')) return true;
  }
  return false;
}

void writeHeader(std::string& out, std::string_view path) {
  out += '[';
  if (needsQuotedHeader(path))
    quote(out, path);
  else
    out += path;
  out += "]\n";
}

void writeValues(std::string& out, const Key& key) {
  for (const auto& [name, value] : key.values) {
    if (name.empty())
      out += '@';
    else
      quote(out, name);
    out += '=';
    writeValue(out, value);
    out += '\n';
  }
}

// Every key in pre-order, without recursion (keys may nest very deeply). A key gets a
// section when it has values or no sub-keys; the others are implied by their sub-keys.
void serialiseTree(std::string& out, const Key& root) {
  struct Step {
    const Key* key;
    size_t next;       // the next sub-key to visit
    size_t pathLength; // the length of the path up to and including this key
  };
  std::string path;
  std::vector<Step> stack{{&root, 0, 0}};
  while (!stack.empty()) {
    Step& top = stack.back();
    if (top.next == top.key->subkeys.size()) {
      stack.pop_back();
      continue;
    }
    const Key& sub = *top.key->subkeys[top.next++];
    path.resize(top.pathLength);
    if (!path.empty()) path += '\\';
    path += sub.name;
    if (!sub.values.empty() || sub.subkeys.empty()) {
      writeHeader(out, path);
      writeValues(out, sub);
      out += '\n';
    }
    stack.push_back({&sub, 0, path.size()});
  }
}

bool statFile(const std::string& path, std::timespec& stamp, int64_t& size) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  stamp = st.st_mtim;
  size = static_cast<int64_t>(st.st_size);
  return true;
}

std::string envOr(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::string(v) : fallback;
}

std::string homeDir() {
  return envOr("HOME", "/");
}

} // namespace

// ---- Key ----

Key& Key::operator=(Key&& other) noexcept {
  Key old(std::move(*this)); // freed below, without recursion
  name = std::move(other.name);
  values = std::move(other.values);
  subkeys = std::move(other.subkeys);
  index_ = std::move(other.index_);
  return *this;
}

Key::~Key() {
  std::vector<std::unique_ptr<Key>> pending = std::move(subkeys);
  while (!pending.empty()) {
    std::unique_ptr<Key> k = std::move(pending.back());
    pending.pop_back();
    for (auto& sub : k->subkeys)
      pending.push_back(std::move(sub));
    k->subkeys.clear();
  }
}

namespace {
constexpr size_t kIndexFrom = 16; // sub-keys before lookups are hashed
}

Key* Key::child(std::string_view n) const {
  if (!index_.empty()) {
    auto it = index_.find(foldedName(n));
    return it == index_.end() ? nullptr : it->second;
  }
  for (const auto& k : subkeys)
    if (sameName(k->name, n)) return k.get();
  return nullptr;
}

Key& Key::childOrCreate(std::string_view n) {
  if (Key* k = child(n)) return *k;
  subkeys.push_back(std::make_unique<Key>());
  Key* k = subkeys.back().get();
  k->name = std::string(n);
  if (!index_.empty()) {
    index_.emplace(foldedName(n), k);
  } else if (subkeys.size() >= kIndexFrom) {
    for (const auto& sub : subkeys)
      index_.emplace(foldedName(sub->name), sub.get());
  }
  return *k;
}

bool Key::eraseChild(std::string_view n) {
  for (auto it = subkeys.begin(); it != subkeys.end(); ++it) {
    if (!sameName((*it)->name, n)) continue;
    if (!index_.empty()) index_.erase(foldedName((*it)->name));
    subkeys.erase(it);
    return true;
  }
  return false;
}

const Value* Key::value(std::string_view n) const {
  for (const auto& [name, v] : values)
    if (sameName(name, n)) return &v;
  return nullptr;
}

void Key::setValue(std::string_view n, Value v) {
  for (auto& [name, old] : values)
    if (sameName(name, n)) {
      old = std::move(v);
      return;
    }
  values.emplace_back(std::string(n), std::move(v));
}

bool Key::eraseValue(std::string_view n) {
  for (auto it = values.begin(); it != values.end(); ++it)
    if (sameName(it->first, n)) {
      values.erase(it);
      return true;
    }
  return false;
}

// ---- Hive ----

Hive::Hive(std::string path, bool readOnly) : path_(std::move(path)), readOnly_(readOnly) {}

std::string Hive::parse(std::string_view text, Key& root) {
  std::string problem;
  size_t lineNumber = 0;
  auto skipped = [&](const char* reason) {
    if (problem.empty()) problem = "line " + std::to_string(lineNumber) + ": " + reason;
  };
  Key* current = nullptr;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t eol = text.find('\n', pos);
    if (eol == std::string_view::npos) eol = text.size();
    std::string_view line = trim(text.substr(pos, eol - pos));
    pos = eol + 1;
    ++lineNumber;
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      current = nullptr;
      std::string_view inner = line.substr(1);
      std::string path;
      if (std::string_view q = inner; !q.empty() && q.front() == '"') {
        auto t = unquote(q);
        if (!t || trim(q) != "]") {
          skipped("the key name is not closed");
          continue;
        }
        path = std::move(*t);
      } else {
        size_t close = inner.rfind(']');
        if (close == std::string_view::npos) {
          skipped("the key name is not closed");
          continue;
        }
        path = std::string(inner.substr(0, close));
      }
      Key* k = &root;
      for (const std::string& part : splitPath(path))
        k = &k->childOrCreate(part);
      if (k == &root) {
        skipped("the key has no name");
        continue;
      }
      current = k;
      continue;
    }
    if (!current) {
      skipped("a value outside any key");
      continue;
    }
    std::string name;
    std::string_view rest = line;
    if (rest.front() == '@') {
      rest.remove_prefix(1);
    } else {
      auto n = unquote(rest);
      if (!n) {
        skipped("the value name is not quoted");
        continue;
      }
      name = std::move(*n);
    }
    rest = trim(rest);
    if (rest.empty() || rest.front() != '=') {
      skipped("\"=\" is missing after the value name");
      continue;
    }
    if (auto v = parseValue(rest.substr(1)))
      current->setValue(name, std::move(*v));
    else
      skipped("the value cannot be read");
  }
  return problem;
}

std::string Hive::serialise(const Key& root) {
  std::string out = "; Brindlewood registry hive\n\n";
  serialiseTree(out, root);
  return out;
}

namespace {

// The hive's text as UTF-8, whatever form it was saved in.
std::string hiveText(std::string bytes) {
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return bytes.substr(3);
  if (bytes.size() >= 2 && bytes.compare(0, 2, "\xFF\xFE") == 0)
    return text::Encoding::utf16LE().decode(std::string_view(bytes).substr(2));
  if (bytes.size() >= 2 && bytes.compare(0, 2, "\xFE\xFF") == 0)
    return text::Encoding::utf16BE().decode(std::string_view(bytes).substr(2));
  return bytes;
}

// Holds an exclusive lock on the hive's folder. The folder, not the file: the file is
// replaced by every write, and a lock on the replaced file would guard nothing.
class FolderLock {
public:
  explicit FolderLock(const std::string& folder)
      : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0)
      if (errno != EINTR) {
        ::close(fd_);
        fd_ = -1;
        return;
      }
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  bool held() const { return fd_ >= 0; }

private:
  int fd_;
};

} // namespace

void Hive::load() {
  root_ = Key{};
  damage_.clear();
  loaded_ = true;
  size_ = -1;
  stamp_ = {};
  std::timespec stamp{};
  int64_t size = -1;
  if (!statFile(path_, stamp, size)) return;
  std::ifstream in(path_, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  std::string problem = parse(hiveText(ss.str()), root_);
  if (!problem.empty()) damage_ = path_ + ", " + problem;
  stamp_ = stamp;
  size_ = size;
}

Key& Hive::root() {
  std::timespec stamp{};
  int64_t size = -1;
  bool exists = statFile(path_, stamp, size);
  if (!loaded_ ||
      (exists ? (stamp.tv_sec != stamp_.tv_sec || stamp.tv_nsec != stamp_.tv_nsec || size != size_)
              : size_ != -1))
    load();
  return root_;
}

bool Hive::update(const std::function<bool(Key&)>& change) {
  error_.clear();
  if (readOnly_) {
    error_ = path_ + " is read-only";
    return false;
  }
  std::error_code ec;
  fs::path target(path_);
  fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  fs::create_directories(folder, ec);
  FolderLock lock(folder.string());
  if (!lock.held()) {
    error_ = "cannot lock the folder of " + path_;
    return false;
  }
  // Another writer may have changed the hive since it was read: change what is there now.
  load();
  if (!damage_.empty()) {
    error_ = "not written over, as a line of it could not be read: " + damage_;
    return false;
  }
  if (!change(root_)) {
    load();
    return false;
  }
  try {
    files::writeFile(path_, serialise(root_));
  } catch (const automation::Error& e) {
    error_ = e.description();
    load(); // drop the change that could not be kept
    return false;
  }
  statFile(path_, stamp_, size_);
  return true;
}

// ---- Registry ----

std::string Registry::userHivePath() {
  std::string config = envOr("XDG_CONFIG_HOME", "");
  if (config.empty() || config.front() != '/') config = homeDir() + "/.config";
  return config + "/brindlewood/user.reg";
}

std::string Registry::machineHivePath() {
  std::string env = envOr("QUILLET_MACHINE_HIVE", "");
  if (!env.empty()) return env;
  // The program's data lies beside it: <prefix>/share/brindlewood when installed as
  // <prefix>/bin/brindlewood, share/brindlewood in the folder it was built in.
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const fs::path bin = exe.parent_path();
    for (const fs::path& share : {bin.parent_path() / "share", bin / "share"}) {
      fs::path hive = share / "brindlewood" / "machine.reg";
      if (fs::exists(hive, ec)) return hive.string();
    }
  }
  return "/usr/share/brindlewood/machine.reg";
}

struct Registry::Impl {
  Hive user{Registry::userHivePath(), false};
  Hive machine{Registry::machineHivePath(), true};
  std::unique_ptr<Key> odbc; // the ODBC view of the last lookup

  Hive& hive(Root r) { return r == Root::LocalMachine ? machine : user; }

  // The ODBC keys of the machine root: "Software\ODBC\...".
  static bool isOdbcPath(Root r, const std::vector<std::string>& parts) {
    return r == Root::LocalMachine && parts.size() >= 2 && sameName(parts[0], "Software") &&
           sameName(parts[1], "ODBC");
  }

  Key* find(Root r, std::string_view path) {
    auto parts = splitPath(path);
    Key* k;
    size_t from = 0;
    if (isOdbcPath(r, parts)) {
      odbc = odbcKey();
      k = odbc.get();
      from = 2;
    } else {
      k = &hive(r).root();
    }
    for (size_t i = from; i < parts.size() && k; ++i)
      k = k->child(parts[i]);
    return k;
  }

  bool writable(Root r, std::string_view path) {
    return !hive(r).readOnly() && !isOdbcPath(r, splitPath(path));
  }

  // The key below root for a change, created with its parents; nullptr for an empty path.
  static Key* make(Key& root, const std::vector<std::string>& parts) {
    if (parts.empty()) return nullptr;
    Key* k = &root;
    for (const auto& p : parts)
      k = &k->childOrCreate(p);
    return k;
  }

  static Key* walk(Key& root, const std::vector<std::string>& parts, size_t count) {
    Key* k = &root;
    for (size_t i = 0; i < count && k; ++i)
      k = k->child(parts[i]);
    return k;
  }
};

Registry::Registry() : impl_(std::make_unique<Impl>()) {}
Registry::~Registry() = default;

bool Registry::keyExists(Root root, std::string_view path) {
  return !splitPath(path).empty() && impl_->find(root, path) != nullptr;
}

bool Registry::createKey(Root root, std::string_view path) {
  if (!impl_->writable(root, path)) return false;
  if (keyExists(root, path)) return true;
  auto parts = splitPath(path);
  return impl_->hive(root).update([&](Key& top) { return Impl::make(top, parts) != nullptr; });
}

bool Registry::deleteKey(Root root, std::string_view path) {
  if (!impl_->writable(root, path)) return false;
  auto parts = splitPath(path);
  if (parts.empty()) return false;
  return impl_->hive(root).update([&](Key& top) {
    Key* parent = Impl::walk(top, parts, parts.size() - 1);
    Key* k = parent ? parent->child(parts.back()) : nullptr;
    if (!k || !k->subkeys.empty()) return false;
    return parent->eraseChild(parts.back());
  });
}

bool Registry::deleteValue(Root root, std::string_view path, std::string_view name) {
  if (!impl_->writable(root, path)) return false;
  auto parts = splitPath(path);
  if (parts.empty()) return false;
  return impl_->hive(root).update([&](Key& top) {
    Key* k = Impl::walk(top, parts, parts.size());
    return k && k->eraseValue(name);
  });
}

std::optional<Value> Registry::getValue(Root root, std::string_view path, std::string_view name) {
  Key* k = impl_->find(root, path);
  if (!k) return std::nullopt;
  const Value* v = k->value(name);
  if (!v) return std::nullopt;
  return *v;
}

const Key* Registry::findKey(Root root, std::string_view path) {
  return impl_->find(root, path);
}

bool Registry::setValue(Root root, std::string_view path, std::string_view name, Value value) {
  if (!impl_->writable(root, path)) return false;
  auto parts = splitPath(path);
  return impl_->hive(root).update([&](Key& top) {
    Key* k = Impl::make(top, parts);
    if (!k) return false;
    k->setValue(name, std::move(value));
    return true;
  });
}

std::string Registry::lastError(Root root) const {
  return impl_->hive(root).lastError();
}

std::optional<std::vector<std::string>> Registry::valueNames(Root root, std::string_view path) {
  Key* k = impl_->find(root, path);
  if (!k) return std::nullopt;
  std::vector<std::string> out;
  for (const auto& [name, v] : k->values)
    out.push_back(name);
  return out;
}

std::optional<std::vector<std::string>> Registry::subKeys(Root root, std::string_view path) {
  Key* k = impl_->find(root, path);
  if (!k) return std::nullopt;
  std::vector<std::string> out;
  for (const auto& sub : k->subkeys)
    out.push_back(sub->name);
  // The ODBC view hangs below the machine's "Software" key.
  auto parts = splitPath(path);
  if (root == Root::LocalMachine && parts.size() == 1 && sameName(parts[0], "Software")) {
    bool has = false;
    for (const auto& n : out)
      has = has || sameName(n, "ODBC");
    if (!has) out.emplace_back("ODBC");
  }
  return out;
}

Registry& current() {
  return automation::Context::current().shared<Registry>();
}

std::string expandEnvironment(std::string_view text) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    size_t open = text.find('%', i);
    if (open == std::string_view::npos) break;
    size_t close = text.find('%', open + 1);
    if (close == std::string_view::npos) break;
    out.append(text.substr(i, open - i));
    std::string name(text.substr(open + 1, close - open - 1));
    const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
    if (value) {
      out += value;
      i = close + 1;
    } else {
      // Unknown names stay as written; the closing "%" may open the next reference.
      out += '%';
      out += name;
      i = close;
    }
  }
  out.append(text.substr(i));
  return out;
}

} // namespace quillet::platform::registry
