// What writers and copies must never lose: names cut short by a NUL, other appenders' lines,
// a file's owner and links, disk space to killed writers, and copies that never end.
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "files/tempdir.h"
#include "platform/automation/error.h"
#include "platform/automation/interrupt.h"
#include "platform/files/files.h"
#include "support/errors.h"

namespace quillet::platform::files {
namespace {

using automation::Error;
using quillet::testing::Raised;
using quillet::testing::raisedBy;
using quillet::testing::TempDir;
namespace fs = std::filesystem;

std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(folder))
    out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

// The pid of a process that has finished and been reaped.
pid_t deadPid() {
  pid_t pid = ::fork();
  if (pid == 0) ::_exit(0);
  ::waitpid(pid, nullptr, 0);
  return pid;
}

TEST(Integrity, APathWithNulIsRefusedBeforeTheDiskIsTouched) {
  TempDir dir;
  const std::string keep = dir.write("keep.txt", "precious");
  const std::string bad = keep + std::string(1, '\0') + ".bak";
  const std::function<void()> ops[] = {
      [&] { writeFile(bad, "lost"); },
      [&] { appendFile(bad, "lost"); },
      [&] { deleteFile(bad, true); },
      [&] { copyFile(bad, dir / "c.txt"); },
      [&] { copyFile(keep, bad); },
      [&] { readFile(bad); },
      [&] { move(bad, dir / "m.txt"); },
      [&] { joinInside(dir.path(), std::string("keep.txt\0x", 10)); },
      [&] { createFolder(bad); },
      [&] { deleteFolder(dir.path() + '\0' + "x"); },
  };
  for (size_t i = 0; i < std::size(ops); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(raisedBy(ops[i]).number, 52);
  }
  EXPECT_EQ(TempDir::read(keep), "precious");
  EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"keep.txt"});
}

TEST(Integrity, ReplacingKeepsOwnerModeAndHardLinks) {
  TempDir dir;
  const std::string path = dir.write("shared.txt", "old");
  const std::string link = dir / "link.txt";
  ASSERT_EQ(::link(path.c_str(), link.c_str()), 0);
  ::chmod(path.c_str(), 0604);
  writeFile(path, "new contents");
  EXPECT_EQ(TempDir::read(link), "new contents"); // the other name sees the change
  struct stat st {};
  ::stat(path.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0604u);
  EXPECT_EQ(st.st_nlink, 2u);
  writeFile(path, "short"); // a shorter text leaves nothing of the longer one
  EXPECT_EQ(TempDir::read(link), "short");

  if (::geteuid() != 0) GTEST_SKIP() << "giving files to another user needs root";
  const std::string owned = dir.write("owned.txt", "theirs");
  ASSERT_EQ(::chown(owned.c_str(), 4321, 4322), 0);
  writeFile(owned, "still theirs");
  copyFile(path, owned);
  ::stat(owned.c_str(), &st);
  EXPECT_EQ(st.st_uid, 4321u);
  EXPECT_EQ(st.st_gid, 4322u);
  EXPECT_EQ(TempDir::read(owned), "short");
}

// A deferred flush changes when the disk is waited for, nothing else: writes, rewrites in
// place and copies land whole and leave no temporary files, scopes nest, and a flush after
// the written folder is gone still ends cleanly.
TEST(Integrity, DeferredFlushWritesTheSameFiles) {
  TempDir dir;
  const std::string path = dir.write("page.aspx", "old");
  const std::string link = dir / "page-link.aspx";
  ASSERT_EQ(::link(path.c_str(), link.c_str()), 0);
  {
    DeferredSync outer;
    {
      DeferredSync inner;
      writeFile(path, "new page");
      copyFile(path, dir / "copy.aspx");
    }
    writeFile(dir / "fresh.aspx", "fresh");
    outer.flush();
    writeFile(dir / "later.aspx", "later");
  }
  EXPECT_EQ(TempDir::read(link), "new page");
  EXPECT_EQ(TempDir::read(dir / "copy.aspx"), "new page");
  EXPECT_EQ(TempDir::read(dir / "later.aspx"), "later");
  EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"copy.aspx", "fresh.aspx", "later.aspx",
                                                          "page-link.aspx", "page.aspx"}));

  const std::string gone = dir / "gone";
  fs::create_directory(gone);
  DeferredSync scope;
  writeFile(gone + "/x.txt", "x");
  fs::remove_all(gone);
  EXPECT_NO_THROW(scope.flush());
}

