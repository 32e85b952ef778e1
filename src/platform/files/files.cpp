#include "platform/files/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <unordered_map>

#include "platform/automation/error.h"
#include "platform/automation/interrupt.h"
#include "platform/text/casefold.h"

namespace quillet::platform::files {

namespace fs = std::filesystem;
namespace err = automation::err;
using automation::interruptPoint;

namespace {

[[noreturn]] void fail(int32_t number, std::string_view path) {
  automation::raise(number, automation::standardMessage(number) + ": " + std::string(path));
}

bool isFolderPath(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string folderOf(const std::string& p) {
  std::string f = parentFolder(p);
  return f.empty() ? std::string(".") : f;
}

// Maps an errno of an operation on path to its VB error.
[[noreturn]] void failErrno(int e, const std::string& path) {
  switch (e) {
  case ENOENT:
    fail(isFolderPath(folderOf(path)) ? err::kFileNotFound : err::kPathNotFound, path);
  case ENOTDIR:
    fail(err::kPathNotFound, path);
  case EACCES:
  case EPERM:
  case EROFS:
  case ETXTBSY:
    fail(err::kPermissionDenied, path);
  case EEXIST:
  case ENOTEMPTY:
    fail(err::kFileAlreadyExists, path);
  case ENOSPC:
  case EDQUOT:
    fail(err::kDiskFull, path);
  case EIO:
    fail(err::kDeviceIoError, path);
  default:
    fail(err::kPathFileAccessError, path);
  }
}

bool lexists(const std::string& p) {
  struct stat st;
  return ::lstat(p.c_str(), &st) == 0;
}

// The names of the folders the thread looked up names in without regard to case, by their
// case-folded form, kept while the folder is unchanged (same inode, same modification
// time). Without it every lookup of a missing name reads the whole folder again, which made
// writing a folder of n new files take time in n squared.
struct FolderNames {
  dev_t dev = 0;
  ino_t ino = 0;
  timespec mtime{};
  std::unordered_map<std::string, std::string> byFolded; // the smallest name of each form
};
constexpr size_t kMaxFoldersKept = 64;

std::unordered_map<std::string, FolderNames>& folderNames() {
  static thread_local std::unordered_map<std::string, FolderNames> kept;
  return kept;
}

std::string foldedName(const std::string& name) {
  if (!text::isAscii(name)) return text::foldCase(name);
  std::string out = name;
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool sameStamp(const FolderNames& f, const struct stat& st) {
  return f.dev == st.st_dev && f.ino == st.st_ino && f.mtime.tv_sec == st.st_mtim.tv_sec &&
         f.mtime.tv_nsec == st.st_mtim.tv_nsec;
}

void addName(FolderNames& f, const std::string& name) {
  auto [it, added] = f.byFolded.emplace(foldedName(name), name);
  if (!added && name < it->second) it->second = name;
}

// The entry of the folder whose name equals part without regard to case (the smallest when
// several do); "" when none does or the folder cannot be read.
std::string findNoCase(const std::string& folder, const std::string& part) {
  struct stat st;
  if (::stat(folder.c_str(), &st) != 0) return {};
  auto& kept = folderNames();
  auto it = kept.find(folder);
  if (it == kept.end() || !sameStamp(it->second, st)) {
    FolderNames names;
    DIR* d = ::opendir(folder.c_str());
    if (!d) return {};
    while (dirent* de = ::readdir(d)) {
      std::string name = de->d_name;
      if (name != "." && name != "..") addName(names, name);
    }
    ::closedir(d);
    names.dev = st.st_dev;
    names.ino = st.st_ino;
    names.mtime = st.st_mtim;
    if (kept.size() >= kMaxFoldersKept) kept.clear();
    it = kept.insert_or_assign(folder, std::move(names)).first;
  }
  auto match = it->second.byFolded.find(foldedName(part));
  return match == it->second.byFolded.end() ? std::string() : match->second;
}

// A change this thread makes to a folder: when the names kept for it were current before
// the change, they take the new entry and the folder's new time instead of being read again.
class FolderChange {
public:
  explicit FolderChange(const std::string& path) {
    size_t slash = path.find_last_of('/');
    folder_ = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    if (folder_.empty()) folder_ = "/";
    name_ = slash == std::string::npos ? path : path.substr(slash + 1);
    auto it = folderNames().find(folder_);
    struct stat st;
    current_ = it != folderNames().end() && ::stat(folder_.c_str(), &st) == 0 &&
               sameStamp(it->second, st);
  }
  // The entry now exists.
  void done() {
    auto it = folderNames().find(folder_);
    if (it == folderNames().end()) return;
    struct stat st;
    if (!current_ || ::stat(folder_.c_str(), &st) != 0 || it->second.ino != st.st_ino) {
      folderNames().erase(it);
      return;
    }
    addName(it->second, name_);
    it->second.mtime = st.st_mtim;
  }

private:
  std::string folder_, name_;
  bool current_ = false;
};

std::vector<std::string> splitComponents(std::string_view path) {
  std::vector<std::string> parts;
  size_t i = 0;
  while (i <= path.size()) {
    size_t j = path.find('/', i);
    if (j == std::string_view::npos) j = path.size();
    parts.emplace_back(path.substr(i, j - i));
    i = j + 1;
  }
  return parts;
}

std::mt19937_64& rng() {
  thread_local std::mt19937_64 r{std::random_device{}()};
  return r;
}

std::string randomHex(int digits) {
  static const char* hex = "0123456789abcdef";
  std::string s;
  for (int i = 0; i < digits; ++i)
    s += hex[rng()() & 15];
  return s;
}

struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

void writeAll(int fd, std::string_view bytes, const std::string& path) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      failErrno(errno, path);
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
}

// The file that a write to path replaces: the path resolved, and through a symbolic link
// to its target, so that links stay links.
std::string writeTarget(std::string_view path) {
  std::string p = resolvePath(path);
  struct stat st;
  if (::lstat(p.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(p.c_str(), nullptr)) {
      std::string r(real);
      std::free(real);
      return r;
    }
  }
  return p;
}

// Checks that target may be replaced and its folder exists; fills st when it exists.
bool checkReplaceable(const std::string& target, struct stat& st) {
  bool existed = ::stat(target.c_str(), &st) == 0;
  if (existed) {
    if (S_ISDIR(st.st_mode)) fail(err::kPathFileAccessError, target);
    // A read-only file is refused whoever asks (root included), as the read-only
    // attribute is everywhere else; the system refuses the rest at the rename.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
        (::geteuid() != 0 && ::access(target.c_str(), W_OK) != 0))
      fail(err::kPermissionDenied, target);
    return true;
  }
  if (!isFolderPath(folderOf(target))) fail(err::kPathNotFound, target);
  return false;
}

// Temporary files are named ".<name>.<pid>.<random>.tmp" so that one left behind by a
// writer that was killed can be recognised and removed by the next one.
constexpr std::string_view kTempSuffix = ".tmp";

// The process id a temporary name carries, 0 when the name is not one of ours.
pid_t tempOwner(std::string_view name) {
  if (name.size() < 2 || name[0] != '.' || name.size() <= kTempSuffix.size() ||
      name.substr(name.size() - kTempSuffix.size()) != kTempSuffix)
    return 0;
  name.remove_suffix(kTempSuffix.size());
  size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || name.size() - dot - 1 != 8) return 0;
  name = name.substr(0, dot);
  dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return 0;
  std::string_view digits = name.substr(dot + 1);
  if (digits.empty() || digits.size() > 9) return 0;
  pid_t pid = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    pid = pid * 10 + (c - '0');
  }
  return pid;
}

