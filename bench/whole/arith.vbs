' Whole-process workload: an arithmetic loop.
Dim s, i
s = 0
For i = 1 To 5000000
  s = s + i * 2 Mod 7 - 1
Next
WScript.Echo s
