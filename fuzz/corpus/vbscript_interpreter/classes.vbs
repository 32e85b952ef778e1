Option Explicit
Dim a, b(3), s
Const K = 10
Class Counter
  Private n
  Public Default Property Get Value
    Value = n
  End Property
  Sub Class_Initialize: n = 0: End Sub
  Sub Class_Terminate: s = s & "t": End Sub
  Public Function Bump(ByRef x, ByVal y)
    n = n + 1: x = x + y
    Set Bump = Me
  End Function
End Class
Set a = New Counter
a.Bump b(1), 2
With a
  .Bump b(2), K
End With
s = a & b(1) & b(2)
Set a = Nothing