bool processGone(pid_t pid) {
  return pid > 0 && pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Removes the temporary files of writers that no longer run. Each folder is swept once per
// process: a writer that dies leaves at most one file per write, and sweeping before every
// write would make writing many files into one folder quadratic.
void sweepStaleTemps(const std::string& folder) {
  static std::mutex mutex;
  static std::set<std::string> swept;
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (!swept.insert(folder).second) return;
  }
  DIR* d = ::opendir(folder.c_str());
  if (!d) return;
  while (dirent* de = ::readdir(d)) {
    if (!processGone(tempOwner(de->d_name))) continue;
    std::string p = joinPath(folder, de->d_name);
    struct stat st;
    if (::lstat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(p.c_str());
  }
  ::closedir(d);
}

// Creates a fresh temporary file beside target; returns its path and open descriptor.
std::string createTempBeside(const std::string& target, Fd& fd) {
  const std::string folder = folderOf(target);
  sweepStaleTemps(folder);
  const std::string stem = "." + fileName(target) + "." + std::to_string(::getpid()) + ".";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string tmp = joinPath(folder, stem + randomHex(8) + std::string(kTempSuffix));
    fd.fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd.fd >= 0) return tmp;
    if (errno != EEXIST) failErrno(errno, target);
  }
  fail(err::kPathFileAccessError, target);
}

