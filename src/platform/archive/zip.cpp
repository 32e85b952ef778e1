#include "platform/archive/zip.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/automation/error.h"
#include "platform/files/files.h"

namespace quillet::platform::archive {

namespace {

namespace err = automation::err;
namespace fs = std::filesystem;

// A link target longer than this is no path a template set needs.
constexpr uint64_t kMaxLinkTarget = 4096;

struct ZipCloser {
  void operator()(zip_t* z) const { zip_discard(z); }
};
struct ZipFileCloser {
  void operator()(zip_file_t* f) const { zip_fclose(f); }
};
struct Fd {
  int fd = -1;
  Fd() = default;
  explicit Fd(int f) : fd(f) {}
  Fd(Fd&& o) noexcept : fd(o.fd) { o.fd = -1; }
  Fd& operator=(Fd&& o) noexcept {
    if (this != &o) {
      reset();
      fd = o.fd;
      o.fd = -1;
    }
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { reset(); }
  void reset() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
};

std::string inQuotes(std::string_view s) {
  return "\"" + std::string(s) + "\"";
}

[[noreturn]] void refuse(const std::string& archive, const std::string& what) {
  automation::raise(err::kPathFileAccessError, "Archive " + inQuotes(archive) + ": " + what);
}

// The number a failed write of ours raises.
int32_t numberOfErrno(int e) {
  switch (e) {
  case ENOSPC:
  case EDQUOT: return err::kDiskFull;
  case EACCES:
  case EPERM:
  case EROFS: return err::kPermissionDenied;
  default: return err::kPathFileAccessError;
  }
}

std::vector<std::string> components(std::string_view name) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : name) {
    if (c == '/' || c == '\\') {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  parts.push_back(cur);
  return parts;
}

bool hasDriveLetter(std::string_view name) {
  return name.size() >= 2 && name[1] == ':' &&
         ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
}

// The entry's path below the folder as components, or nullopt when it leaves the folder.
// "." and empty parts drop out; a name that leaves nothing names the folder itself.
std::optional<std::vector<std::string>> confinedPath(std::string_view name) {
  if (name.empty()) return std::vector<std::string>{};
  if (name[0] == '/' || name[0] == '\\' || hasDriveLetter(name)) return std::nullopt;
  std::vector<std::string> out;
  for (std::string& part : components(name)) {
    if (part.empty() || part == ".") continue;
    if (part == "..") return std::nullopt;
    // A drive-relative part ("c:") inside the name means the same on the system that made it.
    if (part.find(':') != std::string::npos && hasDriveLetter(part)) return std::nullopt;
    out.push_back(std::move(part));
  }
  return out;
}

// Whether a link at `at` (components below the folder) with this target stays inside: the
// target is relative, its ".." parts come first (they climb real folders, since no entry is
// written below a link) and climb no higher than the folder, and the rest only descends.
bool linkStaysInside(const std::vector<std::string>& at, std::string_view target) {
  if (target.empty() || target.find('\0') != std::string_view::npos) return false;
  if (target[0] == '/' || target[0] == '\\' || hasDriveLetter(target)) return false;
  size_t depth = at.size() - 1; // folders above the link, below the target folder
  bool descending = false;
  for (const std::string& part : components(target)) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (descending || depth == 0) return false;
      --depth;
      continue;
    }
    if (hasDriveLetter(part)) return false;
    descending = true;
  }
  return true;
}

std::string joined(const std::vector<std::string>& parts) {
  std::string s;
  for (const std::string& p : parts) s += (s.empty() ? "" : "/") + p;
  return s;
}

struct Planned {
  zip_uint64_t index = 0;
  std::string name; // as stored, for messages
  std::vector<std::string> path;
  enum Kind { File, Folder, Link } kind = File;
  uint64_t size = 0;
  time_t mtime = 0;
  bool hasTime = false;
  std::string linkTarget;
};

class Extraction {
public:
  Extraction(const std::string& archive, const std::string& folder, const Limits& limits,
             const Options& options)
      : archive_(archive), folder_(folder), limits_(limits), options_(options) {}

