// The hive loses nothing: not to writers in other processes and threads, not to a form it
// was saved in or a line it cannot read, and not to names that look like its own syntax.
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "core/test_env.h"
#include "platform/registry/registry.h"

namespace quillet::platform::registry {
namespace {

using testing::CoreTest;

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void writeAll(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

class HiveSafety : public CoreTest {
protected:
  static constexpr const char* kKey = "Software\\Brindlewood\\Load";
  static void writeValues(const std::string& prefix, int count) {
    // Every writer works through a registry of its own, as separate programs would.
    Registry r;
    for (int i = 0; i < count; ++i)
      ASSERT_TRUE(r.setValue(Root::CurrentUser, kKey, prefix + std::to_string(i),
                             Value::dword(static_cast<uint32_t>(i))));
  }
  size_t valueCount() {
    Registry fresh;
    auto names = fresh.valueNames(Root::CurrentUser, kKey);
    return names ? names->size() : 0;
  }
};

TEST_F(HiveSafety, ConcurrentWritersLoseNoUpdates) {
  constexpr int kEach = 60;
  std::vector<pid_t> children;
  for (int p = 0; p < 3; ++p) {
    pid_t pid = ::fork();
    if (pid == 0) {
      writeValues("process" + std::to_string(p) + "-", kEach);
      ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(valueCount(), 3u * kEach);

  std::thread a([] { writeValues("threadA-", kEach); });
  std::thread b([] { writeValues("threadB-", kEach); });
  a.join();
  b.join();
  EXPECT_EQ(valueCount(), 5u * kEach);
  // No temporary file is left beside the hive.
  for (const auto& e : std::filesystem::directory_iterator(
           std::filesystem::path(Registry::userHivePath()).parent_path()))
    EXPECT_EQ(e.path().filename(), "user.reg");
}

TEST_F(HiveSafety, EveryFormOfTheFileIsReadAndKept) {
  const std::string path = Registry::userHivePath();
  const std::string text = "[Software\\First]\n\"a\"=\"1\"\n\n[Software\\Second]\n\"b\"=\"2\"\n";
  auto utf16 = [&](bool littleEndian) {
    std::string out = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (char c : text) {
      out += littleEndian ? c : '\0';
      out += littleEndian ? '\0' : c;
    }
    return out;
  };
  for (const std::string& bytes : {"\xEF\xBB\xBF" + text, utf16(true), utf16(false)}) {
    writeAll(path, bytes);
    Registry r;
    ASSERT_TRUE(r.getValue(Root::CurrentUser, "Software\\First", "a"));
    ASSERT_TRUE(r.setValue(Root::CurrentUser, "Software\\Third", "c", Value::string("3")));
    Registry again;
    EXPECT_EQ(again.getValue(Root::CurrentUser, "Software\\First", "a")->text, "1");
    EXPECT_EQ(again.getValue(Root::CurrentUser, "Software\\Second", "b")->text, "2");
  }
}

TEST_F(HiveSafety, AHiveWithUnreadableLinesIsNotWrittenOver) {
  const std::string path = Registry::userHivePath();
  const std::string bytes = "[Software\\Kept]\n\"a\"=\"1\"\n\"b\"=future:\"x\"\n";
  writeAll(path, bytes);
  Registry r;
  EXPECT_EQ(r.getValue(Root::CurrentUser, "Software\\Kept", "a")->text, "1");
  EXPECT_FALSE(r.setValue(Root::CurrentUser, "Software\\Kept", "c", Value::string("2")));
  EXPECT_FALSE(r.createKey(Root::CurrentUser, "Software\\New"));
  EXPECT_EQ(r.lastError(Root::CurrentUser),
            "not written over, as a line of it could not be read: " + path +
                ", line 3: the value cannot be read");
  EXPECT_EQ(readAll(path), bytes);
}

TEST_F(HiveSafety, KeyNamesCannotInjectKeys) {
  Registry r;
  const std::string evil = "x]\n[Software\\Injected]\n\"v\"=\"1\"\n[y";
  for (const std::string& name : {evil, std::string(" padded "), std::string("\"quoted")}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(r.setValue(Root::CurrentUser, "Software\\" + name, "n", Value::string("v")));
    Registry fresh;
    EXPECT_EQ(fresh.getValue(Root::CurrentUser, "Software\\" + name, "n")->text, "v");
    EXPECT_FALSE(fresh.keyExists(Root::CurrentUser, "Software\\Injected"));
  }
  EXPECT_EQ(Registry().subKeys(Root::CurrentUser, "Software")->size(), 3u);
}

// Runs f on a thread with a small stack, where recursion over a deep tree would overflow.
void onSmallStack(void (*f)()) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, 1 << 20);
  pthread_t thread;
  ASSERT_EQ(pthread_create(
                &thread, &attr,
                [](void* fn) -> void* {
                  reinterpret_cast<void (*)()>(fn)();
                  return nullptr;
                },
                reinterpret_cast<void*>(f)),
            0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

TEST_F(HiveSafety, DeepAndWideHivesAreHandledWithoutRecursion) {
  onSmallStack([] {
    constexpr int kDepth = 200'000;
    Key root;
    Key* k = &root;
    for (int i = 0; i < kDepth; ++i)
      k = &k->childOrCreate("k");
    k->setValue("leaf", Value::string("deep"));
    Key again;
    EXPECT_EQ(Hive::parse(Hive::serialise(root), again), "");
    const Key* d = &again;
    int depth = 0;
    while (!d->subkeys.empty()) {
      d = d->subkeys.front().get();
      ++depth;
    }
    EXPECT_EQ(depth, kDepth);
    EXPECT_EQ(d->value("leaf")->text, "deep");
    root = Key{}; // both trees are freed on the small stack
  });
  std::string text;
  for (int i = 0; i < 100'000; ++i)
    text += "[Software\\Wide\\Key" + std::to_string(i) + "]\n\"v\"=dword:00000001\n";
  Key wide;
  EXPECT_EQ(Hive::parse(text, wide), "");
  const Key* w = wide.child("software")->child("WIDE");
  ASSERT_TRUE(w);
  EXPECT_EQ(w->subkeys.size(), 100'000u);
  EXPECT_TRUE(w->child("KEY99999"));
  Key* parent = wide.child("Software")->child("Wide");
  EXPECT_TRUE(parent->eraseChild("key500"));
  EXPECT_FALSE(parent->child("Key500"));
  EXPECT_TRUE(parent->child("Key501"));
}

} // namespace
} // namespace quillet::platform::registry
