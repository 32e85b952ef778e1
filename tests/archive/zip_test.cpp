#include "platform/archive/zip.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "archive/zip_builder.h"
#include "files/tempdir.h"
#include "platform/automation/error.h"
#include "support/errors.h"

namespace quillet::platform::archive {
namespace {

namespace fs = std::filesystem;
using quillet::testing::Raised;
using quillet::testing::raisedBy;
using quillet::testing::TempDir;
using quillet::testing::ZipBuilder;

// Every file, folder and link below a folder, relative, sorted.
std::vector<std::string> tree(const std::string& folder) {
  std::vector<std::string> out;
  if (!fs::exists(folder)) return out;
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator();
       ++it)
    out.push_back(fs::relative(it->path(), folder).string() +
                  (it->is_symlink() ? "@" : it->is_directory() ? "/" : ""));
  std::sort(out.begin(), out.end());
  return out;
}

TEST(ZipExtract, UnpacksFilesAndFoldersWithTheirTimes) {
  TempDir dir;
  const time_t stamp = 1700000000; // a whole second, as zip stores (to two seconds)
  ZipBuilder()
      .folder("set/")
      .file("set/control.xml", "<root/>", stamp)
      .file("set/pages/list.tpl", "text")
      .file("win\\style\\site.css", "body{}") // made on a system with the other separator
      .file("./top.txt", "")
      .write(dir / "t.zip");
  const Counts c = extract(dir / "t.zip", dir / "out");
  EXPECT_EQ(tree(dir / "out"),
            (std::vector<std::string>{"set/", "set/control.xml", "set/pages/", "set/pages/list.tpl",
                                      "top.txt", "win/", "win/style/", "win/style/site.css"}));
  EXPECT_EQ(TempDir::read(dir / "out/set/pages/list.tpl"), "text");
  EXPECT_EQ(c.files, 4u);
  EXPECT_EQ(c.bytes, 17u);
  struct stat st;
  ASSERT_EQ(::stat((dir / "out/set/control.xml").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, stamp);
}

TEST(ZipExtract, RefusesNamesThatLeaveTheFolderBeforeWritingAnything) {
  const char* names[] = {"../evil.txt",   "a/../../evil.txt", "/evil.txt",   "\\evil.txt",
                         "C:/evil.txt",   "c:evil.txt",       "a\\..\\..\\evil.txt",
                         "a/b/../../../evil.txt", "a/c:evil.txt", ".."};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    TempDir dir;
    ZipBuilder().file("good.txt", "fine").file(name, "bad").write(dir / "t.zip");
    const Raised r = raisedBy([&] { extract(dir / "t.zip", dir / "w/out"); });
    EXPECT_EQ(r.number, automation::err::kPathFileAccessError);
    EXPECT_NE(r.description.find(name), std::string::npos) << r.description;
    EXPECT_NE(r.description.find("t.zip"), std::string::npos) << r.description;
    // Not even the good entry before it was written, and nothing beside the folder.
    EXPECT_EQ(tree(dir / "w"), std::vector<std::string>{});
    EXPECT_EQ(tree(dir.path()), std::vector<std::string>{"t.zip"});
  }
}

TEST(ZipExtract, KeepsLinksThatStayInsideAndRefusesOthers) {
  {
    TempDir dir;
    ZipBuilder()
        .file("doc/readme.txt", "r")
        .link("doc/again", "readme.txt")
        .link("sub/up", "../doc/readme.txt")
        .link("home", ".")
        .write(dir / "t.zip");
    const Counts c = extract(dir / "t.zip", dir / "out");
    EXPECT_EQ(c.links, 3u);
    EXPECT_EQ(fs::read_symlink(dir / "out/sub/up"), "../doc/readme.txt");
    EXPECT_EQ(TempDir::read(dir / "out/sub/up"), "r");
  }
  struct Case {
    const char* name;
    const char* target;
  } refused[] = {
      {"l", "../outside"},       {"l", "/etc/passwd"},  {"a/l", "../../x"},
      {"l", "a/../../x"},        {"l", "x/../y"},       {"l", "C:\\x"},
      {"l", ""},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(std::string(c.name) + " -> " + c.target);
    TempDir dir;
    ZipBuilder().file("f.txt", "x").link(c.name, c.target).write(dir / "t.zip");
    const Raised r = raisedBy([&] { extract(dir / "t.zip", dir / "out"); });
    EXPECT_EQ(r.number, automation::err::kPathFileAccessError);
    EXPECT_NE(r.description.find(std::string("\"") + c.name + "\""), std::string::npos)
        << r.description;
    EXPECT_EQ(tree(dir / "out"), std::vector<std::string>{});
  }
  // A link that itself stays inside may still not carry later entries away.
  TempDir dir;
  ZipBuilder().link("d", ".").file("d/x.txt", "x").write(dir / "t.zip");
  EXPECT_EQ(raisedBy([&] { extract(dir / "t.zip", dir / "out"); }).number,
            automation::err::kPathFileAccessError);
}

TEST(ZipExtract, NeverWritesThroughLinksAlreadyInTheFolder) {
  TempDir dir;
  fs::create_directories(dir / "outside");
  dir.write("outside/secret.txt", "keep");
  fs::create_directories(dir / "out");
  fs::create_directory_symlink(dir / "outside", dir / "out/sub");
  fs::create_symlink(dir / "outside/secret.txt", dir / "out/f.txt");

  ZipBuilder().file("f.txt", "new").write(dir / "a.zip");
  extract(dir / "a.zip", dir / "out");
  // The link was replaced by the file; its target is untouched.
  EXPECT_FALSE(fs::is_symlink(dir / "out/f.txt"));
  EXPECT_EQ(TempDir::read(dir / "out/f.txt"), "new");
  EXPECT_EQ(TempDir::read(dir / "outside/secret.txt"), "keep");

  ZipBuilder().file("sub/secret.txt", "overwritten").write(dir / "b.zip");
  const Raised r = raisedBy([&] { extract(dir / "b.zip", dir / "out"); });
  EXPECT_EQ(r.number, automation::err::kPathFileAccessError);
  EXPECT_NE(r.description.find("sub/secret.txt"), std::string::npos) << r.description;
  EXPECT_EQ(TempDir::read(dir / "outside/secret.txt"), "keep");
}

// Sets the uncompressed size of the only entry, in its local and central headers.
void patchDeclaredSize(std::string& bytes, uint32_t size) {
  auto put = [&](size_t at) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((size >> (8 * i)) & 0xff);
  };
  ASSERT_EQ(bytes.compare(0, 4, "PK\x03\x04"), 0);
  put(22);
  const size_t central = bytes.find("PK\x01\x02");
  ASSERT_NE(central, std::string::npos);
  put(central + 24);
}

