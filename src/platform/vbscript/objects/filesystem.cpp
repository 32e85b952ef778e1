#include "platform/vbscript/objects/filesystem.h"
#include "platform/automation/text_settings.h"

#include <fnmatch.h>

#include <ctime>
#include <filesystem>

#include "platform/files/files.h"
#include "platform/text/encoding.h"
#include "platform/text/utf8.h"

namespace quillet::platform::vbscript {

namespace am = automation;
using am::Variant;

namespace {

constexpr int kUnicode = -1;
constexpr int kAscii = 0;

bool isSep(char c) {
  return c == '/' || c == '\\';
}

// The path without separators at its end (a lone root stays).
std::string withoutTrailingSeps(std::string_view p) {
  size_t n = p.size();
  while (n > 1 && isSep(p[n - 1]))
    --n;
  return std::string(p.substr(0, n));
}

bool hasWildcard(std::string_view name) {
  return name.find_first_of("*?") != std::string::npos;
}

// The absolute form of a path on disk, as Path properties show it.
std::string absoluteOnDisk(std::string_view path) {
  std::string p = files::resolvePath(path);
  std::error_code ec;
  std::filesystem::path abs = std::filesystem::absolute(p, ec);
  if (ec) return p;
  std::string s = abs.lexically_normal().string();
  return withoutTrailingSeps(s);
}

bool optBool(const Variant& v, bool fallback) {
  return v.isMissing() ? fallback : am::CBool(v);
}
int32_t optInt(const Variant& v, int32_t fallback) {
  return v.isMissing() ? fallback : am::CLng(v);
}

Variant dateOf(std::chrono::system_clock::time_point tp) {
  std::time_t t = std::chrono::system_clock::to_time_t(tp);
  std::tm tm{};
  localtime_r(&t, &tm);
  auto serial =
      am::makeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return serial ? Variant::fromDate(*serial) : Variant();
}

// The paths a source pattern names: itself, or the entries of its folder that match
// its wildcard name (without regard to case). Error 53 (76 for folders) when none.
std::vector<std::string> expandPattern(std::string_view pattern, bool folders) {
  files::checkPathText(pattern);
  std::string s = withoutTrailingSeps(pattern);
  std::string name = files::fileName(s);
  if (!hasWildcard(name)) return {s};
  std::string folder = files::parentFolder(s);
  std::vector<std::string> out;
  for (const files::Entry& e : files::listFolder(folder.empty() ? "." : folder))
    if (e.isFolder == folders && fnmatch(name.c_str(), e.name.c_str(), FNM_CASEFOLD) == 0)
      out.push_back(files::joinPath(folder, e.name));
  if (out.empty())
    am::raise(folders ? am::err::kPathNotFound : am::err::kFileNotFound,
              std::string(folders ? "Path not found: " : "File not found: ") +
                  std::string(pattern));
  return out;
}

// Where one source lands: into the destination folder under its own name when the
// destination ends in a separator or is an existing folder.
std::string landing(const std::string& source, std::string_view destination, bool many) {
  bool intoFolder = (!destination.empty() && isSep(destination.back())) ||
                    files::folderExists(destination) || many;
  if (!intoFolder) return std::string(destination);
  return files::joinPath(withoutTrailingSeps(destination), files::fileName(source));
}

std::string typeText(const std::string& name) {
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot + 1 == name.size()) return "File";
  std::string ext = name.substr(dot + 1);
  for (char& c : ext)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return ext + " File";
}

} // namespace

// --- TextStream -----------------------------------------------------------------------------

TextStream::TextStream(std::string path, int mode, int format, bool create, bool overwrite)
    : path_(files::resolvePath(path)), mode_(mode), format_(format) {
  if (mode != kForReading && mode != kForWriting && mode != kForAppending)
    am::raise(am::err::kInvalidProcedureCall);
  if (format != kUnicode && format != kAscii && format != -2)
    am::raise(am::err::kInvalidProcedureCall);
  bool exists = files::fileExists(path_);
  if (exists && mode == kForWriting && !overwrite)
    am::raise(am::err::kFileAlreadyExists, "File already exists: " + path);
  if (!exists) {
    if (!create) am::raise(am::err::kFileNotFound, "File not found: " + path);
    // A new file exists from the start (76 without its folder). It is created in place, not
    // replaced: another process opening the same new file may already have appended to it.
    files::appendFile(path_, "");
  }
  if (mode != kForReading) return;
  std::string bytes = files::readFile(path_);
  if (format == kUnicode) {
    text::Bom bom = text::detectBom(bytes);
    if (bom == text::Bom::Utf16BE)
      text_ = text::Encoding::utf16BE().decode(bytes.substr(2));
    else if (bom == text::Bom::Utf16LE)
      text_ = text::Encoding::utf16LE().decode(bytes.substr(2));
    else
      text_ = text::Encoding::utf16LE().decode(bytes);
  } else {
    text_ = automation::decodeText(bytes).text;
  }
}

