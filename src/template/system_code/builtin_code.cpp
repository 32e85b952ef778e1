#include "template/system_code/builtin_code.h"

#include <utility>

#include "platform/automation/context.h"
#include "platform/text/ascii.h"

namespace quillet::templating {

namespace {

// Shared by both program languages: the globals, the string builder, the current objects.
constexpr const char* kCommonCode = R"vbs(' Built-in system code of the page functions.
Dim CTRL, TABLE, FIELD
Dim bHandleTemplateError
Dim qz_IndentWrk
Set CTRL = Nothing
Set TABLE = Nothing
Set FIELD = Nothing
bHandleTemplateError = False
qz_IndentWrk = ""

' Collects text in slots and joins them once.
Class StringBuilder
  Private m_Parts
  Private m_Count

  Private Sub Class_Initialize()
    Clear
  End Sub

  Public Sub Clear()
    ReDim m_Parts(63)
    m_Count = 0
  End Sub

  Public Sub Append(ByVal sText)
    If m_Count > UBound(m_Parts) Then ReDim Preserve m_Parts(2 * m_Count + 63)
    m_Parts(m_Count) = "" & sText
    m_Count = m_Count + 1
  End Sub

  Public Function ToString()
    Dim s
    s = Join(m_Parts, "")
    ' Keep the joined text as the only slot, so that a second call costs nothing.
    ReDim m_Parts(63)
    m_Parts(0) = s
    m_Count = 1
    ToString = s
  End Function

  Public Property Get Length()
    Length = Len(ToString())
  End Property
End Class

' Page functions format numbers and dates the same way whatever the user's locale.
Sub qz_SetLocale()
  SetLocale 1033
End Sub

' The current control, table and field of the run; Nothing where there is none.
Sub qz_LoadCurrent()
  On Error Resume Next
  Set CTRL = Nothing
  Set TABLE = Nothing
  Set FIELD = Nothing
  Set CTRL = Controls(Controls.curIndex)
  Set TABLE = DB.Tables(DB.Tables.curName)
  Set FIELD = TABLE.Fields(TABLE.Fields.curName)
  Err.Clear
End Sub

' A name for the class of the current page: the table's and the control's names, with every
' character that cannot stand in an identifier made "_".
Function qz_ClassName()
  Dim s, r, i, c
  s = ""
  On Error Resume Next
  If Not TABLE Is Nothing Then s = TABLE.TblVar & "_"
  If Not CTRL Is Nothing Then s = s & CTRL.CtrlID & CTRL.CtrlTagExt
  On Error GoTo 0
  r = ""
  For i = 1 To Len(s)
    c = AscW(Mid(s, i, 1))
    If (c >= 48 And c <= 57) Or (c >= 65 And c <= 90) Or (c >= 97 And c <= 122) Or c = 95 Then
      r = r & ChrW(c)
    Else
      r = r & "_"
    End If
  Next
  If r = "" Then r = "Page"
  c = AscW(Left(r, 1))
  If c >= 48 And c <= 57 Then r = "z" & r
  qz_ClassName = r
End Function

' Registers a control: (tag prefix, tag name, source ".ascx") or (tag prefix, namespace,
' assembly).
Function Register(sPrefix, sName, sSource)
  If LCase(Right(sSource, 5)) = ".ascx" Then
    Register = "<%@ Register TagPrefix=""" & sPrefix & """ TagName=""" & sName & """ Src=""" & sSource & """ %>"
  Else
    Register = "<%@ Register TagPrefix=""" & sPrefix & """ Namespace=""" & sName & """ Assembly=""" & sSource & """ %>"
  End If
  Register = Register
  If SCRPT.UserModuleExist("USER_Register") Then Register = USER_Register(Register)
End Function

' A server-side include: (kind "file" or "virtual", path, remark written as a comment).
Function Include(sKind, sPath, sRemark)
  Dim k
  k = LCase(Trim(sKind & ""))
  If k <> "virtual" Then k = "file"
  Include = "<!-- #include " & k & "=""" & sPath & """ -->"
  If sRemark & "" <> "" Then Include = Include & "<%-- " & sRemark & " --%>"
  Include = Include
  If SCRPT.UserModuleExist("USER_Include") Then Include = USER_Include(Include)
End Function
)vbs";

// The program language's part of the system code: the page class markers and the members of
// cSystemFunctions that write code in that language. Each {{slot}} is filled from the
// language's words below.
constexpr std::string_view kLanguageCode = R"vbs(
' The start of a control's output: nothing of its own, so that templates write their own
' directives; user code may supply a text through USER_Control_Start.
Function Control_Start()
  Control_Start = ""
  If SCRPT.UserModuleExist("USER_Control_Start") Then Control_Start = USER_Control_Start(Control_Start)
End Function

Function Class_Start()
  Class_Start = {{classStart}}
  If SCRPT.UserModuleExist("USER_Class_Start") Then Class_Start = USER_Class_Start(Class_Start)
End Function

Function Class_End()
  Class_End = "{{classEnd}}"
  If SCRPT.UserModuleExist("USER_Class_End") Then Class_End = USER_Class_End(Class_End)
End Function

' Text helpers of the page functions, for code written in {{title}}.
Class cSystemFunctions
  Public Function ProgramLanguage()
    ProgramLanguage = "{{name}}"
  End Function

  Public Function LangExt()
    LangExt = "{{ext}}"
  End Function

  ' A string literal holding the text.
  Public Function Quote(ByVal sText)
    Dim s
{{quote}}    Quote = """" & s & """"
    If SCRPT.UserModuleExist("USER_Quote") Then Quote = USER_Quote(Quote)
  End Function

  Public Function Comment(ByVal sText)
    Comment = "{{comment}}" & Replace("" & sText, vbCrLf, vbCrLf & "{{comment}}")
    If SCRPT.UserModuleExist("USER_Comment") Then Comment = USER_Comment(Comment)
  End Function

  Public Function BoolLiteral(ByVal bValue)
    If CBool(bValue) Then BoolLiteral = "{{true}}" Else BoolLiteral = "{{false}}"
  End Function

  Public Function NullLiteral()
    NullLiteral = "{{null}}"
  End Function

  Public Function Concat()
    Concat = "{{concat}}"
  End Function

  Public Function StatementEnd()
    StatementEnd = "{{statementEnd}}"
  End Function

)vbs";

// What a program language fills the slots of kLanguageCode with.
struct LanguageWords {
  std::string_view name, ext, title;
  std::string_view classStart; // the expression Class_Start returns
  std::string_view classEnd;
  std::string_view quote; // the lines of Quote that escape the text in s
  std::string_view comment, trueWord, falseWord, nullWord, concat, statementEnd;
};

constexpr LanguageWords kVbWords{
    .name = "VB",
    .ext = "vb",
    .title = "Visual Basic",
    .classStart =
        R"vbs("Partial Class " & qz_ClassName() & vbCrLf & "Inherits System.Web.UI.Page")vbs",
    .classEnd = "End Class",
    .quote = R"vbs(    s = Replace("" & sText, """", """""")
    s = Replace(s, vbCrLf, """ & vbCrLf & """)
    s = Replace(s, vbCr, """ & vbCr & """)
    s = Replace(s, vbLf, """ & vbLf & """)
    s = Replace(s, vbTab, """ & vbTab & """)
)vbs",
    .comment = "' ",
    .trueWord = "True",
    .falseWord = "False",
    .nullWord = "Nothing",
    .concat = " & ",
    .statementEnd = ""};

constexpr LanguageWords kCsWords{
    .name = "C#",
    .ext = "cs",
    .title = "C#",
    .classStart =
        R"vbs("public partial class " & qz_ClassName() & " : System.Web.UI.Page" & vbCrLf & "{")vbs",
    .classEnd = "}",
    .quote = R"vbs(    s = Replace("" & sText, "\", "\\")
    s = Replace(s, """", "\""")
    s = Replace(s, vbCr, "\r")
    s = Replace(s, vbLf, "\n")
    s = Replace(s, vbTab, "\t")
)vbs",
    .comment = "// ",
    .trueWord = "true",
    .falseWord = "false",
    .nullWord = "null",
    .concat = " + ",
    .statementEnd = ";"};

// kLanguageCode with every slot filled from the language's words.
std::string languageCode(const LanguageWords& w) {
  const std::pair<std::string_view, std::string_view> slots[] = {
      {"name", w.name},         {"ext", w.ext},
      {"title", w.title},       {"classStart", w.classStart},
      {"classEnd", w.classEnd}, {"quote", w.quote},
      {"comment", w.comment},   {"true", w.trueWord},
      {"false", w.falseWord},   {"null", w.nullWord},
      {"concat", w.concat},     {"statementEnd", w.statementEnd}};
  std::string out;
  std::string_view rest = kLanguageCode;
  for (size_t open; (open = rest.find("{{")) != std::string_view::npos;) {
    size_t close = rest.find("}}", open);
    std::string_view slot = rest.substr(open + 2, close - open - 2);
    out.append(rest.substr(0, open));
    for (const auto& [key, value] : slots)
      if (key == slot) out.append(value);
    rest.remove_prefix(close + 2);
  }
  out.append(rest);
  return out;
}

// The members of cSystemFunctions that do not depend on the program language, and its end.
constexpr const char* kSharedMembers = R"vbs(
  Public Function HtmlEncode(ByVal sText)
    Dim s
    s = Replace("" & sText, "&", "&amp;")
    s = Replace(s, "<", "&lt;")
    s = Replace(s, ">", "&gt;")
    HtmlEncode = Replace(s, """", "&quot;")
    If SCRPT.UserModuleExist("USER_HtmlEncode") Then HtmlEncode = USER_HtmlEncode(HtmlEncode)
  End Function

