#include "schema/listing.h"

#include <algorithm>

#include "core/dialect.h"
#include "core/state.h"
#include "core/status.h"
#include "core/text_helpers.h"
#include "platform/automation/context.h"
#include "platform/automation/convert.h"
#include "platform/text/casefold.h"
#include "platform/ui/ui.h"

namespace quillet::schema {

std::string textOf(const Variant& v) {
  if (v.isEmpty() || v.isNull()) return {};
  try {
    return automation::CStr(v);
  } catch (const automation::Error&) {
    return {};
  }
}

int16_t tableGone(const std::string& name) {
  core::state().setProjErr("Table or view '" + name + "' is not in the database any more.");
  return 1;
}

void prepareDirectPg(const std::string& dbType, const std::string& dbName,
                     const std::string& connStr, const std::string& uid, const std::string& pwd) {
  ReaderState& st = readerState();
  if (dbType == "ODBC") {
    readServerDsn(dbName);
    if (!connStr.empty()) parseConnectionString(connStr);
  } else if (!connStr.empty()) {
    parseConnectionString(connStr);
  }
  if (st.pgUser.empty()) st.pgUser = uid;
  if (st.pgPassword.empty()) st.pgPassword = pwd;
}

std::optional<std::string> chooseOracleSchema(data::Rowset& rs, const std::string& wanted,
                                              const std::string& uid) {
  ReaderState& st = readerState();
  st.schemaList.assign(1, "");
  std::string want = !wanted.empty() ? wanted : platform::text::toUpper(uid);
  bool found = false;
  for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
    if (textOf(rs.value("TABLE_TYPE")) != "TABLE") continue;
    std::string schema = platform::text::toUpper(textOf(rs.value("TABLE_SCHEMA")));
    if (schema == platform::text::toUpper(want)) found = true;
    if (std::find(st.schemaList.begin(), st.schemaList.end(), schema) == st.schemaList.end())
      st.schemaList.push_back(schema);
  }
  rs.moveFirst();
  if (found || rs.rowCount() == 0) return want;
  std::vector<std::string> options(st.schemaList.begin() + 1, st.schemaList.end());
  if (options.empty()) return want;
  options.push_back("Cancel");
  const std::string title = core::state().DisplayName;
  size_t pick = platform::ui::current().choose(
      "Please choose a schema for the Oracle ODBC Connection so that only a subset of tables "
      "will be loaded.",
      options, options.size() - 1, title);
  if (pick >= options.size() - 1) return std::nullopt;
  return options[pick];
}

bool walkListing(AdoSession& s, data::Rowset& rs, const std::string& oracleSchema,
                 const std::string& only, bool loadAll,
                 const std::function<void(const ListedRow&)>& each) {
  auto qualifies = [&](const ListedRow& r) {
    if (r.type != "TABLE" && r.type != "VIEW") return false;
    // The chosen schema is upper-cased; catalogue rows keep the case they were made with.
    return s.kind != data::DatabaseKind::Oracle ||
           platform::text::equalsNoCase(r.schema, oracleSchema);
  };
  auto rowAt = [&] {
    return ListedRow{textOf(rs.value("TABLE_SCHEMA")), textOf(rs.value("TABLE_NAME")),
                     textOf(rs.value("TABLE_TYPE"))};
  };
  int32_t total = 0;
  for (rs.moveFirst(); !rs.eof(); rs.moveNext())
    if (qualifies(rowAt())) ++total;
  core::RUZStatus& status = core::SharedStatus();
  int32_t done = 0;
  bool any = false;
  for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
    ListedRow r = rowAt();
    readerState().currentTableSchema = r.schema;
    if (!qualifies(r)) continue;
    if (loadAll || r.name == only) {
      if (loadAll) status.DispStatus("Loading " + r.type + " " + r.name + "...");
      any = true;
      each(r);
    }
    ++done;
    if (loadAll) status.SetStatus(Variant(core::CalcPercent(done, total)));
  }
  return any;
}

} // namespace quillet::schema