// The thread's deferred flushing: how deep the scopes are, and one folder on each file system
// written to while they last (syncfs flushes a whole file system through any of its files).
struct DeferredFlush {
  int depth = 0;
  std::unordered_map<dev_t, std::string> folders;
};
thread_local DeferredFlush deferred;

// Makes the written file durable now, or records its file system for the scope's flush.
void syncWritten(int fd, const std::string& target) {
  if (deferred.depth > 0) {
    struct stat st;
    if (::fstat(fd, &st) == 0) {
      deferred.folders.try_emplace(st.st_dev, folderOf(target));
      return;
    }
  }
  if (::fsync(fd) != 0) failErrno(errno, target);
}

using Producer = std::function<void(int fd)>;

// Writes the new contents into the existing file itself. Used when a replacement by
// rename would lose something the file has: its other hard links, or an owner this
// process cannot give a new file.
void rewriteInPlace(const std::string& target, const Producer& produce) {
  Fd fd;
  fd.fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd.fd < 0) failErrno(errno, target);
  produce(fd.fd);
  off_t end = ::lseek(fd.fd, 0, SEEK_CUR);
  if (end < 0 || ::ftruncate(fd.fd, end) != 0) failErrno(errno, target);
  syncWritten(fd.fd, target);
}

// Replaces target's contents with what produce writes: into a temporary file that then
// takes target's place, keeping the replaced file's owner, group and mode. A new file gets
// newMode when it is given, else the mode the process creates files with.
void replaceFile(const std::string& target, std::optional<mode_t> newMode,
                 const Producer& produce) {
  struct stat st;
  const bool existed = checkReplaceable(target, st);
  if (existed && st.st_nlink > 1) return rewriteInPlace(target, produce);
  Fd fd;
  std::string tmp = createTempBeside(target, fd);
  try {
    if (existed && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) &&
        ::fchown(fd.fd, st.st_uid, st.st_gid) != 0) {
      ::unlink(tmp.c_str());
      return rewriteInPlace(target, produce);
    }
    produce(fd.fd);
    // After the owner: a change of owner clears the set-id bits.
    if (existed || newMode) {
      if (::fchmod(fd.fd, existed ? (st.st_mode & 07777) : *newMode) != 0) failErrno(errno, target);
    }
    syncWritten(fd.fd, target);
  } catch (...) {
    ::unlink(tmp.c_str());
    throw;
  }
  ::close(fd.fd);
  fd.fd = -1;
  if (::rename(tmp.c_str(), target.c_str()) != 0) {
    int e = errno;
    ::unlink(tmp.c_str());
    failErrno(e, target);
  }
}

