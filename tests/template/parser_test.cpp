#include <gtest/gtest.h>

#include "core/test_env.h"
#include "template/parser.h"

namespace quillet::testing {
namespace {

using namespace templating;

struct Seen {
  int32_t kind;
  std::string name, value, indent;
  bool operator==(const Seen&) const = default;
};

std::vector<Seen> blocksOf(AGParser& p) {
  std::vector<Seen> out;
  for (int32_t i = 1; i <= p.Count(); ++i) {
    p.setBlockID(i);
    out.push_back({p.BlockType(), p.BlockName(), p.BlockValue(), p.BlockIndent()});
  }
  return out;
}

class ParserTest : public CoreTest {
protected:
  Ref<AGParser> parser = platform::automation::makeRef<AGParser>();
};

TEST_F(ParserTest, CutsTextIntoBlocksOfEachKind) {
  struct Case {
    std::string text;
    std::vector<Seen> blocks;
  } cases[] = {
      {"", {}},
      {"plain", {{6, "", "plain", ""}}},
      {"abc<!--##=x##-->def", {{6, "", "abc", ""}, {2, "x", "x", ""}, {6, "", "def", ""}}},
      {"<!--##@ Title ##-->", {{4, "Title", " Title ", ""}}},
      {"<!--##  If a Then##-->", {{1, "", "  If a Then", ""}}},
      {"<!--##$ id##-->", {{5, "id", " id", ""}}},
      {"x \t<!--##~y##-->", {{6, "", "x \t", ""}, {3, "y", "y", " \t"}}},
      {"<!--##=a##--><!--##~b##-->", {{2, "a", "a", ""}, {3, "b", "b", ""}}},
  };
  for (const auto& c : cases) {
    parser->Parse(c.text);
    EXPECT_EQ(blocksOf(*parser), c.blocks) << c.text;
    EXPECT_EQ(parser->BlockID(), parser->Count());
    EXPECT_TRUE(ctx().ProjErr.empty());
  }
}

TEST_F(ParserTest, BlockIdOutsideTheListIsIgnored) {
  parser->Parse("a<!--##=b##-->");
  parser->setBlockID(1);
  parser->setBlockID(0);
  parser->setBlockID(3);
  EXPECT_EQ(parser->BlockID(), 1);
}

TEST_F(ParserTest, IndentBeforeALongContentIsKept) {
  std::string text(40000, 'x');
  text += "   <!--##~v##-->";
  parser->Parse(text);
  parser->setBlockID(2);
  EXPECT_EQ(parser->BlockIndent(), "   ");
}

TEST_F(ParserTest, ErrorsNameLineAndColumnWithTheLinesBefore) {
  parser->Parse("one\r\ntwo\r\n<!--##=a<!--##=b##-->");
  EXPECT_EQ(ctx().ProjErr, "***Nested Blocks found at line 3 column 9! Generation failed!\r\n"
                           "Error lines:\r\none\r\ntwo\r\n<!--##=a<");

  ctx().ProjErr.clear();
  parser->Parse("ok<!--##=a##-->\r\nx <!--##=b");
  EXPECT_EQ(ctx().ProjErr, "***Incomplete Block at line 2 column 3! Generation failed!\r\n"
                           "Error lines:\r\nok<!--##=a##-->\r\nx <");
  EXPECT_EQ(parser->Count(), 3); // the blocks before the error stay

  // A close inside the opening marker has no value of its own.
  ctx().ProjErr.clear();
  parser->Parse("<!--##-->");
  EXPECT_EQ(ctx().ProjErr.rfind("***Incomplete Block at line 1 column 1!", 0), 0u);
  ctx().ProjErr.clear();
  parser->Parse("<!--##=##-->");
  EXPECT_TRUE(ctx().ProjErr.empty());

  // Only the last 11 lines are listed.
  ctx().ProjErr.clear();
  std::string text;
  for (int i = 1; i <= 20; ++i)
    text += "L" + std::to_string(i) + "\r\n";
  parser->Parse(text + "<!--##");
  EXPECT_EQ(ctx().ProjErr.find("L10\r\n"), std::string::npos);
  EXPECT_NE(ctx().ProjErr.find("\r\nL11\r\n"), std::string::npos);
}

TEST_F(ParserTest, SessionsOfAFile) {
  RUZFileCache& cache = SharedFileCache();
  cache.addText("junk<!--##session row##-->first<!--##/session##-->"
                "<!--##SESSION row ##-->\nsecond<!--##/Session##-->"
                "<!--##session Row##-->upper<!--##/session##-->"
                "<!--##session open##-->never closed",
                "f.tpl");
  EXPECT_EQ(cache.GetSession("f.tpl", "row"), "\r\nsecond");
  EXPECT_EQ(cache.GetSession("f.tpl", "Row"), "upper");
  EXPECT_EQ(cache.GetSession("F.tpl", "row"), "");
  EXPECT_EQ(cache.find("f.tpl", "open"), nullptr);
  EXPECT_EQ(cache.size(), 2u);
}

TEST_F(ParserTest, LineEndsBecomeCrLfOnRead) {
  env.write("t.tpl", "<!--##session s##-->a\nb\rc\r\nd<!--##/session##-->");
  SharedFileCache().AddFile(env.path("t.tpl").string(), "t.tpl");
  EXPECT_EQ(SharedFileCache().GetSession("t.tpl", "s"), "a\r\nb\r\nc\r\nd");
  SharedFileCache().AddFile(env.path("missing.tpl").string(), "m.tpl");
  EXPECT_EQ(SharedFileCache().size(), 1u);
}

TEST_F(ParserTest, IncludesExpandRecursively) {
  RUZFileCache& cache = SharedFileCache();
  cache.addText("<!--##session main##-->A<!--##include lib.tpl / head ##-->B"
                "<!--##INCLUDE nofile##-->C<!--##include lib.tpl/none##-->D"
                "<!--##include a/b/c##-->E<!--##/session##-->",
                "main.tpl");
  cache.addText("<!--##session head##-->[<!--##include lib.tpl/inner##-->]<!--##/session##-->"
                "<!--##session inner##-->in<!--##/session##-->",
                "lib.tpl");
  std::string joined;
  for (const auto& piece : parser->GetSession("main.tpl", "main"))
    joined += piece;
  EXPECT_EQ(joined, "A[in]BCDE");
  EXPECT_EQ(parser->GetSession("main.tpl", "absent"), std::vector<std::string>{""});

  cache.addText("<!--##session s##-->x<!--##include a/b##-->", "open.tpl");
  cache.addText("<!--##session s##-->x<!--##include a/b<!--##/session##-->", "open.tpl");
  joined.clear();
  for (const auto& piece : parser->GetSession("open.tpl", "s"))
    joined += piece;
  EXPECT_EQ(joined, "x<!--##include a/b");
  EXPECT_TRUE(ctx().ProjErr.empty());
}

TEST_F(ParserTest, IncludeCycleStopsAndNamesTheChain) {
  RUZFileCache& cache = SharedFileCache();
  cache.addText("<!--##session a##-->1<!--##include g.tpl/b##-->2<!--##/session##-->"
                "<!--##session b##-->3<!--##include g.tpl/a##-->4<!--##/session##-->",
                "g.tpl");
  std::string joined;
  for (const auto& piece : parser->GetSession("g.tpl", "a"))
    joined += piece;
  EXPECT_EQ(joined, "1342");
  EXPECT_NE(ctx().ProjErr.find("g.tpl/a -> g.tpl/b -> g.tpl/a"), std::string::npos)
      << ctx().ProjErr;
}

} // namespace
} // namespace quillet::testing