TextStream::~TextStream() = default;

void TextStream::lastReleased() noexcept {
  // Releasing an open stream closes it, as a script that never calls Close expects.
  try {
    Close();
  } catch (...) {
  }
  delete this;
}

void TextStream::needRead() const {
  if (!open_ || mode_ != kForReading) am::raise(am::err::kBadFileMode);
}

void TextStream::needWrite() const {
  if (!open_ || mode_ == kForReading) am::raise(am::err::kBadFileMode);
}

void TextStream::advance(std::string_view consumed) {
  for (size_t i = 0; i < consumed.size();) {
    char c = consumed[i];
    if (c == '\n') {
      ++line_;
      column_ = 1;
      ++i;
    } else {
      size_t n = text::charLengthAt(consumed, i);
      i += n ? n : 1;
      ++column_;
    }
  }
}

bool TextStream::AtEndOfStream() const {
  needRead();
  return pos_ >= text_.size();
}

bool TextStream::AtEndOfLine() const {
  needRead();
  return pos_ >= text_.size() || text_[pos_] == '\r' || text_[pos_] == '\n';
}

std::string TextStream::Read(int32_t characters) {
  needRead();
  if (characters < 0) am::raise(am::err::kInvalidProcedureCall);
  if (pos_ >= text_.size()) am::raise(am::err::kInputPastEndOfFile);
  std::string_view rest = std::string_view(text_).substr(pos_);
  std::string_view part = text::substrChars(rest, 0, static_cast<size_t>(characters));
  pos_ += part.size();
  advance(part);
  return std::string(part);
}

std::string TextStream::ReadLine() {
  needRead();
  if (pos_ >= text_.size()) am::raise(am::err::kInputPastEndOfFile);
  size_t end = text_.find_first_of("\r\n", pos_);
  if (end == std::string::npos) end = text_.size();
  std::string line = text_.substr(pos_, end - pos_);
  size_t next = end;
  if (next < text_.size())
    next += (text_[next] == '\r' && next + 1 < text_.size() && text_[next + 1] == '\n') ? 2 : 1;
  pos_ = next;
  ++line_;
  column_ = 1;
  return line;
}

std::string TextStream::ReadAll() {
  needRead();
  if (pos_ >= text_.size()) am::raise(am::err::kInputPastEndOfFile);
  std::string rest = text_.substr(pos_);
  pos_ = text_.size();
  advance(rest);
  return rest;
}

void TextStream::Skip(int32_t characters) {
  Read(characters);
}

void TextStream::SkipLine() {
  ReadLine();
}

void TextStream::Write(const std::string& s) {
  needWrite();
  if (format_ == kAscii && !automation::ansiEncoding().canEncode(s))
    am::raise(am::err::kInvalidProcedureCall,
              "Invalid procedure call or argument: the text has characters the ANSI code "
              "page lacks; open the file as Unicode");
  text_ += s;
  advance(s);
}

void TextStream::WriteLine(const Variant& s) {
  Write((s.isMissing() ? std::string() : am::CStr(s)) + "\r\n");
}

void TextStream::WriteBlankLines(int32_t lines) {
  if (lines < 0) am::raise(am::err::kInvalidProcedureCall);
  std::string s;
  for (int32_t i = 0; i < lines; ++i)
    s += "\r\n";
  Write(s);
}

void TextStream::flush() {
  // Appended text goes to the end of the file as it is then (O_APPEND), so that other
  // writers appending meanwhile lose nothing; only the encoding is taken from what is there.
  const bool append = mode_ == kForAppending;
  std::string existing;
  if (append) existing = files::readFile(path_);
  std::string bytes;
  if (format_ == kUnicode)
    bytes = text::encodeText(text_, text::Encoding::utf16LE(), existing.empty());
  else if (!existing.empty())
    // Text appended to a file continues in the file's own encoding, so a UTF-8 file never
    // gets ANSI bytes that would make the whole file read as ANSI.
    bytes = automation::decodeText(existing).encoding.encode(text_);
  else if (format_ == kAscii)
    bytes = automation::ansiEncoding().encode(text_);
  else
    bytes = text_;
  if (append)
    files::appendFile(path_, bytes);
  else
    files::writeFile(path_, bytes);
}

