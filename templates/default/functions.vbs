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
	' Angle brackets as escapes, so that no text can end the page's server script block.
	s = Replace(s, "<", "\u003C")
	s = Replace(s, ">", "\u003E")
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

' The page of a table that a control with that output name produces.
Function PageName(t, sKind)
	PageName = t.TblVar & sKind & ".aspx"
	If PROJ.OutputNameLCase Then PageName = LCase(PageName)
End Function

' The list page of a table.
Function ListPage(t)
	ListPage = PageName(t, "list")
End Function

' A phrase of the project's language, the English text where the language has none.
Function Msg(sId, sEnglish)
	Msg = Language.Phrase(sId)
	If Msg = "" Then Msg = sEnglish
End Function

' Whether the database is a SQLite file (the site then opens it through Mono.Data.Sqlite).
Function IsSqlite()
	IsSqlite = InStr(1, PROJ.DB.DBDBMSName & " " & PROJ.DB.DBType, "sqlite", 1) > 0
End Function

' Whether the table has a primary key, so that one row can be named.
Function HasKey(t)
	Dim f
	HasKey = False
	For Each f In t.Fields
		If f.FldIsPrimaryKey Then HasKey = True
	Next
End Function

' Whether the table gets a page of that kind: its flag is set and it has a key.
Function HasPage(t, sKind)
	HasPage = False
	If Not t.TblGen Or t.TblType = "REPORT" Then Exit Function
	If Not HasKey(t) Then Exit Function
	Select Case sKind
		Case "view": HasPage = t.TblView
		Case "edit": HasPage = t.TblEdit
		Case "add": HasPage = t.TblAdd
		Case "delete": HasPage = t.TblDelete
	End Select
End Function

' The kind of value a field holds, as the pages check and convert it.
Function FieldKind(f)
	FieldKind = "text"
	Select Case UCase(f.FldValidate)
		Case "INTEGER": FieldKind = "int"
		Case "FLOAT": FieldKind = "num"
		Case "DATE", "USDATE", "EURODATE": FieldKind = "date"
	End Select
	If f.FldHtmlTag = "CHECKBOX" Or f.FldType = 11 Then FieldKind = "bool"
	Select Case f.FldType
		Case 7, 133, 135, 146: FieldKind = "date"
	End Select
End Function

' The display format of a field: kind and digits, as the pages' Format reads it.
Function FieldFormat(f)
	Dim d
	d = f.FldNumDigits
	Select Case f.FldFmtType
		Case "Date/Time": FieldFormat = "date:" & f.FldDtFormat
		Case "Currency": FieldFormat = "cur:" & d
		Case "Number": FieldFormat = "num:" & d
		Case "Percent": FieldFormat = "pct:" & d
		Case Else
			FieldFormat = ""
			If FieldKind(f) = "bool" Then FieldFormat = "bool"
			If FieldKind(f) = "date" Then FieldFormat = "date:0"
	End Select
End Function

' Whether a field shows the display value of a row of another table.
Function IsLookup(f)
	IsLookup = f.FldTagLnkTbl <> "" And f.FldTagLnkFld <> "" And f.FldTagLnkDisplay <> ""
End Function

' The field's column as SQL, qualified by its table.
Function ColumnSql(sTable, f)
	ColumnSql = TableRef(sTable) & "." & QuoteIdent(f.FldName)
End Function

' What a list or record shows for a field: the lookup's display value, else the column.
Function ShownSql(sTable, f)
	Dim lt
	If IsLookup(f) Then
		lt = TableRef(f.FldTagLnkTbl)
		ShownSql = "(SELECT " & lt & "." & QuoteIdent(f.FldTagLnkDisplay) & " FROM " & lt & _
			" WHERE " & lt & "." & QuoteIdent(f.FldTagLnkFld) & " = " & ColumnSql(sTable, f) & ")"
	Else
		ShownSql = ColumnSql(sTable, f)
	End If
End Function

' The choices of a lookup field: its key and display value of every row of the other table.
Function LookupSql(f)
	LookupSql = ""
	If Not IsLookup(f) Then Exit Function
	LookupSql = "SELECT " & QuoteIdent(f.FldTagLnkFld) & ", " & QuoteIdent(f.FldTagLnkDisplay) & _
		" FROM " & TableRef(f.FldTagLnkTbl) & " ORDER BY 2"
End Function

' The longest text a field takes, 0 when there is no limit to check.
Function FieldMaxLength(f)
	FieldMaxLength = 0
	If FieldKind(f) <> "text" Then Exit Function
	If f.FldTagMaxLength > 0 Then
		FieldMaxLength = f.FldTagMaxLength
	ElseIf f.FldSize > 0 And f.FldSize < 65536 Then
		FieldMaxLength = f.FldSize
	End If
End Function

