// The database client libraries, opened when a connection first needs one: a run that reads
// no database is spared PostgreSQL's client with its security stack, the Access reader with
// its utility library, and the ODBC driver manager.
//
// The Access reader's header brings glib inside extern "C", which wants the standard
// library's headers seen first: ours includes them.
#include "platform/automation/lazy_library.h"

#include <libpq-fe.h>
#include <mdbtools.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

namespace {
constinit quillet::platform::automation::LazyLibrary libpq(QUILLET_SONAME_LIBPQ);
constinit quillet::platform::automation::LazyLibrary libmdb(QUILLET_SONAME_LIBMDB);
constinit quillet::platform::automation::LazyLibrary libodbc(QUILLET_SONAME_ODBC);
} // namespace

QUILLET_LAZY_FUNCTION(libpq, void, PQclear, (PGresult * res), (res))
QUILLET_LAZY_FUNCTION(libpq, PGconn*, PQconnectdbParams,
                      (const char* const* keywords, const char* const* values, int expand_dbname),
                      (keywords, values, expand_dbname))
QUILLET_LAZY_FUNCTION(libpq, PGresult*, PQdescribePrepared, (PGconn * conn, const char* stmt),
                      (conn, stmt))
QUILLET_LAZY_FUNCTION(libpq, char*, PQerrorMessage, (const PGconn* conn), (conn))
QUILLET_LAZY_FUNCTION(libpq, PGresult*, PQexec, (PGconn * conn, const char* query), (conn, query))
QUILLET_LAZY_FUNCTION(libpq, PGresult*, PQexecParams,
                      (PGconn * conn, const char* command, int nParams, const Oid* paramTypes,
                       const char* const* paramValues, const int* paramLengths,
                       const int* paramFormats, int resultFormat),
                      (conn, command, nParams, paramTypes, paramValues, paramLengths, paramFormats,
                       resultFormat))
QUILLET_LAZY_FUNCTION(libpq, void, PQfinish, (PGconn * conn), (conn))
QUILLET_LAZY_FUNCTION(libpq, char*, PQfname, (const PGresult* res, int field_num), (res, field_num))
QUILLET_LAZY_FUNCTION(libpq, Oid, PQftable, (const PGresult* res, int field_num), (res, field_num))
QUILLET_LAZY_FUNCTION(libpq, int, PQftablecol, (const PGresult* res, int field_num),
                      (res, field_num))
QUILLET_LAZY_FUNCTION(libpq, Oid, PQftype, (const PGresult* res, int field_num), (res, field_num))
QUILLET_LAZY_FUNCTION(libpq, char*, PQgetvalue, (const PGresult* res, int tup_num, int field_num),
                      (res, tup_num, field_num))
QUILLET_LAZY_FUNCTION(libpq, int, PQnfields, (const PGresult* res), (res))
QUILLET_LAZY_FUNCTION(libpq, int, PQntuples, (const PGresult* res), (res))
QUILLET_LAZY_FUNCTION(libpq, PGresult*, PQprepare,
                      (PGconn * conn, const char* stmtName, const char* query, int nParams,
                       const Oid* paramTypes),
                      (conn, stmtName, query, nParams, paramTypes))
QUILLET_LAZY_FUNCTION(libpq, char*, PQresultErrorMessage, (const PGresult* res), (res))
QUILLET_LAZY_FUNCTION(libpq, ExecStatusType, PQresultStatus, (const PGresult* res), (res))
QUILLET_LAZY_FUNCTION(libpq, ConnStatusType, PQstatus, (const PGconn* conn), (conn))

QUILLET_LAZY_FUNCTION(libmdb, int, mdb_bind_column,
                      (MdbTableDef * table, int col_num, void* bind_ptr, int* len_ptr),
                      (table, col_num, bind_ptr, len_ptr))
QUILLET_LAZY_FUNCTION(libmdb, void, mdb_close, (MdbHandle * mdb), (mdb))
QUILLET_LAZY_FUNCTION(libmdb, const char*, mdb_col_get_prop,
                      (const MdbColumn* col, const gchar* key), (col, key))
QUILLET_LAZY_FUNCTION(libmdb, int, mdb_fetch_row, (MdbTableDef * table), (table))
QUILLET_LAZY_FUNCTION(libmdb, void, mdb_free_tabledef, (MdbTableDef * table), (table))
QUILLET_LAZY_FUNCTION(libmdb, const char*, mdb_get_version, (), ())
QUILLET_LAZY_FUNCTION(libmdb, MdbHandle*, mdb_open, (const char* filename, MdbFileFlags flags),
                      (filename, flags))
QUILLET_LAZY_FUNCTION(libmdb, GPtrArray*, mdb_read_catalog, (MdbHandle * mdb, int obj_type),
                      (mdb, obj_type))