void TextStream::Close() {
  if (!open_) return;
  open_ = false;
  if (mode_ != kForReading) flush();
  text_.clear();
}

QUILLET_DEFINE_CLASS(TextStream) {
  b.get("AtEndOfStream", &TextStream::AtEndOfStream)
      .get("AtEndOfLine", &TextStream::AtEndOfLine)
      .get("Line", &TextStream::Line)
      .get("Column", &TextStream::Column)
      .method("Read", &TextStream::Read)
      .method("ReadLine", &TextStream::ReadLine)
      .method("ReadAll", &TextStream::ReadAll)
      .method("Skip", &TextStream::Skip)
      .method("SkipLine", &TextStream::SkipLine)
      .method("Write", &TextStream::Write)
      .method("WriteLine", &TextStream::WriteLine, 0)
      .method("WriteBlankLines", &TextStream::WriteBlankLines)
      .method("Close", &TextStream::Close);
}

// --- File -----------------------------------------------------------------------------------

std::string FileObject::Name() const {
  return files::fileName(path_);
}

void FileObject::setName(const std::string& name) {
  if (name.empty() || name.find_first_of("/\\") != std::string::npos)
    am::raise(am::err::kInvalidProcedureCall);
  std::string target = files::joinPath(files::parentFolder(path_), name);
  files::move(path_, target);
  path_ = target;
}

am::Ref<FolderObject> FileObject::ParentFolder() const {
  return am::makeRef<FolderObject>(files::parentFolder(path_));
}

Variant FileObject::Size() const {
  return Variant::fromInt64(static_cast<int64_t>(files::entryInfo(path_).size));
}

std::string FileObject::Type() const {
  return typeText(Name());
}

int32_t FileObject::Attributes() const {
  return files::entryInfo(path_).readOnly ? 33 : 32;
}

Variant FileObject::DateLastModified() const {
  return dateOf(files::entryInfo(path_).modified);
}

void FileObject::Copy(const std::string& destination, const Variant& overwrite) {
  files::copyFile(path_, landing(path_, destination, false), optBool(overwrite, true));
}

void FileObject::Move(const std::string& destination) {
  std::string target = landing(path_, destination, false);
  files::move(path_, target);
  path_ = absoluteOnDisk(target);
}

void FileObject::Delete(bool force) {
  files::deleteFile(path_, force);
}

am::Ref<TextStream> FileObject::OpenAsTextStream(const Variant& mode, const Variant& format) {
  return am::makeRef<TextStream>(path_, optInt(mode, TextStream::kForReading),
                                 optInt(format, kAscii), false, true);
}

QUILLET_DEFINE_CLASS_NAMED(FileObject, "File") {
  b.get("Path", &FileObject::Path)
      .prop("Name", &FileObject::Name, &FileObject::setName)
      .get("ShortName", &FileObject::Name)
      .get("ShortPath", &FileObject::Path)
      .get("ParentFolder", &FileObject::ParentFolder)
      .get("Size", &FileObject::Size)
      .get("Type", &FileObject::Type)
      .get("Attributes", &FileObject::Attributes)
      .get("DateLastModified", &FileObject::DateLastModified)
      .get("DateCreated", &FileObject::DateLastModified)
      .get("DateLastAccessed", &FileObject::DateLastModified)
      .method("Copy", &FileObject::Copy, 1)
      .method("Move", &FileObject::Move)
      .method("Delete", &FileObject::Delete, 0)
      .method("OpenAsTextStream", &FileObject::OpenAsTextStream, 0)
      .defaultMember("Path");
}

// --- Collections ----------------------------------------------------------------------------

namespace {
std::vector<files::Entry> entriesOf(const std::string& folder, bool folders) {
  std::vector<files::Entry> out;
  for (files::Entry& e : files::listFolder(folder))
    if (e.isFolder == folders) out.push_back(std::move(e));
  return out;
}
} // namespace

int32_t FilesCollection::Count() const {
  return static_cast<int32_t>(entriesOf(folder_, false).size());
}

