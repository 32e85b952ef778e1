#pragma once
// The settings catalogues of fields, tables and the database, in the order the project file
// writes them. Columns: name, data type, RegSave, RegFormat, FileSave, Sync.
#include "core/setting_element.h"

// One catalogue row as a typed getter only; the class writes the setter itself.
#define QUILLET_SETTING_GETTER(name, type, ...)                                                    \
  ::quillet::core::SettingValue<::quillet::core::SettingType::type> name() {                       \
    return this->template setting<::quillet::core::SettingType::type>(#name);                      \
  }

#define QUILLET_FIELD_SETTINGS(X)                                                                  \
  X(FldSync, Boolean, false, 0, false, false)                                                      \
  X(FldSyncMessage, String, false, 0, false, false)                                                \
  X(FldSeq, Integer, false, 0, false, false)                                                       \
  X(FldName, String, false, 0, true, false)                                                        \
  X(FldAlias, Boolean, false, 0, true, false)                                                      \
  X(FldSourceName, String, false, 0, true, false)                                                  \
  X(FldSourceTable, String, false, 0, true, false)                                                 \
  X(FldSourceField, String, false, 0, true, false)                                                 \
  X(FldType, Integer, false, 0, true, false)                                                       \
  X(FldTypeName, String, false, 0, true, false)                                                    \
  X(FldSupport, Boolean, false, 0, true, false)                                                    \
  X(FldSize, Long, false, 0, true, false)                                                          \
  X(FldUniqueIdx, Boolean, false, 0, true, false)                                                  \
  X(FldZeroLen, Boolean, false, 0, true, false)                                                    \
  X(FldReq, Boolean, false, 0, true, false)                                                        \
  X(FldIsPrimaryKey, Boolean, false, 0, true, false)                                               \
  X(FldAutoIncrement, Boolean, false, 0, true, false)                                              \
  X(FldAttribute, Long, false, 0, true, false)                                                     \
  X(FldMin, Variant, false, 0, true, true)                                                         \
  X(FldMax, Variant, false, 0, true, true)                                                         \
  X(FldErrMsg, String, false, 0, true, true)                                                       \
  X(FldValidate, String, false, 0, true, true)                                                     \
  X(FldServerValidateArgs, String, false, 0, true, true)                                           \
  X(FldClientValidateArgs, String, false, 0, true, true)                                           \
  X(FldRequired, Boolean, false, 0, true, true)                                                    \
  X(FldPopCalendar, Boolean, false, 0, true, true)                                                 \
  X(FldGenerate, Boolean, false, 0, true, true)                                                    \
  X(FldList, Boolean, false, 0, true, true)                                                        \
  X(FldView, Boolean, false, 0, true, true)                                                        \
  X(FldEdit, Boolean, false, 0, true, true)                                                        \
  X(FldAdd, Boolean, false, 0, true, true)                                                         \
  X(FldSearch, Boolean, false, 0, true, true)                                                      \
  X(FldBasicSearch, Boolean, false, 0, true, true)                                                 \
  X(FldExtendedBasicSearch, Boolean, false, 0, true, true)                                         \
  X(FldFilterDropDown, Boolean, false, 0, true, true)                                              \
  X(FldDateSearch, String, false, 0, true, true)                                                   \
  X(FldDateSearchDefaultYear, String, false, 0, true, true)                                        \
  X(FldDateSearchDefaultQuarter, String, false, 0, true, true)                                     \
  X(FldDateSearchDefaultMonth, String, false, 0, true, true)                                       \
  X(FldDateSearchDefaultDay, String, false, 0, true, true)                                         \
  X(FldRegister, Boolean, false, 0, true, true)                                                    \
  X(FldSrchOpr, String, false, 0, true, true)                                                      \
  X(FldSrchOpr2, String, false, 0, true, true)                                                     \
  X(FldDefault, Variant, false, 0, true, true)                                                     \
  X(FldDefault2, Variant, false, 0, true, true)                                                    \
  X(FldCaption, String, false, 0, true, true)                                                      \
  X(FldVar, String, false, 0, false, false)                                                        \
  X(FldViewTag, String, false, 0, true, true)                                                      \
  X(FldViewThumbnail, Boolean, false, 0, true, true)                                               \
  X(FldHtmlTag, String, false, 0, true, true)                                                      \
  X(FldHtmlTagReadOnly, Boolean, false, 0, true, true)                                             \
  X(FldTagSize, Integer, false, 0, true, true)                                                     \
  X(FldTagMaxLength, Long, false, 0, true, true)                                                   \
  X(FldTagHiddenValue, String, false, 0, true, true)                                               \
  X(FldSelectType, String, false, 0, true, true)                                                   \
  X(FldTagValues, String, false, 0, true, true)                                                    \
  X(FldTagLnkTbl, String, false, 0, true, true)                                                    \
  X(FldTagLnkFld, String, false, 0, true, true)                                                    \
  X(FldTagLnkDisplay, String, false, 0, true, true)                                                \
  X(FldTagLnkDisp2, String, false, 0, true, true)                                                  \
  X(FldTagLnkOrderBy, String, false, 0, true, true)                                                \
  X(FldTagLnkOrderType, String, false, 0, true, true)                                              \
  X(FldTagLnkDistinct, Boolean, false, 0, true, true)                                              \
  X(FldTagCols, Integer, false, 0, true, true)                                                     \
  X(FldTagRows, Integer, false, 0, true, true)                                                     \
  X(FldTagImgWidth, Integer, false, 0, true, true)                                                 \
  X(FldTagImgHeight, Integer, false, 0, true, true)                                                \
  X(FldTagAType, String, false, 0, true, true)                                                     \
  X(FldTagATarget, String, false, 0, true, true)                                                   \
  X(FldTagAPrefix, String, true, 1, true, true)                                                    \
  X(FldTagASuffix, String, false, 0, true, true)                                                   \
  X(FldBold, Boolean, true, 1, true, true)                                                         \
  X(FldItalic, Boolean, true, 1, true, true)                                                       \
  X(FldAlign, String, true, 1, true, true)                                                         \
  X(FldFmtType, String, false, 0, true, true)                                                      \
  X(FldDtFormat, Integer, false, 0, true, true)                                                    \
  X(FldNumDigits, Integer, true, 4, true, true)                                                    \
  X(FldIncLeadDigit, Integer, false, 0, true, true)                                                \
  X(FldUseParen, Integer, false, 0, true, true)                                                    \
  X(FldGpDigits, Integer, false, 0, true, true)                                                    \
  X(FileNameFld, String, false, 0, true, true)                                                     \
  X(FileTypeFld, String, false, 0, true, true)                                                     \
  X(FileSizeFld, String, false, 0, true, true)                                                     \
  X(ImageWidthFld, String, false, 0, true, true)                                                   \
  X(ImageHeightFld, String, false, 0, true, true)                                                  \
  X(FldHrefFld, String, false, 0, true, true)                                                      \
  X(FldStrFunc, String, false, 0, true, true)                                                      \
  X(FldUseDHTMLEditor, Boolean, false, 0, true, true)                                              \
  X(FldMemoMaxLength, Integer, true, 4, true, true)                                                \
  X(FldSelectSize, Integer, false, 0, true, true)                                                  \
  X(FldSelectMultiple, Boolean, false, 0, true, true)                                              \
  X(FldSelectFilter, String, false, 0, true, true)                                                 \
  X(FldSelectFilterFld, String, false, 0, true, true)                                              \
  X(FldQuoteS, String, false, 0, true, false)                                                      \
  X(FldQuoteE, String, false, 0, true, false)                                                      \
  X(FldColumnWidth, String, false, 0, true, true)                                                  \
  X(FldColumnWrap, Boolean, true, 1, true, true)                                                   \
  X(FldAggregate, String, false, 0, true, true)                                                    \
  X(FldGroupBy, Integer, false, 0, true, true)                                                     \
  X(FldGroupByType, String, false, 0, true, true)                                                  \
  X(FldGroupByInterval, Long, false, 0, true, true)                                                \
  X(FldRowID, Integer, false, 0, true, true)                                                       \
  X(FldColumnID, Integer, false, 0, true, true)                                                    \
  X(FldColumnDateType, String, false, 0, true, true)                                               \
  X(FldColumnDateSelect, Boolean, true, 1, true, true)                                             \
  X(FldSummaryID, Integer, false, 0, true, true)                                                   \
  X(FldSummaryType, String, false, 0, true, true)                                                  \
  X(FldFilterName, String, false, 0, true, true)                                                   \
  X(FldUseRange, Boolean, true, 1, true, true)                                                     \
  X(FldUserIDSelect, Boolean, true, 1, true, true)                                                 \
  X(FldGroupByShowSummary, Boolean, true, 1, true, true)                                           \
  X(FldOrderBy, Integer, false, 0, true, false)                                                    \
  X(FldOrder, String, false, 0, true, false)                                                       \
  X(FldRptAggSum, Boolean, false, 0, true, true)                                                   \
  X(FldRptAggAvg, Boolean, false, 0, true, true)                                                   \
  X(FldRptAggMin, Boolean, false, 0, true, true)                                                   \
  X(FldRptAggMax, Boolean, false, 0, true, true)                                                   \
  X(FldRepeatColumns, Integer, true, 4, true, true)                                                \
  X(FldUploadPath, String, false, 0, true, true)                                                   \
  X(FldResizeInterpolation, Integer, true, 4, true, true)                                          \
  X(FldMemoCRLFReplace, Boolean, false, 0, true, true)

// Rows given to S are settings whose setter does more than store (the class writes it).
#define QUILLET_TABLE_SETTINGS(X, S)                                                               \
  X(TblSync, Boolean, false, 0, false, false)                                                      \
  X(TblSyncMessage, String, false, 0, false, false)                                                \
  X(TblSeq, Integer, false, 0, false, false)                                                       \
  X(TblSchema, String, false, 0, true, false)                                                      \
  S(TblName, String, false, 0, true, false)                                                        \
  X(TblType, String, false, 0, true, false)                                                        \
  X(TblKey, String, false, 0, false, false)                                                        \
  S(TblGen, Boolean, false, 0, true, true)                                                         \
  X(TblGenList, String, false, 0, true, true)                                                      \
  X(TblList, Boolean, false, 0, true, true)                                                        \
  X(TblView, Boolean, false, 0, true, true)                                                        \
  X(TblInlineEdit, Boolean, true, 1, true, true)                                                   \
  X(TblEdit, Boolean, false, 0, true, true)                                                        \
  X(TblAdd, Boolean, false, 0, true, true)                                                         \
  X(TblAnonymous, Integer, true, 4, true, true)                                                    \
  X(TblDelete, Boolean, false, 0, true, true)                                                      \
  X(TblCaption, String, false, 0, true, true)                                                      \
  X(TblVar, String, false, 0, true, false)                                                         \
  X(TblUpdatable, Boolean, false, 0, true, false)                                                  \
  X(TblSQL, String, false, 0, true, false)                                                         \
  X(TblError, String, false, 0, true, false)                                                       \
  X(TblSrchType, String, false, 0, true, true)                                                     \
  X(TblDefault, Boolean, false, 0, true, true)                                                     \
  X(TblCopy, Boolean, false, 0, true, true)                                                        \
  X(TblFilter, String, false, 0, true, false)                                                      \
  X(TblUserIDFld, String, false, 0, true, true)                                                    \
  X(TblSecurity, String, false, 0, true, true)                                                     \
  X(TblMasterTbl, String, false, 0, true, true)                                                    \
  X(TblMasterFld, String, false, 0, true, true)                                                    \
  X(TblDetailFld, String, false, 0, true, true)                                                    \
  X(TblSysGenUnits, String, false, 0, false, false)                                                \
  X(TblSysGenOption, String, false, 0, false, false)                                               \
  X(TblUserGenOption, String, false, 0, false, false)                                              \
  X(TblOverwrite, Boolean, true, 1, true, true)                                                    \
  X(TblLoaded, Boolean, false, 0, true, true)                                                      \
  X(TblRptShowDetails, Boolean, true, 1, true, true)                                               \
  X(TblRptShowGrandTotal, Boolean, true, 1, true, true)                                            \
  X(TblReportType, String, false, 0, true, true)                                                   \
  X(TblShowReport, Boolean, true, 1, true, true)                                                   \
  X(TblRptShowPageTotal, Boolean, true, 1, true, true)                                             \
  X(TblRowSum, Boolean, true, 1, true, true)                                                       \
  X(TblShowEmptyRows, Boolean, true, 1, true, true)                                                \
  X(TblCustomSQL, String, false, 0, true, false)                                                   \
  X(TblCustomError, String, false, 0, true, false)                                                 \
  X(TblRptSrc, String, false, 0, true, true)                                                       \
  X(TblUseGlobal, Boolean, true, 1, true, true)                                                    \
  X(TblRecPerPage, Integer, true, 4, true, true)                                                   \
  X(TblRecPerPageList, String, true, 1, true, true)                                                \
  X(TblPrinterFriendly, Boolean, true, 1, true, true)                                              \
  X(TblExportHtml, Boolean, true, 1, true, true)                                                   \
  X(TblExportWord, Boolean, true, 1, true, true)                                                   \
  X(TblExportExcel, Boolean, true, 1, true, true)                                                  \
  X(TblExportXml, Boolean, true, 1, true, true)                                                    \
  X(TblExportCsv, Boolean, true, 1, true, true)                                                    \
  X(TblExportEmail, Boolean, true, 1, true, true)                                                  \
  X(TblExportType, String, true, 1, true, true)                                                    \
  X(TblRecPerRow, Integer, true, 4, true, true)                                                    \
  X(TblMultiDelete, Boolean, true, 1, true, true)                                                  \
  X(TblSortType, Integer, true, 4, true, true)                                                     \
  X(TblPagerStyle, Integer, true, 4, true, true)                                                   \
  X(TblTopPageLink, Boolean, true, 1, true, true)                                                  \
  X(TblBottomPageLink, Boolean, true, 1, true, true)                                               \
  X(TblLinkOnLeft, Boolean, true, 1, true, true)                                                   \
  X(TblShowBlankListPage, Boolean, false, 0, true, true)

#define QUILLET_DATABASE_SETTINGS(X, S)                                                            \
  X(DBName, String, false, 0, true, false)                                                         \
  X(DBType, String, false, 0, true, false)                                                         \
  X(DBPath, String, false, 0, true, false)                                                         \
  X(DBUseServerMapPath, Boolean, false, 0, true, false)                                            \
  X(DBPhyPath, String, false, 0, true, false)                                                      \
  X(DBUID, String, false, 0, true, false)                                                          \
  X(DBPwd, String, false, 0, true, false)                                                          \
  X(DBQuoteS, String, false, 0, true, false)                                                       \
  X(DBQuoteE, String, false, 0, true, false)                                                       \
  X(DBConnstr, String, false, 0, true, false)                                                      \
  X(DBADOVer, String, false, 0, true, false)                                                       \
  X(DBDBMSName, String, false, 0, true, false)                                                     \
  X(DBDBMSVer, String, false, 0, true, false)                                                      \
  X(DBOLEDBVer, String, false, 0, true, false)                                                     \
  X(DBProviderName, String, false, 0, true, false)                                                 \
  X(DBProviderVer, String, false, 0, true, false)                                                  \
  X(DBSchema, String, false, 0, true, false)                                                       \
  X(MaxUploadSize, Long, true, 4, true, true)                                                      \
  X(SecUserLevelFld, String, false, 0, true, true)                                                 \
  S(SecDefault, String, false, 0, true, true)                                                      \
  X(SecuUserIDFld, String, false, 0, true, true)                                                   \
  X(DBDotNetConnectionString, String, false, 0, true, true)                                        \
  X(UseDynamicUserLevel, Boolean, false, 0, true, true)                                            \
  X(UserLevelTbl, String, false, 0, true, true)                                                    \
  X(UserLevelIdFld, String, false, 0, true, true)                                                  \
  X(UserLevelNameFld, String, false, 0, true, true)                                                \
  X(UserLevelPrivTbl, String, false, 0, true, true)                                                \
  X(UserLevelPrivTblNameFld, String, false, 0, true, true)                                         \
  X(UserLevelPrivUserLevelFld, String, false, 0, true, true)                                       \
  X(UserLevelPrivPrivFld, String, false, 0, true, true)                                            \
  X(SecuParentUserIDFld, String, false, 0, true, true)

namespace quillet::model {

inline constexpr core::SettingDef kFieldSettings[] = {QUILLET_FIELD_SETTINGS(QUILLET_SETTING_DEF)};
inline constexpr core::Catalogue kFieldCatalogue{kFieldSettings, "Field", "FldName"};

inline constexpr core::SettingDef kTableSettings[] = {
    QUILLET_TABLE_SETTINGS(QUILLET_SETTING_DEF, QUILLET_SETTING_DEF)};
inline constexpr core::Catalogue kTableCatalogue{kTableSettings, "Table", "TblName"};

inline constexpr core::SettingDef kDatabaseSettings[] = {
    QUILLET_DATABASE_SETTINGS(QUILLET_SETTING_DEF, QUILLET_SETTING_DEF)};
inline constexpr core::Catalogue kDatabaseCatalogue{kDatabaseSettings, "Database", "DBName"};

} // namespace quillet::model
