#include "template/cache.h"

#include <ctime>

#include "core/state.h"
#include "core/text_helpers.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/automation/error.h"
#include "platform/files/files.h"
#include "platform/text/ascii.h"
#include "platform/text/casefold.h"
#include "platform/xml/xml.h"
#include "template/work.h"

namespace quillet::templating {

namespace files = ::quillet::platform::files;
namespace text = ::quillet::platform::text;

namespace {

struct CacheHolder {
  Ref<RUZCache> cache;
};

// Attribute text as XML needs it: keys are file paths, which may hold "&", "<" or quotes.
std::string escaped(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    switch (c) {
    case '&': out += "&amp;"; break;
    case '<': out += "&lt;"; break;
    case '>': out += "&gt;"; break;
    case '"': out += "&quot;"; break;
    case '\r': out += "&#13;"; break;
    case '\n': out += "&#10;"; break;
    case '\t': out += "&#9;"; break;
    default: out.push_back(c);
    }
  }
  return out;
}

std::string attribute(const char* name, const std::string& value) {
  return std::string(name) + "=\"" + escaped(value) + "\" ";
}

std::string nowSuffix() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d%H%M%S", &tm);
  return buf;
}

std::string withoutTrailingSeparator(std::string path) {
  if (!path.empty() && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  return path;
}

} // namespace

Ref<RUZCache>& runCache() {
  return automation::Context::current().shared<CacheHolder>().cache;
}

RUZCache::RUZCache() {
  core::State& st = core::state();
  std::string folder = files::joinPath(text::trim(files::documentsFolder(), " "),
                                       core::CompactName(st.ProductKey));
  files::createFolders(folder);
  folder = files::joinPath(folder, "Templates");
  files::createFolders(folder);
  folder = files::joinPath(folder, core::CompactName(templateWork().TemplateName));
  if (!files::folderExists(folder)) {
    // A file where the template's folder belongs is kept under a dated name.
    const std::string asFile = withoutTrailingSeparator(folder);
    if (files::fileExists(asFile)) files::move(asFile, asFile + "." + nowSuffix());
  }
  files::createFolders(folder);
  open(files::joinPath(folder, "cache"));
}

RUZCache::RUZCache(const std::string& cacheFolder) {
  open(cacheFolder);
}

void RUZCache::open(const std::string& folder) {
  files::createFolders(folder);
  path_ = files::joinPath(folder, "cache.xml");
  if (files::fileExists(path_)) LoadCacheFile();
}

void RUZCache::LoadCacheFile() {
  platform::xml::Document doc;
  try {
    doc = platform::xml::Document::load(path_);
  } catch (const automation::Error&) {
    return; // an unreadable index starts the cache empty
  }
  platform::xml::Node root = doc.documentElement();
  if (!root || root.name() != "Cache") return;
  for (const platform::xml::Node& n : root.childElements()) {
    if (n.name() != "CacheEntry") continue;
    Entry e;
    for (const auto& [name, value] : n.attributes()) {
      if (name == "Group")
        e.Group = value;
      else if (name == "Key")
        e.Key = value;
      else if (name == "DateTime")
        e.DateTime = value;
      else if (name == "Size")
        e.Size = value;
    }
    entries_.push_back(std::move(e));
  }
}

int RUZCache::find(const std::string& group, const std::string& key) const {
  for (size_t i = 0; i < entries_.size(); ++i)
    if (text::equalsNoCase(entries_[i].Group, group) && text::equalsNoCase(entries_[i].Key, key))
      return static_cast<int>(i);
  return -1;
}

bool RUZCache::AddCache(const std::string& sGroup, const std::string& sKey, const Variant& dt,
                        const Variant& size) {
  const std::string when = core::FormatTimestamp(dt);
  const std::string bytes = automation::CStr(size);
  int i = find(sGroup, sKey);
  if (i >= 0) {
    entries_[static_cast<size_t>(i)].DateTime = when;
    entries_[static_cast<size_t>(i)].Size = bytes;
  } else {
    entries_.push_back({sGroup, sKey, when, bytes});
  }
  return true;
}