Entry makeEntry(const std::string& name, const struct stat& st) {
  Entry e;
  e.name = name;
  e.isFolder = S_ISDIR(st.st_mode);
  e.size = e.isFolder ? 0 : static_cast<uint64_t>(st.st_size);
  e.modified = std::chrono::system_clock::time_point(
      std::chrono::duration_cast<std::chrono::system_clock::duration>(
          std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec)));
  e.readOnly = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
  return e;
}

} // namespace

// ---- Path text ---------------------------------------------------------------------------

std::string toNativeSeparators(std::string_view path) {
  std::string s(path);
  std::replace(s.begin(), s.end(), '\\', '/');
  return s;
}

void checkPathText(std::string_view path) {
  size_t nul = path.find('\0');
  if (nul == std::string_view::npos) return;
  // The system would end the name at the NUL and act on another file.
  automation::raise(err::kBadFileNameOrNumber,
                    automation::standardMessage(err::kBadFileNameOrNumber) + ": " +
                        std::string(path.substr(0, nul)) + "\\0" +
                        std::string(path.substr(nul + 1)));
}

std::string resolvePath(std::string_view rawPath) {
  checkPathText(rawPath);
  std::string path = toNativeSeparators(rawPath);
  if (path.empty() || lexists(path)) return path;
  std::vector<std::string> parts = splitComponents(path);
  std::string result;
  bool searching = true;
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    std::string next = i == 0 ? part : result + "/" + part;
    if (searching && !part.empty() && part != "." && part != ".." && !lexists(next)) {
      const std::string folder = i == 0 ? std::string(".") : (result.empty() ? "/" : result);
      std::string match = findNoCase(folder, part);
      if (match.empty())
        searching = false;
      else
        next = i == 0 ? match : result + "/" + match;
    }
    result = std::move(next);
  }
  return result;
}

std::string joinPath(std::string_view folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  if (name.empty()) return std::string(folder);
  std::string r(folder);
  if (r.back() != '/' && r.back() != '\\') r += '/';
  size_t skip = 0;
  while (skip < name.size() && (name[skip] == '/' || name[skip] == '\\'))
    ++skip;
  r += name.substr(skip);
  return r;
}

std::string joinInside(std::string_view folder, std::string_view relative) {
  checkPathText(folder);
  checkPathText(relative);
  const std::string rel = toNativeSeparators(relative);
  auto refuse = [&]() -> void {
    automation::raise(err::kPathFileAccessError, "Path/File access error: \"" +
                                                     std::string(relative) + "\" lies outside " +
                                                     std::string(folder));
  };
  if (!rel.empty() && rel[0] == '/') refuse();
  if (rel.size() >= 2 && rel[1] == ':' && std::isalpha(static_cast<unsigned char>(rel[0])))
    refuse();
  std::string clean;
  for (const std::string& part : splitComponents(rel)) {
    if (part.empty() || part == ".") continue;
    if (part == "..") refuse();
    clean = clean.empty() ? part : clean + "/" + part;
  }
  std::string result = joinPath(toNativeSeparators(folder), clean);
  // A symbolic link inside the folder must not lead out of it either. Only the components
  // below the folder can be such a link, so they are looked at one by one (as the writer
  // will find them, whatever their case); the whole path is made canonical only when one
  // of them is a link. A site's thousands of pages then cost a look per new component.
  bool throughLink = false;
  std::string below = resolvePath(folder);
  // Spelt as writers spell a folder, so the folder's kept listing is the one they keep current.
  while (below.size() > 1 && below.back() == '/')
    below.pop_back();
  for (const std::string& part : splitComponents(clean)) {
    std::string next = joinPath(below, part);
    struct stat st;
    if (::lstat(next.c_str(), &st) != 0) {
      const std::string match = findNoCase(below.empty() ? "." : below, part);
      if (match.empty()) break; // nothing further down exists, so no link either
      next = joinPath(below, match);
      if (::lstat(next.c_str(), &st) != 0) break;
    }
    if (S_ISLNK(st.st_mode)) {
      throughLink = true;
      break;
    }
    below = std::move(next);
  }
  if (!throughLink) return result;
  std::error_code ec;
  fs::path base = fs::weakly_canonical(resolvePath(folder), ec);
  if (!ec) {
    fs::path target = fs::weakly_canonical(resolvePath(result), ec);
    if (!ec) {
      auto [bi, ti] = std::mismatch(base.begin(), base.end(), target.begin(), target.end());
      if (bi != base.end() && !(bi->empty() && std::next(bi) == base.end())) refuse();
    }
  }
  return result;
}

