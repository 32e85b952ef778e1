Function Fib(n)
  If n < 2 Then Fib = n Else Fib = Fib(n - 1) + Fib(n - 2)
End Function
Dim i, item, s
ReDim arr(5)
For i = LBound(arr) To UBound(arr) Step 1
  arr(i) = i * 3
Next
ReDim Preserve arr(7)
For Each item In arr
  Select Case item
    Case 0, 3: s = s & "lo"
    Case 6 To 9: s = s & "mid"
    Case Is > 9: s = s & "hi"
    Case Else: s = s & "?"
  End Select
Next
On Error Resume Next
Do While Len(s) < 40
  s = s & Fib(5) & "-"
  If Err.Number <> 0 Then Exit Do
Loop
x = 1 / 0
Erase arr
