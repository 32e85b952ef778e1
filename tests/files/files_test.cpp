#include "platform/files/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "files/tempdir.h"
#include "platform/automation/error.h"

namespace quillet::platform::files {
namespace {

using automation::Error;
using quillet::testing::TempDir;

// Runs f and returns the VB error number it raised (0 for none); checks that the
// description names the path part given.
template <class F> int32_t errorOf(F&& f, std::string_view namePart = {}) {
  try {
    f();
  } catch (const Error& e) {
    if (!namePart.empty()) {
      EXPECT_NE(e.description().find(namePart), std::string::npos) << e.description();
    }
    return e.number();
  }
  return 0;
}

bool runningAsRoot() {
  return ::geteuid() == 0;
}

TEST(Paths, SplitsWithEitherSeparator) {
  struct Case {
    const char* path;
    const char* name;
    const char* parent;
    const char* base;
    const char* ext;
  };
  const Case cases[] = {
      {"C:\\Data\\My Shop.kvz", "My Shop.kvz", "C:\\Data", "My Shop", "kvz"},
      {"a/b\\c.tar.gz", "c.tar.gz", "a/b", "c.tar", "gz"},
      {"/x", "x", "/", "x", ""},
      {"name", "name", "", "name", ""},
      {"dir/.hidden", ".hidden", "dir", ".hidden", ""},
      {"dir/", "", "dir", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(fileName(c.path), c.name);
    EXPECT_EQ(parentFolder(c.path), c.parent);
    EXPECT_EQ(baseName(c.path), c.base);
    EXPECT_EQ(extensionName(c.path), c.ext);
  }
  EXPECT_EQ(joinPath("a/", "/b"), "a/b");
  EXPECT_EQ(joinPath("a\\", "b"), "a\\b");
  EXPECT_EQ(joinPath("", "b"), "b");
  EXPECT_EQ(toNativeSeparators("a\\b/c"), "a/b/c");
}

TEST(Paths, FindsNamesThatDifferInCase) {
  TempDir dir;
  dir.write("Templates/Std Set/Control.XML", "<x/>");
  dir.write("Templates/\xC3\x89t\xC3\xA9/a.txt", "a"); // "Été"
  EXPECT_EQ(resolvePath(dir.path() + "\\templates\\STD SET\\control.xml"),
            dir / "Templates/Std Set/Control.XML");
  EXPECT_EQ(resolvePath(dir / "TEMPLATES/\xC3\xA9T\xC3\x89/A.TXT"),
            dir / "Templates/\xC3\x89t\xC3\xA9/a.txt");
  // What cannot be found keeps its form, so it can be created.
  EXPECT_EQ(resolvePath(dir / "templates/New/Sub/x.txt"), dir / "Templates/New/Sub/x.txt");
  EXPECT_EQ(readFile(dir.path() + "\\TEMPLATES\\std set\\CONTROL.xml"), "<x/>");
  EXPECT_TRUE(fileExists(dir / "templates/std set/control.xml"));
  EXPECT_TRUE(folderExists(dir / "TEMPLATES"));
  EXPECT_FALSE(fileExists(dir / "TEMPLATES"));
  EXPECT_FALSE(pathExists(dir / "nothing"));
}

TEST(Paths, WritesStayInsideTheirFolder) {
  TempDir dir;
  const std::string root = dir / "site";
  std::filesystem::create_directories(root);
  EXPECT_EQ(joinInside(root, "css\\main.css"), root + "/css/main.css");
  EXPECT_EQ(joinInside(root, "./a/./b"), root + "/a/b");
  EXPECT_EQ(joinInside(root, ""), root);
  for (const char* bad :
       {"../x", "a/../../x", "a/..", "/etc/passwd", "\\\\server\\share", "C:\\Windows\\x", "c:x"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(errorOf([&] { joinInside(root, bad); }, bad), 75);
  }
  // A link inside the folder that leads out of it is refused as well.
  std::filesystem::create_directory_symlink(dir.path(), root + "/out");
  EXPECT_EQ(errorOf([&] { joinInside(root, "out/secret.txt"); }), 75);
  // Found whatever the case the writer will find it in, and deeper down too; a link that
  // stays inside is fine.
  EXPECT_EQ(errorOf([&] { joinInside(root, "OUT/secret.txt"); }), 75);
  std::filesystem::create_directories(root + "/a/b");
  std::filesystem::create_directory_symlink(dir.path(), root + "/a/b/up");
  EXPECT_EQ(errorOf([&] { joinInside(root, "a/B/up/x"); }), 75);
  std::filesystem::create_directory_symlink(root + "/a", root + "/alias");
  EXPECT_EQ(joinInside(root, "alias/b/page.aspx"), root + "/alias/b/page.aspx");
}

TEST(Files, WriteReplacesAtomicallyAndKeepsPermissions) {
  TempDir dir;
  const std::string path = dir / "page.aspx";
  writeFile(path, "one");
  ::chmod(path.c_str(), 0640);
  writeFile(dir / "PAGE.ASPX", "two"); // the existing name is found and replaced
  EXPECT_EQ(TempDir::read(path), "two");
  struct stat st {};
  ::stat(path.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  auto entries = listFolder(dir.path());
  ASSERT_EQ(entries.size(), 1u); // no temporary file left behind
  EXPECT_EQ(entries[0].name, "page.aspx");
  EXPECT_EQ(entries[0].size, 3u);

  appendFile(dir / "log.txt", "a\r\n");
  appendFile(dir / "log.txt", "b");
  EXPECT_EQ(readFile(dir / "log.txt"), "a\r\nb");
}

TEST(Files, ErrorsCarryVbNumbersAndThePath) {
  TempDir dir;
  dir.write("f.txt", "x");
  std::filesystem::create_directories(dir / "folder");
  EXPECT_EQ(errorOf([&] { readFile(dir / "absent.txt"); }, "absent.txt"), 53);
  EXPECT_EQ(errorOf([&] { readFile(dir / "no/absent.txt"); }, "absent.txt"), 76);
  EXPECT_EQ(errorOf([&] { readFile(dir / "folder"); }), 53);
  EXPECT_EQ(errorOf([&] { writeFile(dir / "no/x.txt", "x"); }, "x.txt"), 76);
  EXPECT_EQ(errorOf([&] { writeFile(dir / "folder", "x"); }), 75);
  EXPECT_EQ(errorOf([&] { listFolder(dir / "none"); }), 76);
  EXPECT_EQ(errorOf([&] { entryInfo(dir / "none"); }), 53);
  EXPECT_EQ(errorOf([&] { copyFile(dir / "none", dir / "g.txt"); }), 53);
  EXPECT_EQ(errorOf([&] { copyFile(dir / "f.txt", dir / "f.txt", false); }), 58);
  EXPECT_EQ(errorOf([&] { move(dir / "none", dir / "g.txt"); }), 53);
  EXPECT_EQ(errorOf([&] { move(dir / "f.txt", dir / "folder"); }), 58);
  EXPECT_EQ(errorOf([&] { deleteFile(dir / "none"); }), 53);
  EXPECT_EQ(errorOf([&] { deleteFolder(dir / "none"); }), 76);
  EXPECT_EQ(errorOf([&] { createFolder(dir / "folder"); }), 58);
  EXPECT_EQ(errorOf([&] { createFolder(dir / "a/b"); }), 76);
  EXPECT_EQ(errorOf([&] { createFolders(dir / "f.txt/sub"); }), 76);
}

TEST(Files, ReadOnlyFilesNeedForce) {
  TempDir dir;
  const std::string path = dir.write("ro.txt", "keep");
  ::chmod(path.c_str(), 0444);
  EXPECT_EQ(errorOf([&] { writeFile(path, "x"); }, "ro.txt"), 70);
  EXPECT_EQ(errorOf([&] { copyFile(dir.write("src.txt", "y"), path); }), 70);
  EXPECT_EQ(errorOf([&] { deleteFile(path); }), 70);
  EXPECT_EQ(TempDir::read(path), "keep");
  const std::string inner = dir.write("tree/sub/ro.txt", "z");
  dir.write("tree/other.txt", "w");
  ::chmod(inner.c_str(), 0444);
  EXPECT_EQ(errorOf([&] { deleteFolder(dir / "tree"); }), 70);
  EXPECT_TRUE(fileExists(dir / "tree/other.txt")); // nothing removed before the refusal
  deleteFolder(dir / "tree", true);
  EXPECT_FALSE(folderExists(dir / "tree"));
  deleteFile(path, true);
  EXPECT_FALSE(fileExists(path));
  if (runningAsRoot()) GTEST_SKIP() << "unreadable files do not stop root";
  const std::string locked = dir / "locked";
  std::filesystem::create_directories(locked);
  dir.write("locked/f.txt", "x");
  ::chmod((locked + "/f.txt").c_str(), 0);
  EXPECT_EQ(errorOf([&] { readFile(locked + "/f.txt"); }), 70);
}

TEST(Files, CopiesMovesAndCreatesFolders) {
  TempDir dir;
  dir.write("src/a.txt", "A");
  dir.write("src/sub/b.txt", "B");
  createFolders(dir / "dst/deep/er");
  createFolders(dir / "DST/deep/er");       // already there: nothing happens
  copyFile(dir / "src/a.txt", dir / "dst"); // into a folder keeps the name
  EXPECT_EQ(readFile(dir / "dst/a.txt"), "A");
  copyFile(dir / "src/sub/b.txt", dir / "dst/a.txt"); // overwrite
  EXPECT_EQ(readFile(dir / "dst/a.txt"), "B");
  copyFolder(dir / "src", dir / "copy");
  EXPECT_EQ(readFile(dir / "copy/sub/b.txt"), "B");
  EXPECT_EQ(errorOf([&] { copyFolder(dir / "src", dir / "copy", false); }), 58);
  move(dir / "copy", dir / "moved");
  EXPECT_FALSE(folderExists(dir / "copy"));
  move(dir / "moved/a.txt", dir / "moved/renamed.txt");
  EXPECT_EQ(readFile(dir / "moved/renamed.txt"), "A");
  createFolder(dir / "one");
  EXPECT_TRUE(folderExists(dir / "one"));

  auto entries = listFolder(dir / "moved");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "renamed.txt");
  EXPECT_FALSE(entries[0].isFolder);
  EXPECT_EQ(entries[1].name, "sub");
  EXPECT_TRUE(entries[1].isFolder);
}

TEST(Places, DocumentsFolderAndTempNames) {
  const char* oldXdg = std::getenv("XDG_DOCUMENTS_DIR");
  const std::string savedXdg = oldXdg ? oldXdg : "";
  const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  ::setenv("XDG_DOCUMENTS_DIR", "/data/docs", 1);
  EXPECT_EQ(documentsFolder(), "/data/docs");
  ::unsetenv("XDG_DOCUMENTS_DIR");
  ::setenv("HOME", "/home/tester", 1);
  EXPECT_EQ(documentsFolder(), "/home/tester/Documents");
  ::setenv("HOME", savedHome.c_str(), 1);
  if (oldXdg) ::setenv("XDG_DOCUMENTS_DIR", savedXdg.c_str(), 1);

  std::string a = tempName(), b = tempName();
  ASSERT_EQ(a.size(), 12u);
  EXPECT_EQ(a.substr(0, 3), "rad");
  EXPECT_EQ(a.substr(8), ".tmp");
  EXPECT_EQ(a.substr(3, 5).find_first_not_of("0123456789ABCDEF"), std::string::npos) << a;
  EXPECT_NE(a, b);
  EXPECT_FALSE(tempFolder().empty());
}

} // namespace
} // namespace quillet::platform::files