TEST(Integrity, TemporaryFilesOfDeadWritersAreRemoved) {
  TempDir dir;
  const std::string stale = dir / (".page.htm." + std::to_string(deadPid()) + ".0badf00d.tmp");
  const std::string live = dir / (".page.htm." + std::to_string(::getppid()) + ".0badf00d.tmp");
  const std::string foreign = dir.write(".notes.1.tmp", "not ours");
  dir.write(fs::path(stale).filename().string(), "half");
  dir.write(fs::path(live).filename().string(), "in progress");
  writeFile(dir / "page.htm", "done");
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(live));
  EXPECT_TRUE(fs::exists(foreign));

  // A writer killed in the middle of its writes leaves at most its own temporary file,
  // which the next writer removes.
  TempDir other;
  const std::string big(4 << 20, 'x');
  pid_t pid = ::fork();
  if (pid == 0) {
    for (;;)
      writeFile(other / "big.bin", big);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  writeFile(other / "after.txt", "x");
  for (const std::string& name : namesIn(other.path()))
    EXPECT_TRUE(name == "big.bin" || name == "after.txt") << name;
}

class ExpiredDeadline : public automation::InterruptSource {
public:
  automation::DeadlineClock::time_point deadline() const override {
    return automation::DeadlineClock::now() - std::chrono::seconds(1);
  }
  [[noreturn]] void expired() const override { automation::raise(6000, "timed out"); }
};

TEST(Integrity, FolderCopiesEndAndStayOutOfThemselves) {
  TempDir dir;
  dir.write("site/a.txt", "A");
  dir.write("site/sub/b.txt", "B");
  fs::create_directory_symlink("..", dir / "site/sub/up");
  fs::create_directory_symlink(dir / "site", dir / "site/self");
  copyFolder(dir / "site", dir / "copy");
  EXPECT_EQ(readFile(dir / "copy/sub/b.txt"), "B");
  EXPECT_TRUE(fs::is_symlink(dir / "copy/sub/up"));
  EXPECT_EQ(fs::read_symlink(dir / "copy/sub/up"), "..");
  EXPECT_TRUE(fs::is_symlink(dir / "copy/self"));
  copyFolder(dir / "site", dir / "copy"); // again: links are replaced, not followed
  EXPECT_TRUE(fs::is_symlink(dir / "copy/self"));

  for (const char* into : {"site", "site/sub/deeper", "SITE/sub", "site/self/x"}) {
    SCOPED_TRACE(into);
    Raised r = raisedBy([&] { copyFolder(dir / "site", dir / into); });
    EXPECT_EQ(r.number, 70);
    EXPECT_NE(r.description.find("site"), std::string::npos);
  }
  EXPECT_FALSE(fs::exists(dir / "site/sub/deeper"));
  EXPECT_EQ(raisedBy([&] { copyFile(dir / "site/a.txt", dir / "site/A.TXT"); }).number, 70);
  EXPECT_EQ(raisedBy([&] { copyFile(dir / "site/a.txt", dir / "site/self/a.txt"); }).number, 70);
  EXPECT_EQ(readFile(dir / "site/a.txt"), "A");

  ExpiredDeadline expired;
  automation::InterruptScope scope(&expired);
  EXPECT_EQ(raisedBy([&] { copyFolder(dir / "site", dir / "late"); }).number, 6000);
}

// Runs f in a child with a 64 KB file system mounted at mountPoint; the child's exit code
// tells what f raised (0 for nothing), 255 when the file system cannot be made here.
int withSmallDisk(const std::string& mountPoint, const std::function<int()>& f) {
  pid_t pid = ::fork();
  if (pid == 0) {
    int flags = CLONE_NEWNS | (::geteuid() == 0 ? 0 : CLONE_NEWUSER);
    if (::unshare(flags) != 0) ::_exit(255);
    ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
    if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0) ::_exit(255);
    ::_exit(f());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 254;
}

TEST(Integrity, AFullDiskIsReportedAgainstTheTarget) {
  TempDir dir;
  const std::string big = dir.write("big.bin", std::string(256 << 10, 'x'));
  fs::create_directories(dir / "small");
  int code = withSmallDisk(dir / "small", [&] {
    Raised r = raisedBy([&] { copyFile(big, dir / "small/big.bin"); });
    bool namesTarget = r.description.find("small/big.bin") != std::string::npos;
    bool leftNothing = namesIn(dir / "small").empty();
    return namesTarget && leftNothing ? r.number : 1;
  });
  if (code == 255) GTEST_SKIP() << "no small file system can be mounted here";
  EXPECT_EQ(code, 61);
}

} // namespace
} // namespace quillet::platform::files