std::string fileName(std::string_view path) {
  size_t p = path.find_last_of("/\\");
  return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string parentFolder(std::string_view path) {
  size_t p = path.find_last_of("/\\");
  if (p == std::string_view::npos) return {};
  if (p == 0) return std::string(path.substr(0, 1));
  return std::string(path.substr(0, p));
}

std::string baseName(std::string_view path) {
  std::string name = fileName(path);
  size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string extensionName(std::string_view path) {
  std::string name = fileName(path);
  size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot + 1);
}

// ---- Queries -----------------------------------------------------------------------------

bool fileExists(std::string_view path) {
  struct stat st;
  return ::stat(resolvePath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool folderExists(std::string_view path) {
  return isFolderPath(resolvePath(path));
}

bool pathExists(std::string_view path) {
  struct stat st;
  return ::stat(resolvePath(path).c_str(), &st) == 0;
}

Entry entryInfo(std::string_view path) {
  std::string p = resolvePath(path);
  struct stat st;
  if (::stat(p.c_str(), &st) != 0) failErrno(errno, p);
  return makeEntry(fileName(p), st);
}

std::vector<Entry> listFolder(std::string_view folder) {
  std::string p = resolvePath(folder);
  if (!isFolderPath(p)) fail(err::kPathNotFound, p);
  std::vector<Entry> entries;
  DIR* d = ::opendir(p.c_str());
  if (!d) failErrno(errno, p);
  while (dirent* de = ::readdir(d)) {
    std::string name = de->d_name;
    if (name == "." || name == "..") continue;
    struct stat st;
    if (::stat(joinPath(p, name).c_str(), &st) != 0) continue; // a dangling link
    entries.push_back(makeEntry(name, st));
  }
  ::closedir(d);
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.name < b.name; });
  return entries;
}

// ---- Whole files -------------------------------------------------------------------------

std::string readFile(std::string_view path) {
  std::string p = resolvePath(path);
  Fd fd;
  fd.fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd.fd < 0) failErrno(errno, p);
  struct stat st;
  if (::fstat(fd.fd, &st) == 0 && S_ISDIR(st.st_mode)) fail(err::kFileNotFound, p);
  std::string data;
  if (st.st_size > 0) data.reserve(static_cast<size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd.fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      failErrno(errno, p);
    }
    if (n == 0) break;
    data.append(buffer, static_cast<size_t>(n));
  }
  return data;
}

DeferredSync::DeferredSync() { ++deferred.depth; }

DeferredSync::~DeferredSync() {
  if (--deferred.depth > 0) return;
  try {
    flush();
  } catch (...) {
    // A destructor cannot report; a caller that must know calls flush() itself.
  }
}

void DeferredSync::flush() {
  auto folders = std::move(deferred.folders);
  deferred.folders.clear();
  for (const auto& [dev, folder] : folders) {
    Fd fd;
    fd.fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd.fd < 0) {
      // The folder went away after the write: flush every file system instead.
      ::sync();
      continue;
    }
    if (::syncfs(fd.fd) != 0) failErrno(errno, folder);
  }
}

void writeFile(std::string_view path, std::string_view bytes) {
  const std::string target = writeTarget(path);
  FolderChange change(target);
  replaceFile(target, std::nullopt, [&](int fd) { writeAll(fd, bytes, target); });
  change.done();
}

