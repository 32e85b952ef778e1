#pragma once
// What differs between the database products the engine reads (the kind of database a
// DBMS name denotes is platform::data::databaseKind): identifier quoting, ADO type classes and
// names, PostgreSQL types that cannot be fields, Oracle insert triggers, and connection strings
// built from ODBC data sources.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/data/types.h"

namespace quillet::core {

// The identifier quote characters of the thread, set from the project's quote style
// (CurrentSQLQuote) or, for an automatic style, from the database kind.
struct QuoteChars {
  std::string IdentQuoteStart;
  std::string IdentQuoteEnd;
};
const QuoteChars& IdentQuotes();
void SetQuoteChars(std::string_view dbms);
// The name between the quote characters, closing quotes inside doubled.
std::string QuoteName(std::string_view name);
// The name between the quote characters, unchanged inside.
std::string QuoteIdentifier(std::string_view name);
// The quote character for a direct (non-ADO) connection, or "NA" for JDBC.
std::string DirectQuoteChar(std::string_view dbms, std::string_view connectionType);

// 1 number, 2 date and time, 3 text, 4 boolean, 5 GUID, 6 other.
int16_t AdoTypeClass(int32_t adoType);
std::string AdoTypeName(int32_t adoType, int32_t precision);
// False for PostgreSQL column types that cannot be used as fields.
bool IsSupportedPgType(std::string_view typeName);
// The column an Oracle insert trigger fills from a sequence, and the sequence reference as
// written ("seq_a.nextval"); "" when the body does not follow that pattern.
std::string GetOracleTriggerColumn(std::string_view body);
std::string GetOracleTriggerSequenceRef(std::string_view body);

// A connection string naming the data source's ODBC driver instead of the data source
// (SQL Server, MySQL and Oracle kinds); "" for other kinds. User and password are quoted
// as ODBC attribute values (platform::data::quoteOdbcValue).
std::string DsnToConnectionString(std::string_view dsn, platform::data::DatabaseKind kind,
                                  std::string_view user, std::string_view password);

} // namespace quillet::core
