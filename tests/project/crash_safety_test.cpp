// A save killed at any moment leaves the project file either as it was or as it was about to
// become, never torn.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "files/tempdir.h"
#include "model/database.h"
#include "platform/automation/context.h"
#include "project/project_env.h"
#include "project/project_file.h"

using namespace quillet;
using namespace quillet::testing;
using platform::automation::Variant;
using project::RUZ;

namespace {

class CrashSafety : public ProjectTest {};

TEST_F(CrashSafety, KilledSavesLeaveTheOldOrTheNewFile) {
  RUZ p;
  p.AddProj("Crash");
  p.setAutoSync(false);
  p.Databases()->Add("db");
  p.useDatabase("db");
  // Large enough that a save takes a while, so kills land in the middle of writing.
  for (int t = 0; t < 20; ++t) {
    std::string name = "Table" + std::to_string(t);
    p.DB()->Tables()->Add(name);
    auto table = p.DB()->Tables()->Item(Variant(name));
    for (int f = 0; f < 10; ++f)
      table->Fields()->Add(name, "Field" + std::to_string(f));
  }
  const std::string path = env.path("crash.kvz").string();
  p.setBodyTitle("A");
  const std::string a = project::projectFileText(p);
  p.setBodyTitle("B");
  const std::string b = project::projectFileText(p);
  p.setBodyTitle("A");
  auto started = std::chrono::steady_clock::now();
  p.Save(path);
  p.Save(path);
  ASSERT_EQ(ctx().ProjErr, "");
  // Kills land anywhere in the first two saves of the child.
  auto saveTime = std::chrono::duration_cast<std::chrono::microseconds>(
                      std::chrono::steady_clock::now() - started) /
                  2;

  std::mt19937 random(12345);
  std::uniform_int_distribution<int64_t> delay(0, 2 * saveTime.count());
  int changed = 0;
  int rounds = 0;
  // On a loaded machine the child's saves run slower than the parent measured them, and the
  // kills can all land on one side of a save: further rounds then wait longer, up to a limit.
  for (int round = 0; round < 200 && (round < 50 || changed == 0 || changed == round);
       ++round, ++rounds) {
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(pipeFds[0]);
      for (int i = 0;; ++i) {
        p.setBodyTitle(i % 2 == 0 ? "B" : "A");
        p.Save(path);
        // The first complete save is announced; the kill comes during a later one.
        if (i == 0 && ::write(pipeFds[1], "s", 1) != 1) ::_exit(1);
      }
    }
    ::close(pipeFds[1]);
    char started = 0;
    ASSERT_EQ(::read(pipeFds[0], &started, 1), 1);
    ::close(pipeFds[0]);
    ::usleep(static_cast<useconds_t>(delay(random) * (1 + round / 50)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    std::string now = TempDir::read(path);
    ASSERT_TRUE(now == a || now == b) << "round " << round << ": " << now.size() << " bytes";
    changed += now == b;
    if (round % 10 == 0) {
      RUZ loaded;
      loaded.Load(path);
      ASSERT_EQ(ctx().ProjErr, "") << "round " << round;
      EXPECT_EQ(loaded.DB()->Tables()->Count(), 20);
    }
  }
  // Both versions load, so every state the file was found in does.
  for (const std::string* version : {&a, &b}) {
    env.write("copy.kvz", *version);
    RUZ loaded;
    loaded.Load(env.path("copy.kvz").string());
    EXPECT_EQ(ctx().ProjErr, "");
  }
  // Kills found both versions, so they landed at different points of the saves.
  EXPECT_GT(changed, 0);
  EXPECT_LT(changed, rounds);
}

} // namespace