void appendFile(std::string_view path, std::string_view bytes) {
  const std::string target = writeTarget(path);
  if (!isFolderPath(folderOf(target))) fail(err::kPathNotFound, target);
  Fd fd;
  fd.fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd.fd < 0) failErrno(errno, target);
  writeAll(fd.fd, bytes, target);
}

// ---- Copy, move, delete, folders ---------------------------------------------------------

namespace {

// Copies the bytes of the open file src to dst. A failed read names the source, a failed
// write (a full disk) the target.
void copyData(int in, const std::string& src, int out, const std::string& dst) {
  char buffer[1 << 16];
  for (;;) {
    interruptPoint();
    ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      failErrno(errno, src);
    }
    if (n == 0) return;
    writeAll(out, std::string_view(buffer, static_cast<size_t>(n)), dst);
  }
}

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Copying a file onto itself, or a folder into itself, is refused as Windows does.
[[noreturn]] void refuseSelfCopy(const std::string& from, const std::string& to) {
  automation::raise(err::kPermissionDenied, automation::standardMessage(err::kPermissionDenied) +
                                                ": cannot copy " + from + " into itself (" + to +
                                                ")");
}

// True when path is folder or lies below it, after resolving links in both.
bool inside(const std::string& path, const std::string& folder) {
  std::error_code ec;
  fs::path f = fs::weakly_canonical(folder, ec);
  if (ec) return false;
  fs::path p = fs::weakly_canonical(path, ec);
  if (ec) return false;
  auto [fi, pi] = std::mismatch(f.begin(), f.end(), p.begin(), p.end());
  return fi == f.end() || (fi->empty() && std::next(fi) == f.end());
}

void copyLink(const std::string& src, const std::string& dst, bool overwrite) {
  std::string target(PATH_MAX, '\0');
  ssize_t n = ::readlink(src.c_str(), target.data(), target.size());
  if (n < 0) failErrno(errno, src);
  target.resize(static_cast<size_t>(n));
  struct stat st;
  if (::lstat(dst.c_str(), &st) == 0) {
    if (!overwrite) fail(err::kFileAlreadyExists, dst);
    if (S_ISDIR(st.st_mode)) fail(err::kPermissionDenied, dst);
    if (::unlink(dst.c_str()) != 0) failErrno(errno, dst);
  }
  if (::symlink(target.c_str(), dst.c_str()) != 0) failErrno(errno, dst);
}

// Copies the tree below src into dst. Symbolic links are copied as links, so a link that
// points back up the tree cannot make the copy endless.
void copyTree(const std::string& src, const std::string& dst, bool overwrite) {
  createFolders(dst);
  DIR* d = ::opendir(src.c_str());
  if (!d) failErrno(errno, src);
  std::vector<std::string> names;
  while (dirent* de = ::readdir(d)) {
    std::string name = de->d_name;
    if (name != "." && name != "..") names.push_back(std::move(name));
  }
  ::closedir(d);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    interruptPoint();
    const std::string s = joinPath(src, name), t = joinPath(dst, name);
    struct stat st;
    if (::lstat(s.c_str(), &st) != 0) continue; // gone meanwhile
    if (S_ISLNK(st.st_mode))
      copyLink(s, t, overwrite);
    else if (S_ISDIR(st.st_mode))
      copyTree(s, t, overwrite);
    else if (S_ISREG(st.st_mode))
      copyFile(s, t, overwrite);
    // Devices, pipes and sockets are not copied: reading them could block for ever.
  }
}

} // namespace

void copyFile(std::string_view from, std::string_view to, bool overwrite) {
  const std::string src = resolvePath(from);
  struct stat st;
  if (::stat(src.c_str(), &st) != 0) failErrno(errno, src);
  if (S_ISDIR(st.st_mode)) fail(err::kFileNotFound, src);
  std::string target = writeTarget(to);
  if (isFolderPath(target)) target = joinPath(target, fileName(src));
  if (!overwrite && pathExists(target)) fail(err::kFileAlreadyExists, target);
  struct stat ts;
  if (::stat(target.c_str(), &ts) == 0 && sameFile(st, ts)) refuseSelfCopy(src, target);
  Fd in;
  in.fd = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
  if (in.fd < 0) failErrno(errno, src);
  replaceFile(target, st.st_mode & 07777, [&](int out) { copyData(in.fd, src, out, target); });
}