QUILLET_LAZY_FUNCTION(libmdb, GPtrArray*, mdb_read_columns, (MdbTableDef * table), (table))
QUILLET_LAZY_FUNCTION(libmdb, GPtrArray*, mdb_read_indices, (MdbTableDef * table), (table))
QUILLET_LAZY_FUNCTION(libmdb, MdbTableDef*, mdb_read_table, (MdbCatalogEntry * entry), (entry))
QUILLET_LAZY_FUNCTION(libmdb, MdbTableDef*, mdb_read_table_by_name,
                      (MdbHandle * mdb, gchar* table_name, int obj_type),
                      (mdb, table_name, obj_type))
QUILLET_LAZY_FUNCTION(libmdb, int, mdb_rewind_table, (MdbTableDef * table), (table))
QUILLET_LAZY_FUNCTION(libmdb, const char*, mdb_table_get_prop,
                      (const MdbTableDef* table, const gchar* key), (table, key))

QUILLET_LAZY_FUNCTION(libodbc, SQLRETURN, SQLAllocHandle,
                      (SQLSMALLINT HandleType, SQLHANDLE InputHandle, SQLHANDLE* OutputHandle),
                      (HandleType, InputHandle, OutputHandle))
QUILLET_LAZY_FUNCTION(libodbc, SQLRETURN, SQLCancel, (SQLHSTMT StatementHandle), (StatementHandle))
QUILLET_LAZY_FUNCTION(libodbc, SQLRETURN, SQLColAttributeW,
                      (SQLHSTMT hstmt, SQLUSMALLINT iCol, SQLUSMALLINT iField, SQLPOINTER pCharAttr,
                       SQLSMALLINT cbCharAttrMax, SQLSMALLINT* pcbCharAttr, SQLLEN* pNumAttr),
                      (hstmt, iCol, iField, pCharAttr, cbCharAttrMax, pcbCharAttr, pNumAttr))
QUILLET_LAZY_FUNCTION(libodbc, SQLRETURN, SQLColumnsW,
                      (SQLHSTMT hstmt, SQLWCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                       SQLWCHAR* szSchemaName, SQLSMALLINT cbSchemaName, SQLWCHAR* szTableName,
                       SQLSMALLINT cbTableName, SQLWCHAR* szColumnName, SQLSMALLINT cbColumnName),
                      (hstmt, szCatalogName, cbCatalogName, szSchemaName, cbSchemaName, szTableName,
                       cbTableName, szColumnName, cbColumnName))
QUILLET_LAZY_FUNCTION(libodbc, SQLRETURN, SQLDescribeColW,
                      (SQLHSTMT hstmt, SQLUSMALLINT icol, SQLWCHAR* szColName,
                       SQLSMALLINT cbColNameMax, SQLSMALLINT* pcbColName, SQLSMALLINT* pfSqlType,
                       SQLULEN* pcbColDef, SQLSMALLINT* pibScale, SQLSMALLINT* pfNullable),
                      (hstmt, icol, szColName, cbColNameMax, pcbColName, pfSqlType, pcbColDef,
                       pibScale, pfNullable))
QUILLET_LAZY_FUNCTION(libodbc, SQLRETURN, SQLDisconnect, (SQLHDBC ConnectionHandle),
                      (ConnectionHandle))
QUILLET_LAZY_FUNCTION(libodbc, SQLRETURN, SQLDriverConnectW,
                      (SQLHDBC hdbc, SQLHWND hwnd, SQLWCHAR* szConnStrIn, SQLSMALLINT cbConnStrIn,
                       SQLWCHAR* szConnStrOut, SQLSMALLINT cbConnStrOutMax,
                       SQLSMALLINT* pcbConnStrOut, SQLUSMALLINT fDriverCompletion),
                      (hdbc, hwnd, szConnStrIn, cbConnStrIn, szConnStrOut, cbConnStrOutMax,
                       pcbConnStrOut, fDriverCompletion))
QUILLET_LAZY_FUNCTION(libodbc, SQLRETURN, SQLDrivers,
                      (SQLHENV henv, SQLUSMALLINT fDirection, SQLCHAR* szDriverDesc,
                       SQLSMALLINT cbDriverDescMax, SQLSMALLINT* pcbDriverDesc,
                       SQLCHAR* szDriverAttributes, SQLSMALLINT cbDrvrAttrMax,
                       SQLSMALLINT* pcbDrvrAttr),
                      (henv, fDirection, szDriverDesc, cbDriverDescMax, pcbDriverDesc,
                       szDriverAttributes, cbDrvrAttrMax, pcbDrvrAttr))
QUILLET_LAZY_FUNCTION(libodbc, SQLRETURN, SQLExecDirectW,
                      (SQLHSTMT hstmt, SQLWCHAR* szSqlStr, SQLINTEGER cbSqlStr),
                      (hstmt, szSqlStr, cbSqlStr))
