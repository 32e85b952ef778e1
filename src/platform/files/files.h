#pragma once
// Files and folders at the disk. Paths come from stored text that may use either
// separator and a letter case that differs from the disk's: every operation accepts both
// separators and finds a name that differs only in case. Writes replace files atomically
// (a temporary file in the same folder, then a rename), and writes below a chosen folder
// go through joinInside(), which refuses names that climb out of it.
//
// Failures raise automation::Error with the VB numbers: 53 File not found, 76 Path not
// found, 70 Permission denied, 58 File already exists, 75 Path/File access error (other
// failures, and names that leave their folder); the description names the path.
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::platform::files {

// ---- Path text -------------------------------------------------------------------------

// Raises 52 (Bad file name) for a path holding a NUL character, which the system would
// take as the end of the name. Every function here checks its paths this way.
void checkPathText(std::string_view path);
// "\" becomes "/"; nothing else changes.
std::string toNativeSeparators(std::string_view path);
// The path as the disk has it: separators converted, and every component that does not
// exist as written replaced by the one entry of its folder with the same name without
// regard to case (the first by byte order when several match). Components after the first
// one that cannot be found are kept as written, so the result also names files to create.
std::string resolvePath(std::string_view path);
// folder + "/" + name (no doubled separator; either argument may be empty).
std::string joinPath(std::string_view folder, std::string_view name);
// The name relative to folder, refused (error 75) when it is absolute, has a drive letter,
// or climbs out of folder with "..", also through a symbolic link. "." parts are dropped.
std::string joinInside(std::string_view folder, std::string_view relative);
// The last component ("" for a path ending in a separator), the folder part before it, the
// name without its extension, and the extension without its dot. Both separators count.
std::string fileName(std::string_view path);
std::string parentFolder(std::string_view path);
std::string baseName(std::string_view path);
std::string extensionName(std::string_view path);

// ---- Queries ---------------------------------------------------------------------------

bool fileExists(std::string_view path);
bool folderExists(std::string_view path);
bool pathExists(std::string_view path);

struct Entry {
  std::string name;
  bool isFolder = false;
  uint64_t size = 0; // bytes, 0 for folders
  std::chrono::system_clock::time_point modified;
  bool readOnly = false;
};
// Information about a file or folder; 53 (76 for a missing folder part) when absent.
Entry entryInfo(std::string_view path);
// The entries of a folder, sorted by name (byte order); 76 when the folder is absent.
std::vector<Entry> listFolder(std::string_view folder);

// ---- Whole files -----------------------------------------------------------------------

std::string readFile(std::string_view path);
// Creates or atomically replaces the file; the folder must exist (76). A read-only file is
// not replaced (70). The replaced file's owner, group and permissions are kept; a file with
// other hard links, or whose owner this process cannot give a new file, is rewritten in
// place instead so that it keeps them. Temporary files left by a killed writer are removed
// by the next writer in the folder.
void writeFile(std::string_view path, std::string_view bytes);
// While one is alive on its thread, writes and copies still replace files atomically but do
// not each wait for the disk: flush() (or the end of the scope) flushes every file system
// written to, once. For runs that write thousands of files, each of which the run can make
// again; whatever is flushed is then as safe as after single writes. Scopes nest: the
// outermost one flushes.
class DeferredSync {
public:
  DeferredSync();
  ~DeferredSync();
  DeferredSync(const DeferredSync&) = delete;
  DeferredSync& operator=(const DeferredSync&) = delete;
  // Flushes what was written so far; raises when a file system reports a write error.
  void flush();
};
// Appends to the file (O_APPEND: concurrent appenders lose nothing), creating it when
// absent.
void appendFile(std::string_view path, std::string_view bytes);

// ---- Copy, move, delete, folders -------------------------------------------------------

// Copies a file (atomically at the target). With overwrite false an existing target raises
// 58; a read-only target, or the source itself, raises 70; a full disk raises 61 naming the
// target.
void copyFile(std::string_view from, std::string_view to, bool overwrite = true);
// Copies a folder tree into to (created when absent); existing files are replaced when
// overwrite is true, else 58. Symbolic links are copied as links; a target inside the source
// raises 70. Long copies stop at the running script's time-out.
void copyFolder(std::string_view from, std::string_view to, bool overwrite = true);
// Renames or moves a file or folder; 58 when the target exists.
void move(std::string_view from, std::string_view to);
// Deletes a file; a read-only one only with force (else 70).
void deleteFile(std::string_view path, bool force = false);
// Deletes a folder with everything in it; read-only files inside only with force.
void deleteFolder(std::string_view path, bool force = false);
// Creates one folder: 58 when it exists, 76 when its parent is missing.
void createFolder(std::string_view path);
// Creates a folder with every missing level; nothing happens when it exists.
void createFolders(std::string_view path);

// ---- Well-known places -----------------------------------------------------------------

// The user's documents folder: $XDG_DOCUMENTS_DIR, else ~/Documents ($HOME).
std::string documentsFolder();
// The folder for temporary files: $TMPDIR, else /tmp.
std::string tempFolder();
// A fresh name for a temporary file, "rad" + 5 hexadecimal digits + ".tmp" (not created).
std::string tempName();

} // namespace quillet::platform::files
