#pragma once
// A small SELECT analyser: for each output column of a query, the table and column it comes
// from; the query's sources and joins; whether its rows can be updated. It serves custom
// views (the source of each field) and Access views (their key), and falls back on the
// driver's own base-table/base-column descriptions when the text is beyond it.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/members.h"
#include "platform/data/rowset.h"

namespace quillet::platform::data {

struct SelectItem {
  std::string outputName;   // the alias, or the column's own name
  std::string expression;   // the item as written (without its alias)
  std::string qualifier;    // the table or alias written before the column, if any
  std::string sourceTable;  // the real table ("" for expressions or unknown)
  std::string sourceColumn; // the column ("*" for a star)
  bool hasAlias = false;
  bool isColumn = false; // a plain column reference
  bool isStar = false;
};

struct SelectSource {
  std::string name;  // table or query name (last part of a qualified name)
  std::string alias; // "" when none
  bool isSubquery = false;
};

struct SelectJoin {
  std::string type; // "INNER", "LEFT", "RIGHT", "FULL", "CROSS" (a comma)
  std::string leftTable, leftField, rightTable, rightField; // of the first "a.x = b.y" of ON
};

struct SelectAnalysis {
  bool parsed = false;
  bool distinct = false;
  bool groupBy = false;
  bool aggregates = false;
  bool setOperation = false; // UNION, INTERSECT, EXCEPT
  bool crosstab = false;     // TRANSFORM ... PIVOT
  std::vector<SelectItem> items;
  std::vector<SelectSource> sources;
  std::vector<SelectJoin> joins;

  // No DISTINCT, grouping, aggregate, set operation or crosstab (DISTINCTROW and TOP keep
  // rows updatable).
  bool updatable() const;
  // The item of an output name, without regard to case; nullptr when none.
  const SelectItem* find(std::string_view outputName) const;
};

// Tells whether a table has a column; lets unqualified columns of joins be attributed.
using ColumnLookup = std::function<bool(const std::string& table, const std::string& column)>;

SelectAnalysis analyseSelect(std::string_view sql, const ColumnLookup& hasColumn = {});

// The custom-view lineage component: Parse(text, kind) then Lookup(name, &sourceName,
// &sourceTable, &sourceField, &alias).
class SqlParser : public automation::Object {
  QUILLET_OBJECT(SqlParser)
public:
  // True when the text was understood. `described`, when given, is the driver's description
  // of the same statement; its base table and column win over the text analysis.
  bool parse(const std::string& sql, int kind, const Rowset* described = nullptr);
  // Empty source name when the column is unknown.
  void lookup(const std::string& name, std::string& sourceName, std::string& sourceTable,
              std::string& sourceField, bool& alias) const;
  const SelectAnalysis& analysis() const { return analysis_; }

private:
  SelectAnalysis analysis_;
};

// The Access view analyser: Analyze(sql), then JoinCount, SelectFirstJoin, LeftTable,
// LeftField, RightTable, RightField, IsUpdatable, SourceTable, JoinType.
class ViewSqlAnalyzer : public automation::Object {
  QUILLET_OBJECT(ViewSqlAnalyzer)
public:
  void analyze(const std::string& sql) {
    analysis_ = analyseSelect(sql);
    current_ = 0;
  }
  int32_t joinCount() const { return static_cast<int32_t>(analysis_.joins.size()); }
  void selectFirstJoin() { current_ = 0; }
  std::string leftTable() const { return join().leftTable; }
  std::string leftField() const { return join().leftField; }
  std::string rightTable() const { return join().rightTable; }
  std::string rightField() const { return join().rightField; }
  bool isUpdatable() const { return analysis_.parsed && analysis_.updatable(); }
  std::string sourceTable() const {
    return analysis_.sources.size() == 1 && !analysis_.sources[0].isSubquery
               ? analysis_.sources[0].name
               : "";
  }
  std::string joinType() const { return join().type; }

private:
  const SelectJoin& join() const;
  SelectAnalysis analysis_;
  size_t current_ = 0;
};

} // namespace quillet::platform::data
