// A generation-style run: system code with a functions class, user code that overrides one
// function by name, and a translated template function built with a string builder.
#include "harness.h"

namespace vbtest {

namespace {

const char* const kSystemCode = R"(Dim bHandleTemplateError, qz_IndentWrk, CTRL
Class StringBuilder
  Private a(), n
  Private Sub Class_Initialize
    ReDim a(1000): n = 0
  End Sub
  Public Sub Append(s)
    If n > UBound(a) Then ReDim Preserve a(n + 1000)
    a(n) = s: n = n + 1
  End Sub
  Public Function ToString()
    If n = 0 Then ToString = "": Exit Function
    ReDim Preserve a(n - 1)
    ToString = Join(a, "")
  End Function
End Class
Class cSystemFunctions
  Function Cell(parm)
    Cell = Cell & "<td>" & vbCrLf
    Cell = Cell & qz_IndentWrk & parm & vbCrLf
    Cell = Cell & "</td>"
    If SCRPT.UserModuleExist("USER_Cell") Then Cell = USER_Cell(Cell)
  End Function
End Class
Dim SYS
Set SYS = New cSystemFunctions
Sub qz_LoadCurrent()
  CTRL = Controls(Controls.Item("cur"))
End Sub
)";

const char* const kTemplate = R"(Function qzExPage_vb_list()
  Dim qzSB, qzAr(3), qzStartTime
  If bHandleTemplateError Then On Error Resume Next
  qzStarTtime = Timer
  Set qzSB = New StringBuilder
  Call qz_LoadCurrent()
  qzAr(0) = "<table>" & vbCrLf
  qzSB.Append(qzAr(0))
  For i = 1 To 3
    If i Mod 2 = 1 Then
      qzSB.Append(SYS.Cell("odd " & i))
    Else
      qzSB.Append(SYS.Cell("even " & i))
    End If
  Next
  qzSB.Append("</table>" & CTRL)
  qzExPage_vb_list = qzSB.ToString()
  Set qzSB = Nothing
End Function
)";

class UserScripts : public au::Object {
  QUILLET_OBJECT(UserScripts)
public:
  bool UserModuleExist(const std::string& name) {
    for (auto& n : names)
      if (au::compareText(n, name) == 0) return true;
    return false;
  }
  std::vector<std::string> names;
};

} // namespace

QUILLET_DEFINE_CLASS(UserScripts) {
  b.method("UserModuleExist", &UserScripts::UserModuleExist);
}

TEST(Template, SystemUserAndTemplateCodeWorkTogether) {
  Harness h;
  Ref<UserScripts> scrpt(new UserScripts);
  Ref<Bag> controls(new Bag);
  controls->setItem("cur", Variant("ctl"));
  controls->setItem("ctl", Variant("[control]"));
  h.sc->AddObject("SCRPT", Variant(scrpt), false);
  h.sc->AddObject("Controls", Variant(controls), false);
  h.sc->AddCode(kSystemCode);
  h.sc->ExecuteStatement("qz_IndentWrk = \"  \"");
  h.sc->AddCode(kTemplate);
  std::string page = au::CStr(h.sc->RunNamed("qzExPage_vb_list"));
  EXPECT_EQ(page, "<table>\r\n<td>\r\n  odd 1\r\n</td><td>\r\n  even 2\r\n</td><td>\r\n  odd 3\r\n"
                  "</td></table>[control]");

  // User code added later replaces a system function's text; the name is found at call time.
  h.sc->AddCode("Function USER_Cell(text)\nUSER_Cell = UCase(text)\nEnd Function");
  scrpt->names.push_back("user_cell");
  page = au::CStr(h.sc->RunNamed("qzExPage_vb_list"));
  EXPECT_EQ(page.substr(0, 20), "<table>\r\n<TD>\r\n  ODD");

  // Template errors are ignored when the system asks for it, and reported otherwise.
  h.sc->AddCode("Function qzExBad()\nIf bHandleTemplateError Then On Error Resume Next\n"
                "qzExBad = \"a\"\nx = 1 / 0\nqzExBad = qzExBad & \"b\"\nEnd Function");
  EXPECT_THROW(h.sc->RunNamed("qzExBad"), au::Error);
  EXPECT_EQ(h.sc->Error()->Line(), 4);
  h.sc->ExecuteStatement("bHandleTemplateError = True");
  EXPECT_EQ(au::CStr(h.sc->RunNamed("qzExBad")), "ab");
}

TEST(Template, ValidationProceduresAreListedAndRun) {
  Harness h;
  auto mod = h.sc->Modules()->Add("test");
  mod->AddCode("Function CheckBoolean()\nSetLocale 1033\nCheckBoolean = (CStr(True) = \"True\")\n"
               "End Function\nFunction Helper\nEnd Function");
  auto procs = mod->Procedures();
  ASSERT_EQ(procs->Count(), 2);
  EXPECT_EQ(procs->Item(Variant(int32_t(2)))->Name(), "Helper");
  Variant r = mod->RunNamed("CheckBoolean", {});
  EXPECT_EQ(r.type(), au::VarType::Boolean);
  EXPECT_TRUE(r.asBool());
  EXPECT_TRUE(mod->RunNamed("Helper", {}).isEmpty());
}

} // namespace vbtest