void copyFolder(std::string_view from, std::string_view to, bool overwrite) {
  const std::string src = resolvePath(from);
  if (!isFolderPath(src)) fail(err::kPathNotFound, src);
  const std::string dst = resolvePath(to);
  if (inside(dst, src)) refuseSelfCopy(src, dst);
  copyTree(src, dst, overwrite);
}

void move(std::string_view from, std::string_view to) {
  const std::string src = resolvePath(from);
  if (!lexists(src)) failErrno(ENOENT, src);
  const std::string dst = resolvePath(to);
  if (lexists(dst)) fail(err::kFileAlreadyExists, dst);
  if (!isFolderPath(folderOf(dst))) fail(err::kPathNotFound, dst);
  if (::rename(src.c_str(), dst.c_str()) == 0) return;
  if (errno != EXDEV) failErrno(errno, src);
  // Another file system: copy, then remove the original.
  if (isFolderPath(src)) {
    copyFolder(src, dst, false);
    deleteFolder(src, true);
  } else {
    copyFile(src, dst, false);
    deleteFile(src, true);
  }
}

void deleteFile(std::string_view path, bool force) {
  const std::string p = resolvePath(path);
  struct stat st;
  if (::lstat(p.c_str(), &st) != 0) failErrno(errno, p);
  if (S_ISDIR(st.st_mode)) fail(err::kFileNotFound, p);
  if (!force && !S_ISLNK(st.st_mode) && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
    fail(err::kPermissionDenied, p);
  if (::unlink(p.c_str()) != 0) failErrno(errno, p);
}

void deleteFolder(std::string_view path, bool force) {
  const std::string p = resolvePath(path);
  struct stat st;
  if (::lstat(p.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) fail(err::kPathNotFound, p);
  std::error_code ec;
  if (!force) {
    // Refuse before removing anything, so that a refusal leaves the tree whole.
    for (auto it = fs::recursive_directory_iterator(p, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
      struct stat es;
      if (::lstat(it->path().c_str(), &es) == 0 && S_ISREG(es.st_mode) &&
          (es.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        fail(err::kPermissionDenied, it->path().string());
    }
  }
  fs::remove_all(p, ec);
  if (ec) failErrno(ec.value(), p);
}

void createFolder(std::string_view path) {
  const std::string p = resolvePath(path);
  if (lexists(p)) fail(err::kFileAlreadyExists, p);
  if (::mkdir(p.c_str(), 0777) != 0) {
    if (errno == ENOENT) fail(err::kPathNotFound, p);
    failErrno(errno, p);
  }
}

void createFolders(std::string_view path) {
  const std::string p = resolvePath(path);
  if (p.empty() || isFolderPath(p)) return;
  std::error_code ec;
  fs::create_directories(p, ec);
  if (ec) {
    if (ec.value() == EEXIST || ec.value() == ENOTDIR) fail(err::kPathNotFound, p);
    failErrno(ec.value(), p);
  }
}

// ---- Well-known places -------------------------------------------------------------------

std::string documentsFolder() {
  if (const char* xdg = std::getenv("XDG_DOCUMENTS_DIR"); xdg && *xdg) return xdg;
  const char* home = std::getenv("HOME");
  return joinPath(home && *home ? home : "/", "Documents");
}

std::string tempFolder() {
  if (const char* t = std::getenv("TMPDIR"); t && *t) return t;
  return "/tmp";
}

std::string tempName() {
  std::string hex = randomHex(5);
  for (char& c : hex)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return "rad" + hex + ".tmp";
}

} // namespace quillet::platform::files