am::Ref<FileObject> FilesCollection::Item(const std::string& name) const {
  std::string p = files::joinPath(folder_, name);
  if (!files::fileExists(p)) am::raise(am::err::kFileNotFound, "File not found: " + p);
  return am::makeRef<FileObject>(absoluteOnDisk(p));
}

am::Ref<am::Enumerator> FilesCollection::enumerate() const {
  std::vector<Variant> items;
  for (const files::Entry& e : entriesOf(folder_, false))
    items.emplace_back(am::makeRef<FileObject>(files::joinPath(folder_, e.name)));
  return am::makeRef<am::VectorEnumerator>(std::move(items));
}

QUILLET_DEFINE_CLASS_NAMED(FilesCollection, "Files") {
  b.get("Count", &FilesCollection::Count)
      .get("Item", &FilesCollection::Item)
      .defaultMember("Item")
      .enumerator(&FilesCollection::enumerate);
}

int32_t FoldersCollection::Count() const {
  return static_cast<int32_t>(entriesOf(folder_, true).size());
}

am::Ref<FolderObject> FoldersCollection::Item(const std::string& name) const {
  std::string p = files::joinPath(folder_, name);
  if (!files::folderExists(p)) am::raise(am::err::kPathNotFound, "Path not found: " + p);
  return am::makeRef<FolderObject>(absoluteOnDisk(p));
}

am::Ref<FolderObject> FoldersCollection::Add(const std::string& name) {
  std::string p = files::joinInside(folder_, name);
  files::createFolder(p);
  return am::makeRef<FolderObject>(absoluteOnDisk(p));
}

am::Ref<am::Enumerator> FoldersCollection::enumerate() const {
  std::vector<Variant> items;
  for (const files::Entry& e : entriesOf(folder_, true))
    items.emplace_back(am::makeRef<FolderObject>(files::joinPath(folder_, e.name)));
  return am::makeRef<am::VectorEnumerator>(std::move(items));
}

QUILLET_DEFINE_CLASS_NAMED(FoldersCollection, "Folders") {
  b.get("Count", &FoldersCollection::Count)
      .get("Item", &FoldersCollection::Item)
      .method("Add", &FoldersCollection::Add)
      .defaultMember("Item")
      .enumerator(&FoldersCollection::enumerate);
}

// --- Folder ---------------------------------------------------------------------------------

std::string FolderObject::Name() const {
  return files::fileName(path_);
}

void FolderObject::setName(const std::string& name) {
  if (name.empty() || name.find_first_of("/\\") != std::string::npos)
    am::raise(am::err::kInvalidProcedureCall);
  std::string target = files::joinPath(files::parentFolder(path_), name);
  files::move(path_, target);
  path_ = target;
}

am::Ref<FolderObject> FolderObject::ParentFolder() const {
  if (IsRootFolder()) return nullptr;
  return am::makeRef<FolderObject>(files::parentFolder(path_));
}

Variant FolderObject::Size() const {
  uint64_t total = 0;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    if (it->is_regular_file(ec)) total += it->file_size(ec);
  return Variant::fromInt64(static_cast<int64_t>(total));
}

int32_t FolderObject::Attributes() const {
  return 16;
}

Variant FolderObject::DateLastModified() const {
  return dateOf(files::entryInfo(path_).modified);
}

am::Ref<FilesCollection> FolderObject::Files() const {
  return am::makeRef<FilesCollection>(path_);
}

am::Ref<FoldersCollection> FolderObject::SubFolders() const {
  return am::makeRef<FoldersCollection>(path_);
}

void FolderObject::Copy(const std::string& destination, const Variant& overwrite) {
  files::copyFolder(path_, withoutTrailingSeps(destination), optBool(overwrite, true));
}

void FolderObject::Move(const std::string& destination) {
  std::string target = landing(path_, destination, false);
  files::move(path_, target);
  path_ = absoluteOnDisk(target);
}

void FolderObject::Delete(bool force) {
  files::deleteFolder(path_, force);
}

am::Ref<TextStream> FolderObject::CreateTextFile(const std::string& name, const Variant& overwrite,
                                                 const Variant& unicode) {
  return am::makeRef<TextStream>(files::joinPath(path_, name), TextStream::kForWriting,
                                 optBool(unicode, false) ? kUnicode : kAscii, true,
                                 optBool(overwrite, true));
}

