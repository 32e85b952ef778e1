On Error Resume Next
Err.Raise 5, "src", "desc"
e = Err.Number & Err.Source & Err.Description
Err.Clear
Dim fixed(2)
ReDim fixed(3)
x = Nothing.Foo
y = CInt("abc")
z = Array(1)(5)
Set o = Nothing
o.Bar
On Error GoTo 0
w = 2 ^ 1024