' One field of a table (by name) as the pages' column description (class Col of the shared
' page code).
Function ColInit(sTable, f)
	ColInit = "new Col(" & Lit(ShownSql(sTable, f)) & ", " & Lit(QuoteIdent(f.FldName)) & _
		", " & Lit(f.FldVar) & ", " & Lit(FieldCaption(f)) & ", " & _
		Lit(FieldKind(f)) & ", " & Lit(FieldFormat(f)) & ", " & _
		LCase(CStr(CBool(f.FldRequired Or f.FldReq))) & ", " & FieldMaxLength(f) & ", " & _
		Lit(LookupSql(f)) & ", " & Lit(f.FldHtmlTag) & ")"
End Function

' The tables whose rows belong to one row of this table (their master is this table).
Function DetailTables(t)
	Dim d, n
	Set n = New StringBuilder
	For Each d In PROJ.DB.Tables
		If d.TblGen And d.TblList And d.TblMasterTbl = t.TblName And d.TblMasterFld <> "" _
				And d.TblDetailFld <> "" Then
			n.Append d.TblName & vbLf
		End If
	Next
	DetailTables = Split(n.ToString(), vbLf)
End Function

' A Boolean as C# text.
Function CsBool(b)
	If b Then CsBool = "true" Else CsBool = "false"
End Function

' The summary function of a chart as SQL.
Function ChartSummary(c)
	Select Case UCase(c.ChartSummaryType)
		Case "AVG", "AVERAGE": ChartSummary = "AVG"
		Case "COUNT": ChartSummary = "COUNT"
		Case "MIN": ChartSummary = "MIN"
		Case "MAX": ChartSummary = "MAX"
		Case Else: ChartSummary = "SUM"
	End Select
End Function

' How a chart is drawn, by its type code: 1 column, 2 bar, 3 line, 4 area, 5 pie.
Function ChartKind(c)
	Select Case c.ChartType
		Case 2: ChartKind = "bar"
		Case 3: ChartKind = "line"
		Case 4: ChartKind = "area"
		Case 5: ChartKind = "pie"
		Case Else: ChartKind = "column"
	End Select
End Function

' A text inside a C# string literal (the literal's quotes left out).
Function CsText(sText)
	CsText = CsString(sText)
	CsText = Mid(CsText, 2, Len(CsText) - 2)
End Function

' The separator of the project's date formats.
Function DateSep()
	DateSep = PROJ.GetV("DateSeparator")
	If DateSep = "" Then DateSep = "/"
End Function

' The title of a chart: its caption, else its name.
Function ChartTitle(c)
	ChartTitle = c.ChartCaption
	If ChartTitle = "" Then ChartTitle = c.ChartName
End Function

' The file name of a file database, which the site keeps in App_Data.
Function DbFileName()
	Dim s, i
	s = PROJ.DB.DBPhyPath
	If s = "" Then s = PROJ.DB.DBName
	s = Replace(s, "\", "/")
	i = InStrRev(s, "/")
	DbFileName = Mid(s, i + 1)
End Function

' Whether the current table gets each page of one row (the controls' conditions).
Function CanView()
	CanView = HasPage(TABLE, "view")
End Function

Function CanAdd()
	CanAdd = HasPage(TABLE, "add")
End Function

Function CanEdit()
	CanEdit = HasPage(TABLE, "edit")
End Function

Function CanDelete()
	CanDelete = HasPage(TABLE, "delete")
End Function

' Whether the pages are VB (any program language but C#).
Function IsVb()
	IsVb = PROJ.ProgramLanguage <> "C#"
End Function

' A text as a VB string literal (line breaks and tabs joined in as characters).
Function VbString(sText)
	Dim s
	s = """" & Replace(sText, """", """""") & """"
	s = Replace(s, vbCr, """ & ChrW(13) & """)
	s = Replace(s, vbLf, """ & ChrW(10) & """)
	s = Replace(s, vbTab, """ & ChrW(9) & """)
	' Angle brackets as characters, so that no text can end the page's server script block.
	s = Replace(s, "<", """ & ChrW(60) & """)
	VbString = Replace(s, ">", """ & ChrW(62) & """)
End Function

' A text as a string literal of the pages' language.
Function Lit(sText)
	If IsVb() Then Lit = VbString(sText) Else Lit = CsString(sText)
End Function

' The column descriptions of the fields a page uses, separated by commas: "list", "key" or
' the page kind ("view", "add", "edit", "delete"); sTable names the table read.
Function FieldInits(t, sTable, sUse)
	Dim f, bUse, sOut
	sOut = ""
	For Each f In t.Fields
		Select Case sUse
			Case "key": bUse = f.FldIsPrimaryKey
			Case "list": bUse = f.FldList And f.FldGenerate
			Case "add": bUse = f.FldAdd And f.FldGenerate
			Case "edit": bUse = f.FldEdit And f.FldGenerate
			Case Else: bUse = f.FldView And f.FldGenerate
		End Select
		If bUse Then
			If sOut <> "" Then sOut = sOut & "," & vbCrLf & vbTab & vbTab
			sOut = sOut & ColInit(sTable, f)
		End If
	Next
	FieldInits = sOut