QUILLET_DEFINE_CLASS_NAMED(FolderObject, "Folder") {
  b.get("Path", &FolderObject::Path)
      .prop("Name", &FolderObject::Name, &FolderObject::setName)
      .get("ShortName", &FolderObject::Name)
      .get("ShortPath", &FolderObject::Path)
      .get("ParentFolder", &FolderObject::ParentFolder)
      .get("IsRootFolder", &FolderObject::IsRootFolder)
      .get("Size", &FolderObject::Size)
      .get("Attributes", &FolderObject::Attributes)
      .get("DateLastModified", &FolderObject::DateLastModified)
      .get("DateCreated", &FolderObject::DateLastModified)
      .get("DateLastAccessed", &FolderObject::DateLastModified)
      .get("Files", &FolderObject::Files)
      .get("SubFolders", &FolderObject::SubFolders)
      .method("Copy", &FolderObject::Copy, 1)
      .method("Move", &FolderObject::Move)
      .method("Delete", &FolderObject::Delete, 0)
      .method("CreateTextFile", &FolderObject::CreateTextFile, 1)
      .defaultMember("Path");
}

// --- FileSystemObject -----------------------------------------------------------------------

std::string FileSystemObject::BuildPath(const std::string& path, const std::string& name) const {
  if (path.empty()) return name;
  size_t skip = 0;
  while (skip < name.size() && isSep(name[skip]))
    ++skip;
  std::string rest = name.substr(skip);
  if (isSep(path.back())) return path + rest;
  bool backslashes = path.find('\\') != std::string::npos && path.find('/') == std::string::npos;
  return path + (backslashes ? "\\" : "/") + rest;
}

std::string FileSystemObject::GetAbsolutePathName(const std::string& path) const {
  return absoluteOnDisk(path.empty() ? "." : path);
}

std::string FileSystemObject::GetFileName(const std::string& path) const {
  std::string p = withoutTrailingSeps(path);
  if (p.size() == 1 && isSep(p[0])) return "";
  return files::fileName(p);
}

