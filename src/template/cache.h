#pragma once
// The generation cache: for each input file a run watches (the template archive, the user
// code, the control file, extension archives and files, the compiled scripts), the
// modification time and size it had when the cache last saw it, kept in "cache.xml" in the
// template's cache folder. Entries are (group, key) pairs compared without regard to case.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/automation/members.h"

namespace quillet::templating {

namespace automation = ::quillet::platform::automation;
using automation::Ref;
using automation::Variant;

class RUZCache : public automation::Object {
  QUILLET_OBJECT(RUZCache)
public:
  // Makes <documents>/Brindlewood/Templates/<template name>/cache (the template name from
  // templateWork()), moving aside a file that stands where the template's folder belongs,
  // and reads the index there. Folder failures raise.
  RUZCache();
  // The same for an explicit cache folder (made when missing).
  explicit RUZCache(const std::string& cacheFolder);

  bool AddCache(const std::string& sGroup, const std::string& sKey, const Variant& dt,
                const Variant& size);
  bool DeleteCache(const std::string& sGroup, const std::string& sKey);
  bool DeleteCacheGroup(const std::string& sGroup);
  bool DeleteAllCache();
  // 0 same date-time (to the second) and size, 1 different, 2 no such entry.
  int16_t CheckCache(const std::string& sGroup, const std::string& sKey, const Variant& dt,
                     const Variant& size) const;
  // The entry's date-time text, or the zero date when there is none.
  Variant GetCacheDate(const std::string& sGroup, const std::string& sKey) const;
  // Whether the group's keys and the CR LF separated list name the same things.
  bool MatchCacheGroup(const std::string& sGroup, const std::string& sList) const;
  // Writes the index file whole (UTF-8, reserved characters escaped).
  void WriteCacheFile() const;

  const std::string& indexPath() const { return path_; }
  struct Entry {
    std::string Group, Key, DateTime, Size;
  };
  const std::vector<Entry>& entries() const { return entries_; }

private:
  void open(const std::string& folder);
  void LoadCacheFile();
  int find(const std::string& group, const std::string& key) const;

  std::string path_;
  std::vector<Entry> entries_;
};

// The thread's cache index of the run; null until a run made one.
Ref<RUZCache>& runCache();

// The file's last-modified time (local, whole seconds) as a date.
Variant fileModified(const std::string& path);
// -1 when no file is at path, else the cache's answer for its time and size.
int16_t CheckCachedFile(RUZCache& cache, const std::string& group, const std::string& key,
                        const std::string& path);
// Records the file's time and size; nothing when it does not exist.
void RecordCachedFile(RUZCache& cache, const std::string& group, const std::string& key,
                      const std::string& path);

} // namespace quillet::templating
