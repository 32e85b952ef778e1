' Helpers of the default template set, called by its templates while they run.

' A table or column name as SQL text, between the database kind's quotes (double quotes
' when it names none), a closing quote inside the name doubled.
Function QuoteIdent(sName)
	Dim qs, qe
	qs = PROJ.DB.DBQuoteS
	qe = PROJ.DB.DBQuoteE
	If qs = "" Then qs = """"
	If qe = "" Then qe = qs
	QuoteIdent = qs & Replace(sName, qe, qe & qe) & qe
End Function

' A text as a C# string literal.
Function CsString(sText)
	Dim s
	s = Replace(sText, "\", "\\")
	s = Replace(s, """", "\""")
	s = Replace(s, vbCr, "\r")
	s = Replace(s, vbLf, "\n")
	s = Replace(s, vbTab, "\t")
	CsString = """" & s & """"
End Function

' A text written into the page as HTML.
Function HtmlText(sText)
	Dim s
	s = Replace(sText, "&", "&amp;")
	s = Replace(s, "<", "&lt;")
	s = Replace(s, ">", "&gt;")
	HtmlText = Replace(s, """", "&quot;")
End Function

' The caption of a table, its name when it has none.
Function TableCaption(t)
	TableCaption = t.TblCaption
	If TableCaption = "" Then TableCaption = t.TblName
End Function

' The caption of a field, its name when it has none.
Function FieldCaption(f)
	FieldCaption = f.FldCaption
	If FieldCaption = "" Then FieldCaption = f.FldName
End Function

' The list page of a table.
Function ListPage(t)
	ListPage = t.TblVar & "list.aspx"
End Function