  Counts run() {
    open();
    plan();
    prepareFolder();
    try {
      for (const Planned& p : plans_)
        if (p.kind == Planned::Folder) makeFolder(p);
      for (const Planned& p : plans_)
        if (p.kind == Planned::File) writeFile(p);
      for (const Planned& p : plans_)
        if (p.kind == Planned::Link) makeLink(p);
    } catch (...) {
      undo();
      throw;
    }
    return counts_;
  }

private:
  void open() {
    files::checkPathText(archive_);
    if (!files::fileExists(archive_))
      automation::raise(err::kFileNotFound, "File not found: " + inQuotes(archive_));
    int code = 0;
    // No consistency check of local against central headers: archivers that stream (data
    // descriptors, other extra fields in the two headers) fail it with sound archives. Each
    // entry is still checked by name, size and checksum as it is unpacked.
    zip_t* z = zip_open(files::resolvePath(archive_).c_str(), ZIP_RDONLY, &code);
    if (!z) {
      zip_error_t e;
      zip_error_init_with_code(&e, code);
      std::string why = zip_error_strerror(&e);
      zip_error_fini(&e);
      if (code == ZIP_ER_NOENT)
        automation::raise(err::kFileNotFound, "File not found: " + inQuotes(archive_));
      refuse(archive_, "not a readable zip archive (" + why + ")");
    }
    zip_.reset(z);
  }

  std::string zipError() const { return zip_strerror(zip_.get()); }

  void plan() {
    const zip_int64_t n = zip_get_num_entries(zip_.get(), 0);
    if (n < 0) refuse(archive_, "not a readable zip archive (" + zipError() + ")");
    if (static_cast<uint64_t>(n) > limits_.maxEntries)
      refuse(archive_, "holds " + std::to_string(n) + " entries, more than the " +
                           std::to_string(limits_.maxEntries) + " allowed");
    uint64_t declared = 0;
    for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(n); ++i) {
      zip_stat_t st;
      zip_stat_init(&st);
      if (zip_stat_index(zip_.get(), i, 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME))
        refuse(archive_, "entry " + std::to_string(i + 1) + " cannot be read (" + zipError() + ")");
      Planned p;
      p.index = i;
      p.name = st.name;
      auto path = confinedPath(p.name);
      if (!path) refuse(archive_, "entry " + inQuotes(p.name) + " would be written outside the folder");
      p.path = std::move(*path);
      p.size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
      p.hasTime = (st.valid & ZIP_STAT_MTIME) != 0;
      p.mtime = st.mtime;
      zip_uint8_t opsys = 0;
      zip_uint32_t attributes = 0;
      bool unixLink = false, unixFolder = false;
      if (zip_file_get_external_attributes(zip_.get(), i, 0, &opsys, &attributes) == 0 &&
          opsys == ZIP_OPSYS_UNIX) {
        const mode_t mode = static_cast<mode_t>(attributes >> 16);
        unixLink = S_ISLNK(mode);
        unixFolder = S_ISDIR(mode);
      }
      const char last = p.name.empty() ? '/' : p.name.back();
      if (last == '/' || last == '\\' || unixFolder) {
        p.kind = Planned::Folder;
        if (p.path.empty()) continue; // the folder itself
      } else if (p.path.empty()) {
        refuse(archive_, "entry " + inQuotes(p.name) + " has no file name");
      } else if (unixLink) {
        p.kind = Planned::Link;
        if (p.size > kMaxLinkTarget)
          refuse(archive_, "link " + inQuotes(p.name) + " has a target too long to be a path");
        p.linkTarget = readAll(p, kMaxLinkTarget);
        if (!options_.keepFolders || !linkStaysInside(p.path, p.linkTarget))
          refuse(archive_, "link " + inQuotes(p.name) + " points outside the folder (" +
                               inQuotes(p.linkTarget) + ")");
      }
      if (p.kind == Planned::File) {
        if (p.size > limits_.maxTotalBytes - std::min(declared, limits_.maxTotalBytes))
          refuse(archive_, "would unpack to more than " + std::to_string(limits_.maxTotalBytes) +
                               " bytes (entry " + inQuotes(p.name) + ")");
        declared += p.size;
      }
      if (!options_.keepFolders) {
        if (p.kind == Planned::Folder) continue;
        p.path = {p.path.back()};
      }
      plans_.push_back(std::move(p));
    }
    // Nothing may be written below a link: it could lead anywhere the link leads.
    std::vector<std::string> links;
    for (const Planned& p : plans_)
      if (p.kind == Planned::Link) links.push_back(joined(p.path) + "/");
    if (!links.empty())
      for (const Planned& p : plans_) {
        const std::string at = joined(p.path);
        for (const std::string& l : links)
          if (at.compare(0, l.size(), l) == 0)
            refuse(archive_, "entry " + inQuotes(p.name) + " lies below the link " +
                                 inQuotes(l.substr(0, l.size() - 1)));
      }
  }

