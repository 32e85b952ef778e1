s = "Hello, World"
t = UCase(s) & LCase(s) & Mid(s, 3, 4) & Left(s, 2) & Right(s, 3)
t = Replace(t, "l", "L", 1, -1, 1) & InStr(1, t, "world", 1) & InStrRev(t, "o")
parts = Split("a,b,,c", ",")
j = Join(parts, ";") & UBound(parts)
n = CInt("12") + CLng(3.5) + CDbl("1.25") + Asc("A") + Len(Space(3)) + Len(String(4, "x"))
d = DateSerial(2020, 2, 29): d2 = DateAdd("m", 1, d)
f = FormatNumber(1234.5, 2) & Hex(255) & Oct(8) & Chr(65) & StrReverse("abc") & Trim("  x ")
v = Eval("1 + 2 * 3"): Execute "w = v & ""!"""
ExecuteGlobal "Function G(x): G = x & x: End Function"
Set r = GetRef("G"): z = r("q")
