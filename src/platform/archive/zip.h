#pragma once
// Unpacking of zip archives (template sets and extensions) into a work folder.
//
// Archives come from outside, so every entry is checked before anything is written: a name
// that is absolute, carries a drive letter or climbs with "..", under either separator, is
// refused; a symbolic link is kept only when its target stays inside the folder, and links
// are made after every file so that no file is written through one; the declared sizes and
// the number of entries are held to limits, and the bytes actually inflated are counted
// again while reading, so an archive that lies about its sizes stops as well. Nothing is
// ever written outside the target folder, and what an extraction that fails half-way made
// is removed again.
//
// Failures raise automation::Error: 53 for a missing archive, 75 (naming the archive, and
// the entry where one is at fault) for a corrupt archive, a refused entry or a limit, 61
// for a full disk, 70 when the folder may not be written.
#include <cstdint>
#include <string>

namespace quillet::platform::archive {

struct Limits {
  uint64_t maxTotalBytes = uint64_t{1} << 30; // 1 GiB unpacked
  uint64_t maxEntries = 100000;
};

struct Options {
  // Entries keep their folders below the target; false puts every file straight into it.
  bool keepFolders = true;
  // Existing files are replaced; false leaves them and skips the entry.
  bool overwrite = true;
  // Files take the modification time stored in the archive; false leaves the time of
  // extraction.
  bool keepTimes = true;
};

struct Counts {
  uint64_t files = 0;
  uint64_t folders = 0;
  uint64_t links = 0;
  uint64_t bytes = 0; // bytes written
  uint64_t skipped = 0; // existing files left alone (overwrite off)
};

// Unpacks every entry of the archive below folder, which is created when missing.
Counts extract(const std::string& archive, const std::string& folder, const Limits& limits = {},
               const Options& options = {});

// The archive extractor as the template preparation drives it: its settings are set one by
// one and Extract() unpacks. The two switches and the mode mean: recreate the entries'
// folders, replace existing files, and (mode 1) keep the archive's modification times.
class ZipExtractor {
public:
  std::string ArchivePath;
  bool UseFolderNames = false;
  bool OverwriteFiles = false;
  int32_t TimeMode = 0;
  std::string TargetFolder;
  Limits limits;

  // Raises as extract() does.
  Counts Extract() const;
};

} // namespace quillet::platform::archive
