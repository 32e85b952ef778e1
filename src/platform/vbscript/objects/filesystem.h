#pragma once
// "Scripting.FileSystemObject" with its File, Folder, Files, Folders and TextStream
// objects, over the files and text layers: both separators are accepted, names that differ
// only in letter case are found, and files are replaced atomically.
//
// Text formats: Unicode (-1) is UTF-16LE with a byte-order mark; ASCII (0) is the thread's
// ANSI code page (a character it lacks raises error 5 instead of being lost); the system
// default (-2) is UTF-8, the plain-text encoding of this platform. Reading in any format
// but Unicode tells the encoding by byte-order mark, UTF-8 validity or the ANSI code page.
#include <string>

#include "platform/automation/members.h"

namespace quillet::platform::vbscript {

class FolderObject;

class TextStream : public automation::Object {
  QUILLET_OBJECT(TextStream)
public:
  enum Mode { kForReading = 1, kForWriting = 2, kForAppending = 8 };
  // Opens path; format is -1 Unicode, 0 ASCII, -2 system default.
  TextStream(std::string path, int mode, int format, bool create, bool overwrite);
  ~TextStream() override;

  bool AtEndOfStream() const;
  bool AtEndOfLine() const;
  int32_t Line() const { return line_; }
  int32_t Column() const { return column_; }
  std::string Read(int32_t characters);
  std::string ReadLine();
  std::string ReadAll();
  void Skip(int32_t characters);
  void SkipLine();
  void Write(const std::string& text);
  void WriteLine(const automation::Variant& text);
  void WriteBlankLines(int32_t lines);
  void Close();

protected:
  void lastReleased() noexcept override;

private:
  void needRead() const;
  void needWrite() const;
  void advance(std::string_view consumed);
  void flush();

  std::string path_;
  int mode_;
  int format_;
  bool open_ = true;
  std::string text_; // read: the whole decoded text; write: what was written so far
  size_t pos_ = 0;   // read position in text_ (bytes)
  int32_t line_ = 1;
  int32_t column_ = 1;
};

class FileObject : public automation::Object {
  QUILLET_OBJECT(FileObject)
public:
  explicit FileObject(std::string path) : path_(std::move(path)) {}
  const std::string& Path() const { return path_; }
  std::string Name() const;
  void setName(const std::string& name);
  automation::Ref<FolderObject> ParentFolder() const;
  automation::Variant Size() const;
  std::string Type() const;
  int32_t Attributes() const;
  automation::Variant DateLastModified() const;
  void Copy(const std::string& destination, const automation::Variant& overwrite);
  void Move(const std::string& destination);
  void Delete(bool force);
  automation::Ref<TextStream> OpenAsTextStream(const automation::Variant& mode,
                                               const automation::Variant& format);

private:
  std::string path_;
};

class FilesCollection : public automation::Object {
  QUILLET_OBJECT(FilesCollection)
public:
  explicit FilesCollection(std::string folder) : folder_(std::move(folder)) {}
  int32_t Count() const;
  automation::Ref<FileObject> Item(const std::string& name) const;
  automation::Ref<automation::Enumerator> enumerate() const;

private:
  std::string folder_;
};

class FoldersCollection : public automation::Object {
  QUILLET_OBJECT(FoldersCollection)
public:
  explicit FoldersCollection(std::string folder) : folder_(std::move(folder)) {}
  int32_t Count() const;
  automation::Ref<FolderObject> Item(const std::string& name) const;
  automation::Ref<FolderObject> Add(const std::string& name);
  automation::Ref<automation::Enumerator> enumerate() const;

private:
  std::string folder_;
};

class FolderObject : public automation::Object {
  QUILLET_OBJECT(FolderObject)
public:
  explicit FolderObject(std::string path) : path_(std::move(path)) {}
  const std::string& Path() const { return path_; }
  std::string Name() const;
  void setName(const std::string& name);
  automation::Ref<FolderObject> ParentFolder() const;
  bool IsRootFolder() const { return path_ == "/"; }
  automation::Variant Size() const;
  int32_t Attributes() const;
  automation::Variant DateLastModified() const;
  automation::Ref<FilesCollection> Files() const;
  automation::Ref<FoldersCollection> SubFolders() const;
  void Copy(const std::string& destination, const automation::Variant& overwrite);
  void Move(const std::string& destination);
  void Delete(bool force);
  automation::Ref<TextStream> CreateTextFile(const std::string& name,
                                             const automation::Variant& overwrite,
                                             const automation::Variant& unicode);

private:
  std::string path_;
};

class FileSystemObject : public automation::Object {
  QUILLET_OBJECT(FileSystemObject)
public:
  std::string BuildPath(const std::string& path, const std::string& name) const;
  std::string GetAbsolutePathName(const std::string& path) const;
  std::string GetFileName(const std::string& path) const;
  std::string GetBaseName(const std::string& path) const;
  std::string GetExtensionName(const std::string& path) const;
  std::string GetParentFolderName(const std::string& path) const;
  std::string GetDriveName(const std::string& path) const;
  std::string GetTempName() const;
  bool FileExists(const std::string& path) const;
  bool FolderExists(const std::string& path) const;
  automation::Ref<FileObject> GetFile(const std::string& path) const;
  automation::Ref<FolderObject> GetFolder(const std::string& path) const;
  automation::Ref<FolderObject> GetSpecialFolder(int32_t which) const;
  automation::Ref<FolderObject> CreateFolder(const std::string& path);
  // Sources may end in a wildcard pattern (* and ?); a destination ending in a separator,
  // or naming an existing folder, receives the files under their own names.
  void CopyFile(const std::string& source, const std::string& destination,
                const automation::Variant& overwrite);
  void MoveFile(const std::string& source, const std::string& destination);
  void DeleteFile(const std::string& pattern, bool force);
  void CopyFolder(const std::string& source, const std::string& destination,
                  const automation::Variant& overwrite);
  void MoveFolder(const std::string& source, const std::string& destination);
  void DeleteFolder(const std::string& pattern, bool force);
  automation::Ref<TextStream> CreateTextFile(const std::string& path,
                                             const automation::Variant& overwrite,
                                             const automation::Variant& unicode);
  automation::Ref<TextStream> OpenTextFile(const std::string& path, const automation::Variant& mode,
                                           const automation::Variant& create,
                                           const automation::Variant& format);
};

} // namespace quillet::platform::vbscript
