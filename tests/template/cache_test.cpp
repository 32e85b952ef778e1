#include "template/cache.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/test_env.h"
#include "files/tempdir.h"
#include "platform/automation/convert.h"
#include "template/work.h"

namespace quillet::testing {
namespace {

using namespace templating;
using platform::automation::makeRef;
namespace fs = std::filesystem;

class CacheTest : public CoreTest {
protected:
  std::string folder = env.path("cache").string();
  Ref<RUZCache> fresh() { return makeRef<RUZCache>(folder); }
};

TEST_F(CacheTest, WritesTheIndexAndReadsItBack) {
  Ref<RUZCache> c = fresh();
  EXPECT_TRUE(c->AddCache("template", "template", Variant("2025/01/31 14:05:09"), Variant(12345)));
  // Keys are file paths: reserved characters and non-ASCII names must survive the file.
  c->AddCache("extensionfiles", "ext\\a&b <\"c\">.tpl", Variant("2025/02/01 01:02:03"),
              Variant(7));
  c->AddCache("tpl", "Défaut_vb_list.tpl", Variant("2025/02/01 01:02:03"), Variant(0));
  c->WriteCacheFile();
  EXPECT_EQ(TempDir::read(folder + "/cache.xml"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
            "<Cache Product=\"Brindlewood\" Version=\"4.0\" >\r\n"
            "<CacheEntry Group=\"template\" Key=\"template\" DateTime=\"2025/01/31 14:05:09\" "
            "Size=\"12345\" />\r\n"
            "<CacheEntry Group=\"extensionfiles\" Key=\"ext\\a&amp;b &lt;&quot;c&quot;&gt;.tpl\" "
            "DateTime=\"2025/02/01 01:02:03\" Size=\"7\" />\r\n"
            "<CacheEntry Group=\"tpl\" Key=\"Défaut_vb_list.tpl\" DateTime=\"2025/02/01 01:02:03\" "
            "Size=\"0\" />\r\n"
            "</Cache>\r\n");
  Ref<RUZCache> again = fresh();
  ASSERT_EQ(again->entries().size(), 3u);
  EXPECT_EQ(again->entries()[1].Key, "ext\\a&b <\"c\">.tpl");
  EXPECT_EQ(again->CheckCache("TPL", "Défaut_vb_list.tpl", Variant("2025/02/01 01:02:03"),
                              Variant(0)),
            0);

  again->DeleteAllCache();
  again->WriteCacheFile();
  EXPECT_EQ(TempDir::read(folder + "/cache.xml"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
            "<Cache Product=\"Brindlewood\" Version=\"4.0\" >\r\n</Cache>\r\n");
}

TEST_F(CacheTest, EntriesAreFoundWithoutRegardToCase) {
  Ref<RUZCache> c = fresh();
  c->AddCache("Control", "Control", Variant("2025/01/01 10:00:00"), Variant(10));
  // A date value and its text store the same.
  auto date = platform::automation::makeDate(2025, 1, 1, 10, 0, 5);
  c->AddCache("CONTROL", "control", Variant::fromDate(*date), Variant(11));
  ASSERT_EQ(c->entries().size(), 1u);
  EXPECT_EQ(c->entries()[0].Group, "Control");
  EXPECT_EQ(c->entries()[0].DateTime, "2025/01/01 10:00:05");
  EXPECT_EQ(c->entries()[0].Size, "11");

  struct Case {
    const char* when;
    int size;
    const char* key;
    int16_t expected;
  } cases[] = {
      {"2025/01/01 10:00:05", 11, "control", 0},
      {"2025/01/01 10:00:06", 11, "control", 1},
      {"2025/01/01 10:00:05", 12, "control", 1},
      {"2025/01/01 10:00:05", 11, "other", 2},
  };
  for (const Case& k : cases)
    EXPECT_EQ(c->CheckCache("control", k.key, Variant(k.when), Variant(k.size)), k.expected)
        << k.when << " " << k.size << " " << k.key;

  EXPECT_EQ(platform::automation::CStr(c->GetCacheDate("control", "CONTROL")),
            "2025/01/01 10:00:05");
  Variant none = c->GetCacheDate("control", "nothing");
  EXPECT_EQ(none.asDate().serial, 0.0);

  c->AddCache("tpl", "a.tpl", Variant("2025/01/01 10:00:00"), Variant(1));
  c->AddCache("TPL", "b.tpl", Variant("2025/01/01 10:00:00"), Variant(1));
  EXPECT_FALSE(c->DeleteCache("tpl", "zzz"));
  EXPECT_TRUE(c->DeleteCache("Tpl", "A.TPL"));
  EXPECT_TRUE(c->DeleteCacheGroup("tpl"));
  EXPECT_FALSE(c->DeleteCacheGroup("tpl"));
  EXPECT_EQ(c->entries().size(), 1u);
}

TEST_F(CacheTest, MatchesAGroupAgainstAList) {
  Ref<RUZCache> c = fresh();
  EXPECT_TRUE(c->MatchCacheGroup("extension", ""));
  c->AddCache("extension", "Alpha", Variant("2025/01/01 10:00:00"), Variant(1));
  c->AddCache("extension", "Beta", Variant("2025/01/01 10:00:00"), Variant(1));
  c->AddCache("other", "Gamma", Variant("2025/01/01 10:00:00"), Variant(1));
  struct Case {
    const char* list;
    bool match;
  } cases[] = {
      {"beta\r\nALPHA", true}, {"", false},          {"Alpha", false},
      {"Alpha\r\nBeta\r\nGamma", false},              {"Alpha\r\nBeta\r\n", false},
  };
  for (const Case& k : cases) EXPECT_EQ(c->MatchCacheGroup("Extension", k.list), k.match) << k.list;
}

TEST_F(CacheTest, ReadsWhatItCanAndKeepsDuplicates) {
  fs::create_directories(folder);
  env.write("cache/cache.xml",
            "<?xml version=\"1.0\"?><Cache Product=\"x\" Version=\"9.9\">"
            "<CacheEntry Group=\"g\" Key=\"k\" DateTime=\"first\" Size=\"1\" Other=\"x\"/>"
            "<cacheentry Group=\"g\" Key=\"skipped\"/>"
            "<CacheEntry Group=\"G\" Key=\"K\" DateTime=\"second\"/>"
            "</Cache>");
  Ref<RUZCache> c = fresh();
  ASSERT_EQ(c->entries().size(), 2u);
  EXPECT_EQ(c->entries()[1].Size, "");
  EXPECT_EQ(platform::automation::CStr(c->GetCacheDate("g", "k")), "first");
  c->AddCache("g", "k", Variant("2025/01/01 10:00:00"), Variant(3));
  EXPECT_EQ(c->entries()[1].DateTime, "second");

  for (const char* bad : {"<Other/>", "<Cache><CacheEntry Group=\"g\"", "not xml"}) {
    env.write("cache/cache.xml", bad);
    EXPECT_TRUE(fresh()->entries().empty()) << bad;
  }
}

TEST_F(CacheTest, LivesInTheTemplatesFolderAndMovesAFileAside) {
  templateWork().TemplateName = "Std Template.zip";
  const fs::path templates = env.path("home/Documents/Brindlewood/Templates");
  env.write("home/Documents/Brindlewood/Templates/StdTemplate.zip", "a file in the way");
  Ref<RUZCache> c = makeRef<RUZCache>();
  EXPECT_EQ(c->indexPath(), (templates / "StdTemplate.zip/cache/cache.xml").string());
  EXPECT_TRUE(fs::is_directory(templates / "StdTemplate.zip/cache"));
  int moved = 0;
  for (const auto& e : fs::directory_iterator(templates)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("StdTemplate.zip.", 0) == 0) {
      ++moved;
      EXPECT_EQ(name.size(), std::string("StdTemplate.zip.").size() + 14) << name;
      EXPECT_EQ(TempDir::read(e.path().string()), "a file in the way");
    }
  }
  EXPECT_EQ(moved, 1);
}

TEST_F(CacheTest, ChecksAndRecordsFiles) {
  Ref<RUZCache> c = fresh();
  const std::string file = env.path("usercode.vbs").string();
  EXPECT_EQ(CheckCachedFile(*c, "usercode", "usercode", file), -1);
  RecordCachedFile(*c, "usercode", "usercode", file);
  EXPECT_TRUE(c->entries().empty());
  env.write("usercode.vbs", "abc");
  EXPECT_EQ(CheckCachedFile(*c, "usercode", "usercode", file), 2);
  RecordCachedFile(*c, "usercode", "usercode", file);
  EXPECT_EQ(CheckCachedFile(*c, "usercode", "usercode", file), 0);
  env.write("usercode.vbs", "abcd");
  EXPECT_EQ(CheckCachedFile(*c, "usercode", "usercode", file), 1);
}

} // namespace
} // namespace quillet::testing
