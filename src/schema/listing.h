#pragma once
// The listing of tables and views over an open connection, shared by the project loader and
// the schema record reader.
#include <functional>
#include <optional>
#include <string>

#include "schema/ado_reader.h"

namespace quillet::schema {

// Sets the direct PostgreSQL settings from a data source or connection string; a user or
// password the data source does not store comes from the arguments the caller was given.
void prepareDirectPg(const std::string& dbType, const std::string& dbName,
                     const std::string& connStr, const std::string& uid, const std::string& pwd);

// The Oracle schema whose tables are listed: `wanted` when not empty, else the user's own
// schema when it holds tables, else the one the user chooses (nullopt when the choice was
// cancelled).
std::optional<std::string> chooseOracleSchema(data::Rowset& rs, const std::string& wanted,
                                              const std::string& uid);

// A single table or view asked for is no longer in the catalogue: says so in ProjErr and
// gives the loaders' failure result, 1.
int16_t tableGone(const std::string& name);

// A value read from a catalogue as text: "" for Empty and Null.
std::string textOf(const Variant& v);

struct ListedRow {
  std::string schema, name, type;
};

// Walks the qualifying rows ("TABLE" and "VIEW"; for Oracle only `oracleSchema`'s): counts
// them, then calls `each` for every one whose name is `only` (or every one when `only` is
// empty), with the progress texts and percentages of a whole load when `loadAll`. Returns
// whether a row was handed over.
bool walkListing(AdoSession& s, data::Rowset& rs, const std::string& oracleSchema,
                 const std::string& only, bool loadAll,
                 const std::function<void(const ListedRow&)>& each);

} // namespace quillet::schema
