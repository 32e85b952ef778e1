' Whole-process workload: a 200,000-entry Dictionary and 400,000 lookups.
Dim d, i, total
Set d = CreateObject("Scripting.Dictionary")
For i = 1 To 200000
  d.Add "key" & i, i
Next
total = 0
For i = 1 To 400000
  total = total + d("key" & (i Mod 200000 + 1))
Next
WScript.Echo d.Count & " " & total