  ' A project setting.
  Public Function Setting(ByVal sName)
    Setting = PROJ.GetV(sName)
  End Function

  Public Function Phrase(ByVal sId)
    Phrase = Language.Phrase(sId)
    If SCRPT.UserModuleExist("USER_Phrase") Then Phrase = USER_Phrase(Phrase)
  End Function

  ' The text with the indent of the last "~" block after each line break.
  Public Function Indent(ByVal sText)
    Indent = Replace("" & sText, vbCrLf, vbCrLf & qz_IndentWrk)
  End Function
End Class
)vbs";

// Every procedure of the validation code is a check: no arguments, True when it holds.
constexpr const char* kValidationCode = R"vbs(' Built-in checks before generation.
Function qz_CheckPublishedObjects()
  qz_CheckPublishedObjects = IsObject(PROJ) And IsObject(Controls)
End Function
)vbs";

} // namespace

std::string builtinScriptCode(std::string_view key) {
  std::string k = platform::text::lowerAscii(key);
  while (!k.empty() && k.back() == ' ')
    k.pop_back();
  if (k == "vb") return kCommonCode + languageCode(kVbWords) + kSharedMembers;
  if (k == "c#") return kCommonCode + languageCode(kCsWords) + kSharedMembers;
  if (k == "vl") return kValidationCode;
  return {};
}

void ensureScriptCodeProvider() {
  auto& context = platform::automation::Context::current();
  if (!context.findShared<core::ScriptCodeProvider>())
    core::installScriptCodeProvider(std::make_shared<BuiltinScriptCode>());
}

} // namespace quillet::templating