QUILLET_LAZY_FUNCTION(libodbc, SQLRETURN, SQLFetch, (SQLHSTMT StatementHandle), (StatementHandle))
QUILLET_LAZY_FUNCTION(libodbc, SQLRETURN, SQLForeignKeysW,
                      (SQLHSTMT hstmt, SQLWCHAR* szPkCatalogName, SQLSMALLINT cbPkCatalogName,
                       SQLWCHAR* szPkSchemaName, SQLSMALLINT cbPkSchemaName,
                       SQLWCHAR* szPkTableName, SQLSMALLINT cbPkTableName,
                       SQLWCHAR* szFkCatalogName, SQLSMALLINT cbFkCatalogName,
                       SQLWCHAR* szFkSchemaName, SQLSMALLINT cbFkSchemaName,
                       SQLWCHAR* szFkTableName, SQLSMALLINT cbFkTableName),
                      (hstmt, szPkCatalogName, cbPkCatalogName, szPkSchemaName, cbPkSchemaName,
                       szPkTableName, cbPkTableName, szFkCatalogName, cbFkCatalogName,
                       szFkSchemaName, cbFkSchemaName, szFkTableName, cbFkTableName))
QUILLET_LAZY_FUNCTION(libodbc, SQLRETURN, SQLFreeHandle, (SQLSMALLINT HandleType, SQLHANDLE Handle),
                      (HandleType, Handle))
QUILLET_LAZY_FUNCTION(libodbc, SQLRETURN, SQLGetData,
                      (SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber, SQLSMALLINT TargetType,
                       SQLPOINTER TargetValue, SQLLEN BufferLength, SQLLEN* StrLen_or_Ind),
                      (StatementHandle, ColumnNumber, TargetType, TargetValue, BufferLength,
                       StrLen_or_Ind))
QUILLET_LAZY_FUNCTION(libodbc, SQLRETURN, SQLGetDiagRecW,
                      (SQLSMALLINT fHandleType, SQLHANDLE handle, SQLSMALLINT iRecord,
                       SQLWCHAR* szSqlState, SQLINTEGER* pfNativeError, SQLWCHAR* szErrorMsg,
                       SQLSMALLINT cbErrorMsgMax, SQLSMALLINT* pcbErrorMsg),
                      (fHandleType, handle, iRecord, szSqlState, pfNativeError, szErrorMsg,
                       cbErrorMsgMax, pcbErrorMsg))
QUILLET_LAZY_FUNCTION(libodbc, SQLRETURN, SQLGetInfoW,
                      (SQLHDBC hdbc, SQLUSMALLINT fInfoType, SQLPOINTER rgbInfoValue,
                       SQLSMALLINT cbInfoValueMax, SQLSMALLINT* pcbInfoValue),
                      (hdbc, fInfoType, rgbInfoValue, cbInfoValueMax, pcbInfoValue))
QUILLET_LAZY_FUNCTION(libodbc, SQLRETURN, SQLNumResultCols,
                      (SQLHSTMT StatementHandle, SQLSMALLINT* ColumnCount),
                      (StatementHandle, ColumnCount))
QUILLET_LAZY_FUNCTION(libodbc, SQLRETURN, SQLPrepareW,
                      (SQLHSTMT hstmt, SQLWCHAR* szSqlStr, SQLINTEGER cbSqlStr),
                      (hstmt, szSqlStr, cbSqlStr))
QUILLET_LAZY_FUNCTION(libodbc, SQLRETURN, SQLPrimaryKeysW,
                      (SQLHSTMT hstmt, SQLWCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                       SQLWCHAR* szSchemaName, SQLSMALLINT cbSchemaName, SQLWCHAR* szTableName,
                       SQLSMALLINT cbTableName),
                      (hstmt, szCatalogName, cbCatalogName, szSchemaName, cbSchemaName, szTableName,
                       cbTableName))
QUILLET_LAZY_FUNCTION(libodbc, SQLRETURN, SQLSetConnectAttr,
                      (SQLHDBC ConnectionHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                       SQLINTEGER StringLength),
                      (ConnectionHandle, Attribute, Value, StringLength))
QUILLET_LAZY_FUNCTION(libodbc, SQLRETURN, SQLSetEnvAttr,
                      (SQLHENV EnvironmentHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                       SQLINTEGER StringLength),
                      (EnvironmentHandle, Attribute, Value, StringLength))
QUILLET_LAZY_FUNCTION(libodbc, SQLRETURN, SQLStatisticsW,
                      (SQLHSTMT hstmt, SQLWCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                       SQLWCHAR* szSchemaName, SQLSMALLINT cbSchemaName, SQLWCHAR* szTableName,
                       SQLSMALLINT cbTableName, SQLUSMALLINT fUnique, SQLUSMALLINT fAccuracy),
                      (hstmt, szCatalogName, cbCatalogName, szSchemaName, cbSchemaName, szTableName,
                       cbTableName, fUnique, fAccuracy))
QUILLET_LAZY_FUNCTION(libodbc, SQLRETURN, SQLTablesW,
                      (SQLHSTMT hstmt, SQLWCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                       SQLWCHAR* szSchemaName, SQLSMALLINT cbSchemaName, SQLWCHAR* szTableName,
                       SQLSMALLINT cbTableName, SQLWCHAR* szTableType, SQLSMALLINT cbTableType),
                      (hstmt, szCatalogName, cbCatalogName, szSchemaName, cbSchemaName, szTableName,
                       cbTableName, szTableType, cbTableType))
