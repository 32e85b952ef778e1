#include "platform/files/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "platform/automation/error.h"
#include "platform/text/casefold.h"

namespace quillet::platform::files {

namespace fs = std::filesystem;
namespace err = automation::err;

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

bool sameNameNoCase(const std::string& a, const std::string& b) {
  return text::equalsNoCase(a, b);
}

bool lexists(const std::string& p) {
  struct stat st;
  return ::lstat(p.c_str(), &st) == 0;
}

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

// Checks that target may be replaced and its folder exists; gives the mode to keep.
mode_t checkReplaceable(const std::string& target, bool& existed) {
  struct stat st;
  existed = ::stat(target.c_str(), &st) == 0;
  if (existed) {
    if (S_ISDIR(st.st_mode)) fail(err::kPathFileAccessError, target);
    // A read-only file is refused whoever asks (root included), as the read-only
    // attribute is everywhere else; the system refuses the rest at the rename.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
        (::geteuid() != 0 && ::access(target.c_str(), W_OK) != 0))
      fail(err::kPermissionDenied, target);
    return st.st_mode & 07777;
  }
  if (!isFolderPath(folderOf(target))) fail(err::kPathNotFound, target);
  return 0;
}

// Creates a fresh temporary file beside target; returns its path and open descriptor.
std::string createTempBeside(const std::string& target, Fd& fd) {
  const std::string folder = folderOf(target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string tmp = joinPath(folder, "." + fileName(target) + "." + randomHex(8) + ".tmp");
    fd.fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd.fd >= 0) return tmp;
    if (errno != EEXIST) failErrno(errno, target);
  }
  fail(err::kPathFileAccessError, target);
}

// Puts the finished temporary file in place of target.
void commitTemp(const std::string& tmp, const std::string& target, bool existed, mode_t mode) {
  if (existed) ::chmod(tmp.c_str(), mode);
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

std::string resolvePath(std::string_view rawPath) {
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
      std::string match;
      if (DIR* d = ::opendir(folder.c_str())) {
        while (dirent* de = ::readdir(d)) {
          std::string name = de->d_name;
          if (name == "." || name == "..") continue;
          if (sameNameNoCase(name, part) && (match.empty() || name < match)) match = name;
        }
        ::closedir(d);
      }
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
  // A symbolic link inside the folder must not lead out of it either.
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

void writeFile(std::string_view path, std::string_view bytes) {
  const std::string target = writeTarget(path);
  bool existed = false;
  mode_t mode = checkReplaceable(target, existed);
  Fd fd;
  std::string tmp = createTempBeside(target, fd);
  try {
    writeAll(fd.fd, bytes, target);
    if (::fsync(fd.fd) != 0) failErrno(errno, target);
  } catch (...) {
    ::unlink(tmp.c_str());
    throw;
  }
  ::close(fd.fd);
  fd.fd = -1;
  commitTemp(tmp, target, existed, mode);
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

void copyFile(std::string_view from, std::string_view to, bool overwrite) {
  const std::string src = resolvePath(from);
  struct stat st;
  if (::stat(src.c_str(), &st) != 0) failErrno(errno, src);
  if (S_ISDIR(st.st_mode)) fail(err::kFileNotFound, src);
  std::string target = writeTarget(to);
  if (isFolderPath(target)) target = joinPath(target, fileName(src));
  if (!overwrite && pathExists(target)) fail(err::kFileAlreadyExists, target);
  bool existed = false;
  mode_t mode = checkReplaceable(target, existed);
  Fd fd;
  std::string tmp = createTempBeside(target, fd);
  ::close(fd.fd);
  fd.fd = -1;
  std::error_code ec;
  fs::copy_file(src, tmp, fs::copy_options::overwrite_existing, ec);
  if (ec) {
    ::unlink(tmp.c_str());
    failErrno(ec.value(), src);
  }
  commitTemp(tmp, target, existed, existed ? mode : (st.st_mode & 07777));
}

void copyFolder(std::string_view from, std::string_view to, bool overwrite) {
  const std::string src = resolvePath(from);
  if (!isFolderPath(src)) fail(err::kPathNotFound, src);
  const std::string dst = resolvePath(to);
  createFolders(dst);
  for (const Entry& e : listFolder(src)) {
    const std::string s = joinPath(src, e.name), d = joinPath(dst, e.name);
    if (e.isFolder)
      copyFolder(s, d, overwrite);
    else
      copyFile(s, d, overwrite);
  }
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
