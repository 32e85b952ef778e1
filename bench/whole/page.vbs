' Whole-process workload: a 300,000-part page built in an array, joined, rewritten with
' Replace and searched from one hit to the next with InStr.
Dim n, parts, i, page, pos, hits
n = 300000
ReDim parts(n - 1)
For i = 0 To n - 1
  parts(i) = "<li class=""row" & (i Mod 7) & """>item " & i & "</li>"
Next
page = Join(parts, vbLf)
page = Replace(page, "item", "entry")
hits = 0
pos = InStr(page, "entry 9")
Do While pos > 0
  hits = hits + 1
  pos = InStr(pos + 7, page, "entry 9")
Loop
WScript.Echo Len(page) & " " & hits
