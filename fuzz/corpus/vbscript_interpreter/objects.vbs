Set re = New RegExp
re.Pattern = "(\w+)@(\w+)\.com"
re.Global = True
re.IgnoreCase = True
Set ms = re.Execute("ann@example.com, bob@test.com")
For Each m In ms
  s = s & m.FirstIndex & m.SubMatches(0) & m.Value
Next
t = re.Replace("x@y.com", "$2 at $1 [$`|$'|$&|$$]")
Class Node
  Public Nxt, Val
End Class
Set h = Nothing
For i = 1 To 50
  Set n2 = New Node: n2.Val = i: Set n2.Nxt = h: Set h = n2
Next
Set h = Nothing
a = Array(1, "two", Array(3, 4), Null, Empty)
b = a: b(0) = 9
c = IsArray(a) And IsNull(a(3)) And IsEmpty(a(4)) And VarType(a) = 8204 And TypeName(b(1)) = "String"