bool RUZCache::DeleteCache(const std::string& sGroup, const std::string& sKey) {
  int i = find(sGroup, sKey);
  if (i < 0) return false;
  entries_.erase(entries_.begin() + i);
  return true;
}

bool RUZCache::DeleteCacheGroup(const std::string& sGroup) {
  const size_t before = entries_.size();
  std::erase_if(entries_, [&](const Entry& e) { return text::equalsNoCase(e.Group, sGroup); });
  return entries_.size() != before;
}

bool RUZCache::DeleteAllCache() {
  entries_.clear();
  return true;
}

int16_t RUZCache::CheckCache(const std::string& sGroup, const std::string& sKey, const Variant& dt,
                             const Variant& size) const {
  int i = find(sGroup, sKey);
  if (i < 0) return 2;
  const Entry& e = entries_[static_cast<size_t>(i)];
  return e.DateTime == core::FormatTimestamp(dt) && e.Size == automation::CStr(size) ? 0 : 1;
}

Variant RUZCache::GetCacheDate(const std::string& sGroup, const std::string& sKey) const {
  int i = find(sGroup, sKey);
  if (i < 0) return Variant::fromDate(0.0);
  return Variant(entries_[static_cast<size_t>(i)].DateTime);
}

bool RUZCache::MatchCacheGroup(const std::string& sGroup, const std::string& sList) const {
  std::vector<std::string> items;
  if (!sList.empty()) {
    size_t start = 0;
    for (;;) {
      size_t end = sList.find("\r\n", start);
      items.push_back(sList.substr(start, end == std::string::npos ? end : end - start));
      if (end == std::string::npos) break;
      start = end + 2;
    }
  }
  std::vector<bool> found(items.size(), false);
  for (const Entry& e : entries_) {
    if (!text::equalsNoCase(e.Group, sGroup)) continue;
    size_t k = 0;
    while (k < items.size() && !text::equalsNoCase(items[k], e.Key)) ++k;
    if (k == items.size()) return false;
    found[k] = true;
  }
  for (bool f : found)
    if (!f) return false;
  return true;
}

void RUZCache::WriteCacheFile() const {
  core::InitSystemCharset();
  const core::State& st = core::state();
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
  out += "<Cache " + attribute("Product", st.ProductKey) + attribute("Version", st.versionText()) +
         ">\r\n";
  for (const Entry& e : entries_)
    out += "<CacheEntry " + attribute("Group", e.Group) + attribute("Key", e.Key) +
           attribute("DateTime", e.DateTime) + attribute("Size", e.Size) + "/>\r\n";
  out += "</Cache>\r\n";
  files::writeFile(path_, out);
}

Variant fileModified(const std::string& path) {
  std::time_t t = std::chrono::system_clock::to_time_t(files::entryInfo(path).modified);
  std::tm tm{};
  localtime_r(&t, &tm);
  auto serial = automation::makeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                                     tm.tm_min, tm.tm_sec);
  return serial ? Variant::fromDate(*serial) : Variant::fromDate(0.0);
}

int16_t CheckCachedFile(RUZCache& cache, const std::string& group, const std::string& key,
                        const std::string& path) {
  if (!files::fileExists(path)) return -1;
  return cache.CheckCache(group, key, fileModified(path),
                          Variant::fromInt64(static_cast<int64_t>(files::entryInfo(path).size)));
}

void RecordCachedFile(RUZCache& cache, const std::string& group, const std::string& key,
                      const std::string& path) {
  if (!files::fileExists(path)) return;
  cache.AddCache(group, key, fileModified(path),
                 Variant::fromInt64(static_cast<int64_t>(files::entryInfo(path).size)));
}

QUILLET_DEFINE_CLASS(RUZCache) {
  using C = RUZCache;
  b.method("AddCache", &C::AddCache)
      .method("DeleteCache", &C::DeleteCache)
      .method("DeleteCacheGroup", &C::DeleteCacheGroup)
      .method("DeleteAllCache", &C::DeleteAllCache)
      .method("CheckCache", &C::CheckCache)
      .method("GetCacheDate", &C::GetCacheDate)
      .method("MatchCacheGroup", &C::MatchCacheGroup)
      .method("WriteCacheFile", &C::WriteCacheFile);
}

} // namespace quillet::templating
