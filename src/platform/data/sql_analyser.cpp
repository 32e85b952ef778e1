#include "platform/data/sql_analyser.h"

#include "platform/data/sql_text.h"
#include "platform/text/casefold.h"

namespace quillet::platform::data {

namespace {

using Tokens = std::vector<SqlToken>;

bool isClauseEnd(const SqlToken& t) {
  static const char* words[] = {"WHERE",  "GROUP", "HAVING", "ORDER",  "UNION", "INTERSECT",
                                "EXCEPT", "MINUS", "LIMIT",  "OFFSET", "FETCH", "FOR",
                                "WINDOW", "PIVOT", "WITH",   "PLAN"};
  for (const char* w : words)
    if (t.isWord(w)) return true;
  return false;
}

bool isJoinWord(const SqlToken& t) {
  return t.isWord("JOIN") || t.isWord("INNER") || t.isWord("LEFT") || t.isWord("RIGHT") ||
         t.isWord("FULL") || t.isWord("CROSS") || t.isWord("OUTER") || t.isWord("NATURAL");
}

bool isAggregate(const SqlToken& t) {
  static const char* words[] = {"SUM",     "COUNT",        "AVG",        "MIN",       "MAX",
                                "FIRST",   "LAST",         "STDEV",      "STDEVP",    "VAR",
                                "VARP",    "GROUP_CONCAT", "STRING_AGG", "ARRAY_AGG", "LISTAGG",
                                "BIT_AND", "BIT_OR",       "BOOL_AND",   "BOOL_OR",   "EVERY"};
  for (const char* w : words)
    if (t.isWord(w)) return true;
  return false;
}

// Keywords that cannot be an alias written without AS.
bool isReserved(const SqlToken& t) {
  static const char* words[] = {
      "FROM",    "WHERE",   "AND",       "OR",     "NOT",   "ON",    "AS",       "JOIN",
      "INNER",   "LEFT",    "RIGHT",     "FULL",   "CROSS", "OUTER", "GROUP",    "ORDER",
      "HAVING",  "UNION",   "SELECT",    "BY",     "IS",    "NULL",  "LIKE",     "IN",
      "BETWEEN", "CASE",    "WHEN",      "THEN",   "ELSE",  "END",   "DISTINCT", "LIMIT",
      "USING",   "NATURAL", "INTERSECT", "EXCEPT", "INTO"};
  if (t.kind != SqlToken::Word) return false;
  for (const char* w : words)
    if (t.isWord(w)) return true;
  return false;
}

// The parts of a dotted name starting at i ("a", "a.b", "s.t.c", "t.*"); returns the index
// after it, or i when there is no name.
size_t dottedName(const Tokens& t, size_t i, size_t end, std::vector<std::string>& parts,
                  bool& star) {
  parts.clear();
  star = false;
  size_t k = i;
  if (k < end && t[k].isSymbol('*')) {
    star = true;
    return k + 1;
  }
  if (k >= end || !t[k].isName()) return i;
  parts.push_back(t[k].text);
  ++k;
  while (k + 1 < end + 1 && k < end && t[k].isSymbol('.')) {
    if (k + 1 < end && t[k + 1].isName()) {
      parts.push_back(t[k + 1].text);
      k += 2;
    } else if (k + 1 < end && t[k + 1].isSymbol('*')) {
      star = true;
      return k + 2;
    } else {
      break;
    }
  }
  return k;
}

struct Ctx {
  std::string_view sql;
  const Tokens& t;
  std::string text(size_t from, size_t to) const { // tokens [from, to)
    if (from >= to) return {};
    size_t a = t[from].offset, b = t[to - 1].offset + t[to - 1].length;
    return std::string(sql.substr(a, b - a));
  }
};

std::string upper(std::string_view s) {
  return text::toUpper(s);
}

void parseItem(const Ctx& c, size_t from, size_t to, SelectAnalysis& out) {
  const Tokens& t = c.t;
  SelectItem item;
  size_t exprEnd = to;
  // Alias: "expr AS name" or "expr name".
  if (to - from >= 3 && t[to - 2].isWord("AS") &&
      (t[to - 1].isName() || t[to - 1].kind == SqlToken::String)) {
    item.outputName = t[to - 1].text;
    item.hasAlias = true;
    exprEnd = to - 2;
  } else if (to - from >= 2 && t[to - 1].isName() && !isReserved(t[to - 1]) &&
             !t[to - 2].isSymbol('.') &&
             (t[to - 2].isName() || t[to - 2].isSymbol(')') || t[to - 2].kind == SqlToken::String ||
              t[to - 2].kind == SqlToken::Number)) {
    item.outputName = t[to - 1].text;
    item.hasAlias = true;
    exprEnd = to - 1;
  }
  item.expression = c.text(from, exprEnd);
  for (size_t k = from; k < exprEnd; ++k)
    if (isAggregate(t[k]) && k + 1 < exprEnd && t[k + 1].isSymbol('(')) out.aggregates = true;
  std::vector<std::string> parts;
  bool star = false;
  size_t after = dottedName(t, from, exprEnd, parts, star);
  if (after == exprEnd && (star || !parts.empty())) {
    item.isColumn = !star;
    item.isStar = star;
    if (star) {
      item.sourceColumn = "*";
      if (!parts.empty()) item.qualifier = parts.back();
    } else {
      item.sourceColumn = parts.back();
      if (parts.size() >= 2) item.qualifier = parts[parts.size() - 2];
      if (!item.hasAlias) item.outputName = item.sourceColumn;
    }
  } else if (!item.hasAlias) {
    item.outputName = item.expression; // drivers name computed columns in their own ways
  }
  out.items.push_back(std::move(item));
}

// Reads one source at i (name [AS] alias, or "(SELECT ...) alias"); returns the next index.
size_t parseSource(const Ctx& c, size_t i, size_t end, SelectAnalysis& out) {
  const Tokens& t = c.t;
  SelectSource s;
  if (i < end && t[i].isSymbol('(')) {
    // A subquery: skip to its closing parenthesis.
    int depth = 0;
    size_t k = i;
    for (; k < end; ++k) {
      if (t[k].isSymbol('('))
        ++depth;
      else if (t[k].isSymbol(')') && --depth == 0)
        break;
    }
    s.isSubquery = true;
    s.name = c.text(i, std::min(k + 1, end));
    i = std::min(k + 1, end);
  } else {
    std::vector<std::string> parts;
    bool star = false;
    size_t after = dottedName(t, i, end, parts, star);
    if (after == i || parts.empty()) return i + 1;
    s.name = parts.back();
    i = after;
  }
  if (i < end && t[i].isWord("AS")) ++i;
  if (i < end && t[i].isName() && !isReserved(t[i]) && !isJoinWord(t[i])) {
    s.alias = t[i].text;
    ++i;
  }
  out.sources.push_back(std::move(s));
  return i;
}

std::string resolveTable(const SelectAnalysis& a, const std::string& qualifier) {
  for (const auto& s : a.sources)
    if (!s.alias.empty() && text::equalsNoCase(s.alias, qualifier))
      return s.isSubquery ? "" : s.name;
  for (const auto& s : a.sources)
    if (!s.isSubquery && text::equalsNoCase(s.name, qualifier)) return s.name;
  return {};
}

void parseFrom(const Ctx& c, size_t i, size_t end, SelectAnalysis& out) {
  const Tokens& t = c.t;
  std::string pendingJoin;
  bool expectSource = true;
  while (i < end) {
    const SqlToken& tok = t[i];
    if (tok.isSymbol('(') &&
        !(i + 1 < end && (t[i + 1].isWord("SELECT") || t[i + 1].isWord("WITH")))) {
      ++i; // Access nests joins in parentheses
      continue;
    }
    if (tok.isSymbol(')')) {
      ++i;
      continue;
    }
    if (tok.isSymbol(',')) {
      out.joins.push_back({"CROSS", "", "", "", ""});
      expectSource = true;
      ++i;
      continue;
    }
    if (isJoinWord(tok)) {
      std::string type = "INNER";
      while (i < end && isJoinWord(t[i]) && !t[i].isWord("JOIN")) {
        if (!t[i].isWord("OUTER") && !t[i].isWord("NATURAL")) type = upper(t[i].text);
        ++i;
      }
      if (i < end && t[i].isWord("JOIN")) ++i;
      pendingJoin = type;
      out.joins.push_back({type, "", "", "", ""});
      expectSource = true;
      continue;
    }
    if (tok.isWord("ON")) {
      // The first "a.x = b.y" of the condition gives the join's sides.
      ++i;
      std::vector<std::string> left, right;
      bool star = false;
      size_t k = dottedName(t, i, end, left, star);
      if (k > i && k < end && t[k].isSymbol('=')) {
        size_t k2 = dottedName(t, k + 1, end, right, star);
        if (k2 > k + 1 && !out.joins.empty()) {
          SelectJoin& j = out.joins.back();
          j.leftField = left.back();
          j.leftTable = left.size() >= 2 ? left[left.size() - 2] : "";
          j.rightField = right.back();
          j.rightTable = right.size() >= 2 ? right[right.size() - 2] : "";
        }
      }
      // Skip the rest of the condition.
      int depth = 0;
      while (i < end) {
        if (t[i].isSymbol('('))
          ++depth;
        else if (t[i].isSymbol(')')) {
          if (depth == 0) break;
          --depth;
        } else if (depth == 0 && (isJoinWord(t[i]) || t[i].isSymbol(',')))
          break;
        ++i;
      }
      continue;
    }
    if (tok.isWord("USING")) {
      ++i;
      continue;
    }
    if (expectSource) {
      i = parseSource(c, i, end, out);
      expectSource = false;
      continue;
    }
    ++i;
  }
  // Join sides are written with aliases; name the real tables.
  for (auto& j : out.joins) {
    if (!j.leftTable.empty())
      if (auto r = resolveTable(out, j.leftTable); !r.empty()) j.leftTable = r;
    if (!j.rightTable.empty())
      if (auto r = resolveTable(out, j.rightTable); !r.empty()) j.rightTable = r;
  }
}

} // namespace

bool SelectAnalysis::updatable() const {
  return !distinct && !groupBy && !aggregates && !setOperation && !crosstab;
}

const SelectItem* SelectAnalysis::find(std::string_view name) const {
  for (const auto& i : items)
    if (i.outputName == name) return &i;
  for (const auto& i : items)
    if (text::equalsNoCase(i.outputName, name)) return &i;
  return nullptr;
}

SelectAnalysis analyseSelect(std::string_view sql, const ColumnLookup& hasColumn) {
  SelectAnalysis out;
  Tokens t = tokenizeSql(sql);
  while (!t.empty() && t.back().isSymbol(';'))
    t.pop_back();
  Ctx c{sql, t};
  size_t i = 0;
  if (i < t.size() && t[i].isWord("TRANSFORM")) {
    out.crosstab = true;
    while (i < t.size() && !t[i].isWord("SELECT"))
      ++i;
  }
  while (i < t.size() && t[i].isSymbol('('))
    ++i;
  if (i >= t.size() || !t[i].isWord("SELECT")) return out;
  ++i;
  // Modifiers.
  for (;;) {
    if (i < t.size() && t[i].isWord("DISTINCT"))
      out.distinct = true, ++i;
    else if (i < t.size() && (t[i].isWord("DISTINCTROW") || t[i].isWord("ALL")))
      ++i;
    else if (i < t.size() && t[i].isWord("TOP")) {
      ++i;
      if (i < t.size() && t[i].isSymbol('(')) {
        while (i < t.size() && !t[i].isSymbol(')'))
          ++i;
      }
      ++i;
      if (i < t.size() && t[i].isWord("PERCENT")) ++i;
    } else
      break;
  }
  // The select list runs to FROM at depth 0.
  size_t listStart = i;
  int depth = 0;
  size_t itemStart = i;
  for (; i < t.size(); ++i) {
    if (t[i].isSymbol('('))
      ++depth;
    else if (t[i].isSymbol(')'))
      --depth;
    else if (depth == 0 && t[i].isSymbol(',')) {
      parseItem(c, itemStart, i, out);
      itemStart = i + 1;
    } else if (depth == 0 && (t[i].isWord("FROM") || t[i].isWord("INTO") || isClauseEnd(t[i])))
      break;
  }
  if (itemStart < i) parseItem(c, itemStart, i, out);
  if (out.items.empty() || i == listStart) return out;
  if (i < t.size() && t[i].isWord("INTO")) return out; // SELECT ... INTO is no query
  if (i < t.size() && t[i].isWord("FROM")) {
    ++i;
    size_t fromStart = i;
    depth = 0;
    for (; i < t.size(); ++i) {
      if (t[i].isSymbol('('))
        ++depth;
      else if (t[i].isSymbol(')'))
        --depth;
      else if (depth == 0 && isClauseEnd(t[i]))
        break;
    }
    parseFrom(c, fromStart, i, out);
  }
  // Remaining clauses at depth 0.
  depth = 0;
  for (; i < t.size(); ++i) {
    if (t[i].isSymbol('('))
      ++depth;
    else if (t[i].isSymbol(')'))
      --depth;
    else if (depth == 0) {
      if (t[i].isWord("GROUP") || t[i].isWord("HAVING")) out.groupBy = true;
      if (t[i].isWord("UNION") || t[i].isWord("INTERSECT") || t[i].isWord("EXCEPT") ||
          t[i].isWord("MINUS"))
        out.setOperation = true;
      if (t[i].isWord("PIVOT")) out.crosstab = true;
    }
  }
  // Attribute columns to their tables.
  for (auto& item : out.items) {
    if (!item.isColumn && !item.isStar) continue;
    if (!item.qualifier.empty()) {
      item.sourceTable = resolveTable(out, item.qualifier);
    } else if (out.sources.size() == 1 && !out.sources[0].isSubquery) {
      item.sourceTable = out.sources[0].name;
    } else if (hasColumn && item.isColumn) {
      for (const auto& s : out.sources)
        if (!s.isSubquery && hasColumn(s.name, item.sourceColumn)) {
          item.sourceTable = s.name;
          break;
        }
    }
  }
  out.parsed = true;
  return out;
}

// ---- SqlParser ------------------------------------------------------------------------

bool SqlParser::parse(const std::string& sql, int, const Rowset* described) {
  analysis_ = analyseSelect(sql);
  if (!described) return analysis_.parsed;
  // The driver knows the columns' origins better than a text analysis; where it names them,
  // its answer wins. A star in the text expands to the described columns.
  std::vector<SelectItem> items;
  for (const auto& col : described->columns()) {
    SelectItem item;
    if (const SelectItem* p = analysis_.parsed ? analysis_.find(col.name) : nullptr) item = *p;
    item.outputName = col.name;
    if (!col.baseColumn.empty() && !col.baseTable.empty()) {
      item.sourceTable = col.baseTable;
      item.sourceColumn = col.baseColumn;
      item.isColumn = true;
      if (item.expression.empty()) item.expression = col.baseTable + "." + col.baseColumn;
      if (!item.hasAlias) item.hasAlias = col.baseColumn != col.name;
    } else if (item.expression.empty()) {
      continue; // neither the text nor the driver knows it
    }
    items.push_back(std::move(item));
  }
  analysis_.items = std::move(items);
  analysis_.parsed = true;
  return true;
}

void SqlParser::lookup(const std::string& name, std::string& sourceName, std::string& sourceTable,
                       std::string& sourceField, bool& alias) const {
  sourceName.clear();
  sourceTable.clear();
  sourceField.clear();
  alias = false;
  std::string key = name;
  // A name passed with identifier quotes is looked up without them.
  if (key.size() >= 2 &&
      ((key.front() == '[' && key.back() == ']') || (key.front() == '"' && key.back() == '"') ||
       (key.front() == '`' && key.back() == '`')))
    key = key.substr(1, key.size() - 2);
  const SelectItem* item = analysis_.find(key);
  if (!item || item->isStar) return;
  sourceName = item->expression;
  sourceTable = item->sourceTable;
  sourceField = item->isColumn ? item->sourceColumn : "";
  alias = item->hasAlias;
}

QUILLET_DEFINE_CLASS(SqlParser) {
  b.method("Parse", [](SqlParser& p, std::string sql, int16_t kind) { return p.parse(sql, kind); })
      .method("Lookup", [](SqlParser& p, std::string name, Variant& sourceName,
                           Variant& sourceTable, Variant& sourceField, Variant& alias) {
        std::string n, t, f;
        bool a = false;
        p.lookup(name, n, t, f, a);
        sourceName = Variant(n);
        sourceTable = Variant(t);
        sourceField = Variant(f);
        alias = Variant(a);
      });
}

// ---- ViewSqlAnalyzer ------------------------------------------------------------------

const SelectJoin& ViewSqlAnalyzer::join() const {
  static const SelectJoin none;
  return current_ < analysis_.joins.size() ? analysis_.joins[current_] : none;
}

QUILLET_DEFINE_CLASS(ViewSqlAnalyzer) {
  b.method("Analyze", [](ViewSqlAnalyzer& a, std::string sql) { a.analyze(sql); })
      .get("JoinCount", [](ViewSqlAnalyzer& a) { return a.joinCount(); })
      .method("SelectFirstJoin", [](ViewSqlAnalyzer& a) { a.selectFirstJoin(); })
      .get("LeftTable", [](ViewSqlAnalyzer& a) { return a.leftTable(); })
      .get("LeftField", [](ViewSqlAnalyzer& a) { return a.leftField(); })
      .get("RightTable", [](ViewSqlAnalyzer& a) { return a.rightTable(); })
      .get("RightField", [](ViewSqlAnalyzer& a) { return a.rightField(); })
      .get("IsUpdatable", [](ViewSqlAnalyzer& a) { return a.isUpdatable(); })
      .get("SourceTable", [](ViewSqlAnalyzer& a) { return a.sourceTable(); })
      .get("JoinType", [](ViewSqlAnalyzer& a) { return a.joinType(); });
}

} // namespace quillet::platform::data