  // The whole content of a small entry (a link target).
  std::string readAll(const Planned& p, uint64_t max) {
    std::unique_ptr<zip_file_t, ZipFileCloser> f(zip_fopen_index(zip_.get(), p.index, 0));
    if (!f) refuse(archive_, "entry " + inQuotes(p.name) + " cannot be read (" + zipError() + ")");
    std::string out;
    char buf[1024];
    for (;;) {
      zip_int64_t got = zip_fread(f.get(), buf, sizeof buf);
      if (got < 0)
        refuse(archive_, "entry " + inQuotes(p.name) + " is damaged (" +
                             zip_file_strerror(f.get()) + ")");
      if (got == 0) break;
      out.append(buf, static_cast<size_t>(got));
      if (out.size() > max) refuse(archive_, "link " + inQuotes(p.name) + " has a target too long");
    }
    return out;
  }

  void prepareFolder() {
    files::createFolders(folder_);
    root_ = Fd(::open(files::resolvePath(folder_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (root_.fd < 0)
      automation::raise(numberOfErrno(errno),
                        "Cannot open the folder " + inQuotes(folder_) + ": " + std::strerror(errno));
  }

  [[noreturn]] void failWrite(const Planned& p, int e) {
    automation::raise(numberOfErrno(e), "Archive " + inQuotes(archive_) + ": entry " +
                                            inQuotes(p.name) + " cannot be written into " +
                                            inQuotes(folder_) + ": " + std::strerror(e));
  }

  // Opens (making them as needed) the folders of the first `count` components of the path,
  // never through a link.
  Fd openFolder(const Planned& p, size_t count) {
    Fd dir(::dup(root_.fd));
    std::string made;
    for (size_t i = 0; i < count; ++i) {
      const std::string& part = p.path[i];
      made += (made.empty() ? "" : "/") + part;
      if (::mkdirat(dir.fd, part.c_str(), 0777) == 0) {
        created_.push_back({made, true});
        ++counts_.folders;
      } else if (errno != EEXIST) {
        failWrite(p, errno);
      }
      Fd next(::openat(dir.fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
      if (next.fd < 0) {
        if (errno == ELOOP || errno == ENOTDIR)
          refuse(archive_, "entry " + inQuotes(p.name) + " would be written through " +
                               inQuotes(made) + ", which is no folder");
        failWrite(p, errno);
      }
      dir = std::move(next);
    }
    return dir;
  }

  void makeFolder(const Planned& p) { openFolder(p, p.path.size()); }

  // Removes what stands at the name, so that nothing is written through an existing link or
  // into a file that shares its content with another name. False when overwriting is off and
  // something stands there.
  bool clearPlace(const Planned& p, int dirfd, const std::string& leaf) {
    struct stat st;
    if (::fstatat(dirfd, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return true;
    if (S_ISDIR(st.st_mode))
      refuse(archive_, "entry " + inQuotes(p.name) + " names an existing folder");
    if (!options_.overwrite) return false;
    if (::unlinkat(dirfd, leaf.c_str(), 0) != 0) failWrite(p, errno);
    return true;
  }

  void writeFile(const Planned& p) {
    Fd dir = openFolder(p, p.path.size() - 1);
    const std::string& leaf = p.path.back();
    if (!clearPlace(p, dir.fd, leaf)) {
      ++counts_.skipped;
      return;
    }
    std::unique_ptr<zip_file_t, ZipFileCloser> f(zip_fopen_index(zip_.get(), p.index, 0));
    if (!f) refuse(archive_, "entry " + inQuotes(p.name) + " cannot be read (" + zipError() + ")");
    Fd out(::openat(dir.fd, leaf.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    0666));
    if (out.fd < 0) failWrite(p, errno);
    created_.push_back({joined(p.path), false});
    ++counts_.files;
    uint64_t written = 0;
    std::vector<char> buf(64 * 1024);
    for (;;) {
      zip_int64_t got = zip_fread(f.get(), buf.data(), buf.size());
      if (got < 0)
        refuse(archive_, "entry " + inQuotes(p.name) + " is damaged (" +
                             zip_file_strerror(f.get()) + ")");
      if (got == 0) break;
      const uint64_t n = static_cast<uint64_t>(got);
      written += n;
      total_ += n;
      // The sizes were checked as declared; an entry that inflates to more than it declared
      // is counted here, before its bytes reach the disk.
      if (written > p.size)
        refuse(archive_, "entry " + inQuotes(p.name) + " unpacks to more than its declared " +
                             std::to_string(p.size) + " bytes");
      if (total_ > limits_.maxTotalBytes)
        refuse(archive_, "would unpack to more than " + std::to_string(limits_.maxTotalBytes) +
                             " bytes (entry " + inQuotes(p.name) + ")");
      const char* at = buf.data();
      size_t left = static_cast<size_t>(n);
      while (left > 0) {
        ssize_t put = ::write(out.fd, at, left);
        if (put < 0) {
          if (errno == EINTR) continue;
          failWrite(p, errno);
        }
        at += put;
        left -= static_cast<size_t>(put);
      }
    }
    if (written != p.size)
      refuse(archive_, "entry " + inQuotes(p.name) + " is damaged (" + std::to_string(written) +
                           " bytes instead of " + std::to_string(p.size) + ")");
    counts_.bytes += written;
    if (options_.keepTimes && p.hasTime) {
      struct timespec times[2];
      times[0].tv_sec = p.mtime;
      times[0].tv_nsec = 0;
      times[1] = times[0];
      ::futimens(out.fd, times);
    }
    if (::close(out.fd) != 0) {
      out.fd = -1;
      failWrite(p, errno);
    }
    out.fd = -1;
  }

  void makeLink(const Planned& p) {
    Fd dir = openFolder(p, p.path.size() - 1);
    const std::string& leaf = p.path.back();
    if (!clearPlace(p, dir.fd, leaf)) {
      ++counts_.skipped;
      return;
    }
    if (::symlinkat(p.linkTarget.c_str(), dir.fd, leaf.c_str()) != 0) failWrite(p, errno);
    created_.push_back({joined(p.path), false});
    ++counts_.links;
  }

  // Takes away what this extraction made, newest first.
  void undo() noexcept {
    const std::string base = files::resolvePath(folder_);
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
      std::error_code ec;
      fs::remove(fs::path(base) / it->path, ec); // a folder goes only when it is empty
    }
  }

  struct Made {
    std::string path;
    bool folder;
  };

  std::string archive_;
  std::string folder_;
  Limits limits_;
  Options options_;
  std::unique_ptr<zip_t, ZipCloser> zip_;
  std::vector<Planned> plans_;
  Fd root_;
  std::vector<Made> created_;
  uint64_t total_ = 0;
  Counts counts_;
};

} // namespace

Counts extract(const std::string& archive, const std::string& folder, const Limits& limits,
               const Options& options) {
  return Extraction(archive, folder, limits, options).run();
}

Counts ZipExtractor::Extract() const {
  Options options;
  options.keepFolders = UseFolderNames;
  options.overwrite = OverwriteFiles;
  options.keepTimes = TimeMode == 1;
  return extract(ArchivePath, TargetFolder, limits, options);
}

} // namespace quillet::platform::archive
