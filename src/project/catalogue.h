#pragma once
// The project's settings catalogue, in the order the project file writes the root's
// attributes and the user's defaults are read and written. Columns: name, data type,
// RegSave, RegFormat, FileSave, Sync.
//
// Rows given to S are settings whose setter does more than store (the project object writes
// it); rows given to G have a getter only (they are written through the bag).
#include "core/setting_element.h"

#define QUILLET_PROJECT_SETTINGS(X, S, G)                                                          \
  S(ProjName, String, false, 0, true, true)                                                        \
  G(ProjVar, String, false, 0, false, false)                                                       \
  X(MultiLanguage, Boolean, true, 1, true, true)                                                   \
  X(DefaultLanguageFile, String, true, 1, true, true)                                              \
  X(LanguageFiles, String, true, 1, true, true)                                                    \
  G(SyncLog, String, false, 0, false, false)                                                       \
  X(AppCompat, Boolean, true, 1, true, true)                                                       \
  X(AppHeader, String, true, 1, true, true)                                                        \
  X(AppFooter, String, true, 1, true, true)                                                        \
  X(AppLogin, String, true, 1, true, true)                                                         \
  X(AppLogout, String, true, 1, true, true)                                                        \
  X(AppDefault, String, true, 1, true, true)                                                       \
  X(AppCssFolder, String, true, 1, false, true)                                                    \
  X(AppChartCssFile, String, true, 1, false, true)                                                 \
  X(AppExportMenu, Boolean, true, 1, true, true)                                                   \
  X(AppCompatVersion, Integer, true, 4, true, true)                                                \
  X(AppRelatedProject, String, false, 0, true, true)                                               \
  X(SQLQuote, String, false, 0, true, true)                                                        \
  X(CodePage, Long, true, 4, true, true)                                                           \
  X(LCID, Long, true, 4, true, true)                                                               \
  X(Cache, Boolean, true, 1, true, true)                                                           \
  X(IncFiles, String, false, 0, true, true)                                                        \
  X(IncVirtuals, String, false, 0, true, true)                                                     \
  X(CharSet, String, true, 1, true, true)                                                          \
  X(CSS, String, true, 1, true, true)                                                              \
  X(OutputNameType, String, true, 1, true, true)                                                   \
  X(OutputNameExt, String, true, 1, true, true)                                                    \
  X(OutputNameLCase, Boolean, true, 1, true, true)                                                 \
  X(BodyTitle, String, true, 1, true, true)                                                        \
  X(BodyFont, String, true, 1, true, true)                                                         \
  X(BodySize, String, true, 1, true, true)                                                         \
  X(BodyBgColor, String, true, 1, true, true)                                                      \
  X(BodyTextColor, String, true, 1, true, true)                                                    \
  X(BodyLnkColor, String, true, 1, true, true)                                                     \
  X(BodyVLnkColor, String, true, 1, true, true)                                                    \
  X(BodyALnkColor, String, true, 1, true, true)                                                    \
  X(BodyLeftMargin, Integer, true, 4, true, true)                                                  \
  X(BodyTopMargin, Integer, true, 4, true, true)                                                   \
  X(ApplicationTheme, String, true, 1, true, true)                                                 \
  X(HeaderColor, String, true, 1, true, true)                                                      \
  X(HeaderLogo, String, true, 1, true, true)                                                       \
  X(HeaderHeight, Integer, true, 4, true, true)                                                    \
  X(MenuColor, String, true, 1, true, true)                                                        \
  X(FooterColor, String, true, 1, true, true)                                                      \
  X(FooterFontColor, String, true, 1, true, true)                                                  \
  X(FooterText, String, true, 1, true, true)                                                       \
  X(TblWidth, String, true, 1, true, true)                                                         \
  X(TblPadding, Integer, true, 4, true, true)                                                      \
  X(TblBorder, Integer, true, 4, true, true)                                                       \
  X(TblSpacing, Integer, true, 4, true, true)                                                      \
  X(TblBgColor, String, true, 1, true, true)                                                       \
  X(TblHdrFontColor, String, true, 1, true, true)                                                  \
  X(TblHdrColor, String, true, 1, true, true)                                                      \
  X(TblAltColor, Boolean, true, 1, true, true)                                                     \
  X(TblAltColor1, String, true, 1, true, true)                                                     \
  X(TblAltColor2, String, true, 1, true, true)                                                     \
  X(Template, String, true, 1, true, true)                                                         \
  S(Destination, String, false, 0, true, true)                                                     \
  X(SecType, String, false, 0, true, true)                                                         \
  X(SecLoginID, String, false, 0, true, true)                                                      \
  X(SecPasswd, String, false, 0, true, true)                                                       \
  X(SecTbl, String, false, 0, true, true)                                                          \
  X(SecLoginIDFld, String, false, 0, true, true)                                                   \
  X(SecPasswdFld, String, false, 0, true, true)                                                    \
  X(SecEmailFld, String, false, 0, true, true)                                                     \
  X(SecForgetPwdPage, Boolean, false, 0, true, true)                                               \
  X(SecChangePwdPage, Boolean, false, 0, true, true)                                               \
  X(SecChangeEmail, Boolean, false, 0, true, true)                                                 \
  X(SecRegisterPage, Boolean, false, 0, true, true)                                                \
  X(SecRegisterActivate, Boolean, true, 1, true, true)                                             \
  X(SecRegisterActivateFld, String, false, 0, true, true)                                          \
  X(SecRegisterEmail, Boolean, false, 0, true, true)                                               \
  X(SecSenderEmail, String, false, 0, true, true)                                                  \
  X(SmtpServer, String, true, 1, true, true)                                                       \
  X(SmtpServerPort, Long, true, 4, true, true)                                                     \
  X(MemoCRLFReplace, Boolean, true, 1, true, true)                                                 \
  X(SessTimeOut, Integer, true, 4, true, true)                                                     \
  X(ServerScriptTimeout, Integer, true, 4, true, true)                                             \
  X(defaultDateFormat, Integer, true, 1, true, true)                                               \
  X(DateSeparator, String, true, 1, true, true)                                                    \
  X(SessionMode, String, true, 1, true, true)                                                      \
  X(StateConnectionString, String, true, 1, true, true)                                            \
  X(StateNetworkTimeout, Integer, true, 4, true, true)                                             \
  X(SQLConnectionString, String, true, 1, true, true)                                              \
  X(SessionCookieless, Boolean, true, 1, true, true)                                               \
  X(RequestEncoding, String, true, 1, true, true)                                                  \
  X(ResponseEncoding, String, true, 1, true, true)                                                 \
  X(FileEncoding, String, true, 1, true, true)                                                     \
  X(TraceEnabled, Boolean, true, 1, true, true)                                                    \
  X(TraceRequestLimit, Integer, true, 4, true, true)                                               \
  X(TracePageOutput, Boolean, true, 1, true, true)                                                 \
  X(TraceMode, String, true, 1, true, true)                                                        \
  X(TraceLocalOnly, Boolean, true, 1, true, true)                                                  \
  X(DebugEnabled, Boolean, true, 1, true, true)                                                    \
  X(CustomErrors, String, true, 1, true, true)                                                     \
  X(AuthenticateMode, String, true, 1, true, true)                                                 \
  X(IdentityImpersonate, Boolean, true, 1, true, true)                                             \
  X(TestWebServer, Integer, true, 4, true, true)                                                   \
  X(XMLEncoding, String, true, 1, true, true)                                                      \
  X(RptColColor, String, true, 1, true, true)                                                      \
  X(RptGrpColor1, String, true, 1, true, true)                                                     \
  X(RptGrpColor2, String, true, 1, true, true)                                                     \
  X(RptGrpColor3, String, true, 1, true, true)                                                     \
  X(RptGrpColor4, String, true, 1, true, true)                                                     \
  X(RptGrpSummaryColor1, String, true, 1, true, true)                                              \
  X(RptGrpSummaryColor2, String, true, 1, true, true)                                              \
  X(RptGrpSummaryColor3, String, true, 1, true, true)                                              \
  X(RptGrpSummaryColor4, String, true, 1, true, true)                                              \
  X(RptPageTotalColor, String, true, 1, true, true)                                                \
  X(RptGrandTotalColor, String, true, 1, true, true)                                               \
  X(ProgramStyle, String, true, 1, true, true)                                                     \
  S(ProgramLanguage, String, true, 1, true, true)                                                  \
  X(DotNetFrameworkVersion, String, true, 1, true, true)                                           \
  X(VisualStudioProject, Boolean, true, 1, true, true)                                             \
  X(PasswordFormat, String, true, 1, true, true)                                                   \
  X(MessageTextColor, String, true, 1, true, true)                                                 \
  X(UseCodeSeparation, Boolean, true, 1, true, true)                                               \
  X(UseASPNetSecurity, Boolean, true, 1, true, true)                                               \
  X(UseASPNetProfile, Boolean, true, 1, true, true)                                                \
  X(DatabaseLayer, Boolean, true, 1, true, true)                                                   \
  X(EditBackColor, String, true, 1, true, true)                                                    \
  X(EditForeColor, String, true, 1, true, true)                                                    \
  X(PagerBackColor, String, true, 1, true, true)                                                   \
  X(SelectBackColor, String, true, 1, true, true)                                                  \
  X(SelectForeColor, String, true, 1, true, true)                                                  \
  X(FooterBackColor, String, true, 1, true, true)                                                  \
  X(UploadPath, String, true, 1, true, true)                                                       \
  X(UseCss, Boolean, true, 1, true, true)                                                          \
  X(CssStyles, String, false, 0, true, true)                                                       \
  X(WebConfigGen, Boolean, true, 1, true, true)                                                    \
  X(WebConfigOverwrite, Boolean, true, 1, true, true)                                              \
  X(AutoSync, Boolean, false, 0, true, true)                                                       \
  X(CreateVDir, Boolean, false, 0, true, true)                                                     \
  X(AutoBrowse, Boolean, false, 0, true, true)                                                     \
  X(BodyStyle, String, false, 0, true, true)                                                       \
  X(OtherGenList, String, false, 0, true, true)                                                    \
  X(OtherGen, Boolean, false, 0, true, true)                                                       \
  X(OtherExpanded, Boolean, false, 0, true, true)                                                  \
  X(DynamicLoadDB, Boolean, true, 1, true, true)                                                   \
  X(MD5Password, Boolean, true, 1, true, true)                                                     \
  X(CaseSensitivePassword, Boolean, true, 1, true, true)                                           \
  X(ServerValidate, Boolean, true, 1, true, true)                                                  \
  X(ClientValidate, Boolean, true, 1, true, true)                                                  \
  X(RecPerPage, Integer, true, 4, true, true)                                                      \
  X(RecPerPageList, String, true, 1, true, true)                                                   \
  X(PrinterFriendly, Boolean, true, 1, true, true)                                                 \
  X(ExportHtml, Boolean, true, 1, true, true)                                                      \
  X(ExportWord, Boolean, true, 1, true, true)                                                      \
  X(ExportExcel, Boolean, true, 1, true, true)                                                     \
  X(ExportXml, Boolean, true, 1, true, true)                                                       \
  X(ExportCsv, Boolean, true, 1, true, true)                                                       \
  X(ExportEmail, Boolean, true, 1, true, true)                                                     \
  X(ExportType, String, true, 1, true, true)                                                       \
  X(RecPerRow, Integer, true, 4, true, true)                                                       \
  X(MultiDelete, Boolean, true, 1, true, true)                                                     \
  X(SortType, Integer, true, 4, true, true)                                                        \
  X(PagerStyle, Integer, true, 4, true, true)                                                      \
  X(TopPageLink, Boolean, true, 1, true, true)                                                     \
  X(BottomPageLink, Boolean, true, 1, true, true)                                                  \
  X(LinkOnLeft, Boolean, true, 1, true, true)                                                      \
  X(RepeatColumns, Integer, true, 4, true, true)                                                   \
  X(AppRootFolder, String, true, 1, true, true)                                                    \
  X(RecipientEmail, String, true, 1, true, true)                                                   \
  X(SMTPServerUsername, String, true, 1, true, true)                                               \
  X(SMTPServerPassword, String, true, 1, true, true)                                               \
  X(FavIcon, String, true, 1, true, true)                                                          \
  X(LoginOption, String, true, 1, true, true)                                                      \
  X(ChartMenuItems, Boolean, true, 1, true, true)

namespace quillet::project {

inline constexpr core::SettingDef kProjectSettings[] = {
    QUILLET_PROJECT_SETTINGS(QUILLET_SETTING_DEF, QUILLET_SETTING_DEF, QUILLET_SETTING_DEF)};
// The project reads its registry defaults itself (LoadDefault), so no section is named here.
inline constexpr core::Catalogue kProjectCatalogue{kProjectSettings};

} // namespace quillet::project