End Function

' The searched columns of a table as string literals separated by commas.
Function SearchInits(t)
	Dim f, sOut
	sOut = ""
	For Each f In t.Fields
		If f.FldGenerate And (f.FldSearch Or f.FldBasicSearch) Then
			If sOut <> "" Then sOut = sOut & ", "
			sOut = sOut & Lit(ColumnSql(t.TblName, f))
		End If
	Next
	SearchInits = sOut
End Function

' The detail lists of a table's rows as string-array literals separated by commas: caption,
' page, and the master field read after the keys.
Function DetailInits(t)
	Dim d, dt, sOut
	sOut = ""
	For Each d In DetailTables(t)
		If d <> "" Then
			Set dt = PROJ.DB.Tables(d)
			If sOut <> "" Then sOut = sOut & ", "
			sOut = sOut & "New String() {" & Lit(TableCaption(dt)) & ", " & Lit(ListPage(dt)) & ", " & _
				Lit(QuoteIdent(dt.TblMasterFld)) & "}"
		End If
	Next
	DetailInits = sOut
End Function

' The page of the current table of that kind as a literal, "" when the table has none.
Function PageLit(sKind)
	If HasPage(TABLE, sKind) Then PageLit = Lit(PageName(TABLE, sKind)) Else PageLit = """"""
End Function

' A table of the database as SQL: its name between quotes, after its schema where the
' database has schemas and the project names one.
Function TableRef(sName)
	Dim t
	TableRef = QuoteIdent(sName)
	If IsSqlite() Then Exit Function
	For Each t In PROJ.DB.Tables
		If t.TblName = sName And t.TblSchema <> "" Then TableRef = QuoteIdent(t.TblSchema) & "." & TableRef
	Next
End Function

' The place of the last table named sName in an index text of the pages' menu (each entry
' the name, Chr(1), the place and a null character); 0 when the index has no such table.
Function PagePlace(sIndex, sName)
	Dim p, q
	PagePlace = 0
	p = InStrRev(sIndex, vbNullChar & sName & Chr(1))
	If p = 0 Then Exit Function
	p = p + Len(sName) + 2
	q = InStr(p, sIndex, vbNullChar)
	PagePlace = CLng(Mid(sIndex, p, q - p))
End Function

' Whether the site offers several languages: its pages then take their phrases from the
' generated language files while they run, and every page shows a language chooser.
Function MultiLang()
	MultiLang = False
	If Not PROJ.MultiLanguage Then Exit Function
	MultiLang = InStr(PROJ.LanguageFiles, ",") > 0
End Function

' A phrase written into a page's markup: the text itself with one language, else the page
' looks it up in the chosen language while it runs.
Function PhraseHtml(sId, sEnglish)
	If MultiLang() Then
		PhraseHtml = "<%= HttpUtility.HtmlEncode(Phrase(" & PlainLit(LCase(sId)) & ", " & _
			PlainLit(Msg(sId, sEnglish)) & ")) %" & ">"
	Else
		PhraseHtml = HtmlText(Msg(sId, sEnglish))
	End If
End Function

' A phrase as an expression of the pages' language, in the same way.
Function PhraseCode(sId, sEnglish)
	PhraseCode = PhraseIn(sId, sEnglish, Not IsVb())
End Function

' The same for the C# pages of a site in any language (the report pages).
Function PhraseCs(sId, sEnglish)
	PhraseCs = PhraseIn(sId, sEnglish, True)
End Function

Function PhraseIn(sId, sEnglish, bCs)
	Dim sText
	sText = Msg(sId, sEnglish)
	If bCs Then sText = CsString(sText) Else sText = VbString(sText)
	If MultiLang() Then
		If bCs Then PhraseIn = "Phrase(" & CsString(LCase(sId)) Else PhraseIn = "Phrase(" & VbString(LCase(sId))
		PhraseIn = PhraseIn & ", " & sText & ")"
	Else
		PhraseIn = sText
	End If
End Function

' A literal for markup shared by C# and VB pages: the same text in both where it holds no
' character the two write differently, else the pages' own form.
Function PlainLit(sText)
	Dim c
	For Each c In Array("""", "\", vbCr, vbLf, vbTab, "<", ">")
		If InStr(sText, c) > 0 Then
			PlainLit = Lit(sText)
			Exit Function
		End If
	Next
	PlainLit = """" & sText & """"
End Function

' The generated language files of the site as string literals separated by commas.
Function LanguageFileInits()
	Dim sFile, sOut
	sOut = ""
	For Each sFile In Split(PROJ.LanguageFiles, ",")
		If Trim(sFile) <> "" Then
			If sOut <> "" Then sOut = sOut & ", "
			sOut = sOut & Lit(Trim(sFile))
		End If
	Next
	LanguageFileInits = sOut
End Function