std::string FileSystemObject::GetBaseName(const std::string& path) const {
  std::string name = GetFileName(path);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string FileSystemObject::GetExtensionName(const std::string& path) const {
  std::string name = GetFileName(path);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string FileSystemObject::GetParentFolderName(const std::string& path) const {
  std::string p = withoutTrailingSeps(path);
  if (p.size() == 1 && isSep(p[0])) return "";
  return files::parentFolder(p);
}

std::string FileSystemObject::GetDriveName(const std::string& path) const {
  if (path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')))
    return path.substr(0, 2);
  return "";
}

std::string FileSystemObject::GetTempName() const {
  return files::tempName();
}

bool FileSystemObject::FileExists(const std::string& path) const {
  return !path.empty() && files::fileExists(path);
}

bool FileSystemObject::FolderExists(const std::string& path) const {
  return !path.empty() && files::folderExists(path);
}

am::Ref<FileObject> FileSystemObject::GetFile(const std::string& path) const {
  if (!FileExists(path)) am::raise(am::err::kFileNotFound, "File not found: " + path);
  return am::makeRef<FileObject>(absoluteOnDisk(path));
}

am::Ref<FolderObject> FileSystemObject::GetFolder(const std::string& path) const {
  if (!FolderExists(path)) am::raise(am::err::kPathNotFound, "Path not found: " + path);
  return am::makeRef<FolderObject>(absoluteOnDisk(path));
}

// The Windows and System folders have no counterpart here; both give /usr, the root of
// the system's shared programs. 2 is the folder for temporary files.
am::Ref<FolderObject> FileSystemObject::GetSpecialFolder(int32_t which) const {
  switch (which) {
  case 0:
  case 1:
    return am::makeRef<FolderObject>("/usr");
  case 2:
    return am::makeRef<FolderObject>(absoluteOnDisk(files::tempFolder()));
  default:
    am::raise(am::err::kInvalidProcedureCall);
  }
}

am::Ref<FolderObject> FileSystemObject::CreateFolder(const std::string& path) {
  files::createFolder(withoutTrailingSeps(path));
  return am::makeRef<FolderObject>(absoluteOnDisk(path));
}

void FileSystemObject::CopyFile(const std::string& source, const std::string& destination,
                                const Variant& overwrite) {
  std::vector<std::string> sources = expandPattern(source, false);
  bool many = hasWildcard(files::fileName(withoutTrailingSeps(source)));
  for (const std::string& s : sources)
    files::copyFile(s, landing(s, destination, many), optBool(overwrite, true));
}

void FileSystemObject::MoveFile(const std::string& source, const std::string& destination) {
  std::vector<std::string> sources = expandPattern(source, false);
  bool many = hasWildcard(files::fileName(withoutTrailingSeps(source)));
  for (const std::string& s : sources) {
    if (!files::fileExists(s)) am::raise(am::err::kFileNotFound, "File not found: " + s);
    files::move(s, landing(s, destination, many));
  }
}

void FileSystemObject::DeleteFile(const std::string& pattern, bool force) {
  for (const std::string& s : expandPattern(pattern, false)) {
    if (!files::fileExists(s)) am::raise(am::err::kFileNotFound, "File not found: " + s);
    files::deleteFile(s, force);
  }
}

void FileSystemObject::CopyFolder(const std::string& source, const std::string& destination,
                                  const Variant& overwrite) {
  std::vector<std::string> sources = expandPattern(source, true);
  bool many = hasWildcard(files::fileName(withoutTrailingSeps(source)));
  for (const std::string& s : sources) {
    std::string target = many || (!destination.empty() && isSep(destination.back()))
                             ? files::joinPath(withoutTrailingSeps(destination), files::fileName(s))
                             : destination;
    files::copyFolder(s, target, optBool(overwrite, true));
  }
}

void FileSystemObject::MoveFolder(const std::string& source, const std::string& destination) {
  std::vector<std::string> sources = expandPattern(source, true);
  bool many = hasWildcard(files::fileName(withoutTrailingSeps(source)));
  for (const std::string& s : sources)
    files::move(s, landing(s, destination, many));
}

void FileSystemObject::DeleteFolder(const std::string& pattern, bool force) {
  for (const std::string& s : expandPattern(pattern, true)) {
    if (!files::folderExists(s)) am::raise(am::err::kPathNotFound, "Path not found: " + s);
    files::deleteFolder(s, force);
  }
}

am::Ref<TextStream> FileSystemObject::CreateTextFile(const std::string& path,
                                                     const Variant& overwrite,
                                                     const Variant& unicode) {
  return am::makeRef<TextStream>(path, TextStream::kForWriting,
                                 optBool(unicode, false) ? kUnicode : kAscii, true,
                                 optBool(overwrite, true));
}

am::Ref<TextStream> FileSystemObject::OpenTextFile(const std::string& path, const Variant& mode,
                                                   const Variant& create, const Variant& format) {
  return am::makeRef<TextStream>(path, optInt(mode, TextStream::kForReading),
                                 optInt(format, kAscii), optBool(create, false), true);
}

QUILLET_DEFINE_CLASS(FileSystemObject) {
  b.method("BuildPath", &FileSystemObject::BuildPath)
      .method("GetAbsolutePathName", &FileSystemObject::GetAbsolutePathName)
      .method("GetFileName", &FileSystemObject::GetFileName)
      .method("GetBaseName", &FileSystemObject::GetBaseName)
      .method("GetExtensionName", &FileSystemObject::GetExtensionName)
      .method("GetParentFolderName", &FileSystemObject::GetParentFolderName)
      .method("GetDriveName", &FileSystemObject::GetDriveName)
      .method("GetTempName", &FileSystemObject::GetTempName)
      .method("FileExists", &FileSystemObject::FileExists)
      .method("FolderExists", &FileSystemObject::FolderExists)
      .method("GetFile", &FileSystemObject::GetFile)
      .method("GetFolder", &FileSystemObject::GetFolder)
      .method("GetSpecialFolder", &FileSystemObject::GetSpecialFolder)
      .method("CreateFolder", &FileSystemObject::CreateFolder)
      .method("CopyFile", &FileSystemObject::CopyFile, 2)
      .method("MoveFile", &FileSystemObject::MoveFile)
      .method("DeleteFile", &FileSystemObject::DeleteFile, 1)
      .method("CopyFolder", &FileSystemObject::CopyFolder, 2)
      .method("MoveFolder", &FileSystemObject::MoveFolder)
      .method("DeleteFolder", &FileSystemObject::DeleteFolder, 1)
      .method("CreateTextFile", &FileSystemObject::CreateTextFile, 1)
      .method("OpenTextFile", &FileSystemObject::OpenTextFile, 1);
}

} // namespace quillet::platform::vbscript
