#pragma once
// Template text: the block parser and the template file cache of named sessions.
//
// A template file holds sessions between "<!--##session NAME##-->" and "<!--##/session##-->";
// a session's text may include another session with "<!--##include FILE/SESSION##-->" and
// is cut into blocks: content, and markers between "<!--##" and "##-->" whose first
// character gives their kind ("=", "~", "@", "$", anything else a script block).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/members.h"

namespace quillet::templating {

namespace automation = ::quillet::platform::automation;
using automation::Ref;
using automation::Variant;

enum agc_Block_Type : int32_t {
  agc_Block_Script = 1,
  agc_Block_Function = 2,
  agc_Block_FunctionIndent = 3,
  agc_Block_Language = 4,
  agc_Block_LanguageDynamic = 5,
  agc_Block_Content = 6,
};

// Where a piece of session text starts in its template file (line and column from 1).
struct TextOrigin {
  std::string file;
  int32_t line = 1;
  int32_t column = 1;
};

class AGParser : public automation::Object {
  QUILLET_OBJECT(AGParser)
public:
  struct Block {
    int32_t kind = 0;
    std::string name;
    size_t start = 0; // byte offset of the value in the parsed text
    size_t length = 0;
    std::string indent;
  };

  int32_t BlockType() const { return current() ? current()->kind : 0; }
  std::string BlockName() const { return current() ? current()->name : std::string(); }
  std::string BlockValue() const;
  std::string BlockIndent() const { return current() ? current()->indent : std::string(); }
  int32_t BlockID() const { return blockId_; }
  // Values outside 1..Count are ignored.
  void setBlockID(int32_t id);
  int32_t Count() const { return static_cast<int32_t>(blocks_.size()); }

  // Cuts the text into blocks. A marker without its end or with another marker inside
  // stops the parse with the blocks found so far and the error in ProjErr.
  void Parse(const std::string& sSrc);

  // After a Parse without error: a script block that is a session or include marker left in
  // the text being compiled (a session opened inside another, a stray "/session", an include
  // in a text whose includes are not expanded) would only fail later as script. It stops
  // here with the parse errors' report naming its line and column; false then.
  bool checkLeftMarkers();

  // The session's text with its includes expanded, as pieces whose concatenation is the
  // text. An include that would expand a session already being expanded is left out and
  // named with its chain in ProjErr.
  std::vector<std::string> GetSession(const std::string& sFileID, const std::string& sSessID);
  // The origins of the pieces of the last GetSession, one per piece.
  const std::vector<TextOrigin>& origins() const { return origins_; }
  // Line and column (from 1) of the marker of the last parse error; 0 when none.
  int32_t errorLine() const { return errorLine_; }
  int32_t errorColumn() const { return errorColumn_; }

  const std::vector<Block>& blocks() const { return blocks_; }

private:
  const Block* current() const {
    return blockId_ >= 1 && blockId_ <= Count() ? &blocks_[blockId_ - 1] : nullptr;
  }
  void fail(const char* what, size_t markerPos);
  void expand(const std::string& file, const std::string& session, std::vector<std::string>& out,
              std::vector<std::string>& chain);

  std::string text_;
  std::vector<Block> blocks_;
  int32_t blockId_ = 0;
  std::vector<TextOrigin> origins_;
  int32_t errorLine_ = 0;
  int32_t errorColumn_ = 0;
};

// Sessions of the template files of the run in progress: rows of (file name, session name,
// text), names compared exactly, in the order of storing.
class RUZFileCache : public automation::Object {
  QUILLET_OBJECT(RUZFileCache)
public:
  void Clear() { rows_.clear(); }
  // Stores every session of the file at FilePath under FileName; a missing file adds
  // nothing. Line ends are made CR LF, whatever the file uses, so templates written with
  // LF or CR lines compile like the others.
  void AddFile(const std::string& FilePath, const std::string& FileName);
  // Stores the sessions of a text already read.
  void addText(const std::string& text, const std::string& FileName);
  std::string GetSession(const std::string& FileName, const std::string& SessName) const;
  const std::string* find(const std::string& FileName, const std::string& SessName) const;
  // Where the session's text starts in its file.
  TextOrigin origin(const std::string& FileName, const std::string& SessName) const;
  size_t size() const { return rows_.size(); }

private:
  struct Row {
    std::string file, session, text;
    int32_t line = 1, column = 1;
  };
  std::vector<Row> rows_;
};

// The thread's template file cache, created on first use.
RUZFileCache& SharedFileCache();

// Every lone LF and lone CR becomes CR LF.
std::string normalizeLineEnds(std::string_view text);

} // namespace quillet::templating