TEST(ZipExtract, StopsAtTheLimitsOnDeclaredAndOnReadSizes) {
  const std::string zeros(200000, '\0');
  {
    TempDir dir;
    ZipBuilder().file("a.bin", zeros).write(dir / "t.zip");
    Limits small;
    small.maxTotalBytes = 100000;
    const Raised r = raisedBy([&] { extract(dir / "t.zip", dir / "out", small); });
    EXPECT_EQ(r.number, automation::err::kPathFileAccessError);
    EXPECT_NE(r.description.find("more than 100000 bytes"), std::string::npos) << r.description;
    EXPECT_EQ(tree(dir / "out"), std::vector<std::string>{});
  }
  {
    TempDir dir;
    ZipBuilder().file("a", "1").file("b", "2").file("c", "3").write(dir / "t.zip");
    Limits two;
    two.maxEntries = 2;
    EXPECT_EQ(raisedBy([&] { extract(dir / "t.zip", dir / "out", two); }).number,
              automation::err::kPathFileAccessError);
    EXPECT_EQ(tree(dir / "out"), std::vector<std::string>{});
  }
  {
    // An archive that declares 10 bytes and inflates to 200000: stopped while reading, and
    // the part written is taken away again.
    TempDir dir;
    ZipBuilder().file("sub/bomb.bin", zeros).write(dir / "t.zip");
    std::string bytes = TempDir::read(dir / "t.zip");
    patchDeclaredSize(bytes, 10);
    dir.write("t.zip", bytes);
    const Raised r = raisedBy([&] { extract(dir / "t.zip", dir / "out"); });
    EXPECT_EQ(r.number, automation::err::kPathFileAccessError);
    EXPECT_NE(r.description.find("sub/bomb.bin"), std::string::npos) << r.description;
    EXPECT_EQ(tree(dir / "out"), std::vector<std::string>{});
  }
}

TEST(ZipExtract, MissingAndDamagedArchives) {
  TempDir dir;
  const Raised missing = raisedBy([&] { extract(dir / "none.zip", dir / "out"); });
  EXPECT_EQ(missing.number, automation::err::kFileNotFound);
  EXPECT_NE(missing.description.find("none.zip"), std::string::npos);

  dir.write("junk.zip", "this is not an archive at all");
  EXPECT_EQ(raisedBy([&] { extract(dir / "junk.zip", dir / "out"); }).number,
            automation::err::kPathFileAccessError);

  ZipBuilder().file("a.txt", std::string(5000, 'a')).write(dir / "cut.zip");
  std::string bytes = TempDir::read(dir / "cut.zip");
  dir.write("cut.zip", bytes.substr(0, bytes.size() / 2));
  EXPECT_EQ(raisedBy([&] { extract(dir / "cut.zip", dir / "out"); }).number,
            automation::err::kPathFileAccessError);

  // Content that does not match its checksum.
  ZipBuilder().file("a.txt", std::string(64, 'a')).write(dir / "crc.zip");
  bytes = TempDir::read(dir / "crc.zip");
  bytes[14] = static_cast<char>(bytes[14] ^ 0x55); // CRC in the local header
  bytes[bytes.find("PK\x01\x02") + 16] = bytes[14];
  dir.write("crc.zip", bytes);
  EXPECT_EQ(raisedBy([&] { extract(dir / "crc.zip", dir / "out"); }).number,
            automation::err::kPathFileAccessError);
  EXPECT_FALSE(fs::exists(dir / "out/a.txt"));
}

TEST(ZipExtract, ExtractorSwitches) {
  TempDir dir;
  ZipBuilder().file("a/one.txt", "new").file("b/two.txt", "2").write(dir / "t.zip");
  dir.write("out/a/one.txt", "old");

  ZipExtractor x;
  x.ArchivePath = dir / "t.zip";
  x.TargetFolder = dir / "out";
  x.UseFolderNames = true;
  x.OverwriteFiles = false;
  const Counts kept = x.Extract();
  EXPECT_EQ(kept.skipped, 1u);
  EXPECT_EQ(TempDir::read(dir / "out/a/one.txt"), "old");
  EXPECT_EQ(TempDir::read(dir / "out/b/two.txt"), "2");

  x.OverwriteFiles = true;
  x.Extract();
  EXPECT_EQ(TempDir::read(dir / "out/a/one.txt"), "new");

  x.UseFolderNames = false;
  x.TargetFolder = dir / "flat";
  x.Extract();
  EXPECT_EQ(tree(dir / "flat"), (std::vector<std::string>{"one.txt", "two.txt"}));
}

} // namespace
} // namespace quillet::platform::archive
