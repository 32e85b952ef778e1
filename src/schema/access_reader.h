#pragma once
// The steps of reading an Access file's tables and views, shared by the project loader and
// the schema record reader.
#include <string>
#include <utility>
#include <vector>

#include "platform/data/access.h"
#include "schema/sinks.h"

namespace quillet::schema {

// Columns of a table or view, in catalogue order; a name already taken is not read again.
void readAccessColumns(TableSink& t, const std::vector<data::AccessColumn>& columns);
// Primary key, single-column unique indexes and GUID keys filled by GenGUID().
void readAccessIndexes(TableSink& t, const data::AccessTable& td);

// The key, updatability and view page of a view from its SQL: a view over one table takes
// that table's single-column key, a view over one inner join the key of the side that is
// not joined on its own key. `tables` are the (name, TblKey) pairs the view may read.
void analyzeAccessView(TableSink& view, const std::string& sql,
                       const std::vector<std::pair<std::string, std::string>>& tables);
// "[table].[field]" with outer blanks, one pair of brackets and a table qualifier in front
// of the field dropped.
std::string bracketQualifiedName(const std::string& table, const std::string& field);

// The ProjErr text of an error that ended an Access read.
std::string accessErrorText(int32_t number, const std::string& source,
                            const std::string& description);

} // namespace quillet::schema
