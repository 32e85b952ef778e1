#pragma once
// The schema records: a database catalogue as read, apart from the project. Arrays are
// numbered from 0 and element 0 stays empty, so the n-th table or column is element n.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/automation/variant.h"

namespace quillet::schema {

namespace automation = ::quillet::platform::automation;
using automation::Variant;

struct AGSchemaField {
  bool FldSync = false;
  int32_t FldSeq = 0;
  std::string FldName;
  int16_t FldType = 0;
  std::string FldTypeName;
  std::string FldTagValues;
  bool FldSupport = false;
  int32_t FldSize = 0;
  bool FldUniqueIdx = false;
  bool FldZeroLen = false;
  bool FldReq = false;
  bool FldIsPrimaryKey = false;
  bool FldAutoIncrement = false;
  int32_t FldAttribute = 0;
  Variant FldDefault;
  std::string FldQuoteS;
  std::string FldQuoteE;
  std::string FldCaption;
};

struct AGSchemaFields {
  std::vector<AGSchemaField> Fld;
};

struct AGSchemaTable {
  bool TblSync = false;
  int32_t TblSeq = 0;
  std::string TblSchema;
  std::string TblName;
  std::string TblType;
  std::string TblKey;
  bool TblUpdatable = false;
  std::string TblSQL;
  bool TblGen = false;
  int32_t TblFldCnt = 0;
  AGSchemaFields TblFields;
};

struct AGSchemaTables {
  std::vector<AGSchemaTable> Tbl;
};

struct AGSchemaDB {
  std::string DBName;
  std::string DBType;
  std::string DBPath;
  bool DBUseServerMapPath = false;
  std::string DBPhyPath;
  std::string DBUID;
  std::string DBPwd;
  std::string DBConnstr;
  std::string DBADOVer;
  std::string DBDBMSName;
  std::string DBDBMSVer;
  std::string DBOLEDBVer;
  std::string DBProviderName;
  std::string DBProviderVer;
  std::string DBSchema;
  std::string DBDotNetConnectionString;
  int32_t DBTblCnt = 0;
  AGSchemaTables Tables;
};

} // namespace quillet::schema
