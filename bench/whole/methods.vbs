' Whole-process workload: method calls on a script class.
Class Counter
  Public Total, Count
  Private Sub Class_Initialize
    Total = 0: Count = 0
  End Sub
  Public Sub Add(x)
    Total = Total + x
    Count = Count + 1
  End Sub
End Class
Dim c, i
Set c = New Counter
For i = 1 To 2000000
  c.Add i
Next
WScript.Echo c.Count & " " & c.Total
