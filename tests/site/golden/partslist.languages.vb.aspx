




<%@ Page Language="VB" %>
<%@ Import Namespace="System.Collections.Generic" %>
<%@ Import Namespace="System.Data" %>
<%@ Import Namespace="System.Globalization" %>
<%@ Import Namespace="System.Web.Configuration" %>

<script runat="server">

	' What the page knows of one field: how to read it, show it, check it and write it.
	Protected Class Col
		Public Sql, Name, Var, Caption, Kind, Format, Lookup, Tag As String
		Public Required As Boolean
		Public MaxLength As Integer
		Public Sub New(sql As String, name As String, var As String, caption As String, kind As String, _
				format As String, required As Boolean, maxLength As Integer, lookup As String, tag As String)
			Me.Sql = sql : Me.Name = name : Me.Var = var : Me.Caption = caption : Me.Kind = kind
			Me.Format = format : Me.Required = required : Me.MaxLength = maxLength : Me.Lookup = lookup
			Me.Tag = tag
		End Sub
	End Class

	Shared ReadOnly Invariant As CultureInfo = CultureInfo.InvariantCulture
	' A SQLite file keeps dates as ISO text and Booleans as 0 and 1.
	Shared ReadOnly SqliteFile As Boolean = true

	' The connection of web.config.
	Function Open() As IDbConnection
		Dim cs As String = WebConfigurationManager.ConnectionStrings("Main").ConnectionString

		cs = cs.Replace("|DataDirectory|", Server.MapPath("~/App_Data/"))
		Dim db As IDbConnection = New Mono.Data.Sqlite.SqliteConnection(cs)

		db.Open()
		Return db
	End Function

	' A statement whose "?" marks take the values in order: values never become SQL text.
	Shared Function Command(db As IDbConnection, sql As String, values As List(Of Object)) As IDbCommand
		Dim cmd As IDbCommand = db.CreateCommand()
		cmd.CommandText = sql
		For Each v As Object In values
			Dim p As IDbDataParameter = cmd.CreateParameter()
			p.Value = If(v Is Nothing, DBNull.Value, v)
			cmd.Parameters.Add(p)
		Next
		Return cmd
	End Function

	Shared Function Query(db As IDbConnection, sql As String, values As List(Of Object)) As List(Of Object())
		Dim rows As New List(Of Object())
		Using cmd As IDbCommand = Command(db, sql, values)
			Using r As IDataReader = cmd.ExecuteReader()
				While r.Read()
					Dim row(r.FieldCount - 1) As Object
					r.GetValues(row)
					rows.Add(row)
				End While
			End Using
		End Using
		Return rows
	End Function

	Shared Function IsNull(v As Object) As Boolean
		Return v Is Nothing OrElse TypeOf v Is DBNull
	End Function

	Shared Function Plain(v As Object) As String
		If IsNull(v) Then Return ""
		If TypeOf v Is DateTime Then Return CType(v, DateTime).ToString("yyyy-MM-dd", Invariant)
		If TypeOf v Is Boolean Then Return If(CBool(v), "1", "0")
		Return Convert.ToString(v, Invariant)
	End Function

	Shared Function TryDate(text As String, ByRef d As DateTime) As Boolean
		Return DateTime.TryParseExact(text, New String() {"yyyy-MM-dd", "yyyy-MM-dd HH:mm:ss", _
			"yyyy-MM-ddTHH:mm:ss", "yyyy/MM/dd", "yyyy-MM-dd HH:mm:ss.FFFFFFF"}, Invariant, _
			DateTimeStyles.None, d)
	End Function

	' A value as the field's format shows it (text, not yet HTML-encoded).
	Shared Function Format(v As Object, fmt As String) As String
		If IsNull(v) Then Return ""
		Dim f As String() = fmt.Split(":"c)
		Dim digits As Integer = 2
		If f.Length > 1 Then Integer.TryParse(f(1), digits)
		Select Case f(0)
			Case "bool"
				Dim b As String = Plain(v)
				Return If(b = "1" OrElse b.Equals("true", StringComparison.OrdinalIgnoreCase), Phrase("yes", "Yes"), Phrase("no", "No"))
			Case "date"
				Dim d As DateTime
				If TypeOf v Is DateTime Then
					d = CType(v, DateTime)
				ElseIf Not TryDate(Plain(v), d) Then
					Return Plain(v)
				End If
				Select Case digits
					Case 5 : Return d.ToString("yyyy/MM/dd", Invariant)
					Case 6 : Return d.ToString("MM/dd/yyyy", Invariant)
					Case 7 : Return d.ToString("dd/MM/yyyy", Invariant)
					Case Else : Return d.ToString("yyyy-MM-dd", Invariant)
				End Select
			Case "cur", "num", "pct"
				Dim n As Decimal
				If Not Decimal.TryParse(Plain(v), NumberStyles.Float, Invariant, n) Then Return Plain(v)
				If f(0) = "pct" Then Return (n * 100).ToString("N" & digits, Invariant) & "%"
				Return If(f(0) = "cur", Phrase("currencysymbol", ""), "") & n.ToString("N" & digits, Invariant)
		End Select
		Return Plain(v)
	End Function

	' Checks one value typed into a form; its converted value, or Nothing with the message.
	Function Parse(c As Col, text As String, ByRef errorText As String) As Object
		errorText = Nothing
		text = If(text, "").Trim()
		If c.Kind = "bool" Then
			Dim isOn As Boolean = text.Length > 0 AndAlso text <> "0"
			Return If(SqliteFile, CObj(If(isOn, 1, 0)), CObj(isOn))
		End If
		If text.Length = 0 Then
			If c.Required Then errorText = String.Format(Phrase("enterrequiredfield", "Please enter the required field {0}."), c.Caption)
			Return DBNull.Value
		End If
		Select Case c.Kind
			Case "int"
				Dim l As Long
				If Long.TryParse(text, NumberStyles.Integer, Invariant, l) Then Return l
				errorText = String.Format(Phrase("incorrectinteger", "{0} must be a whole number."), c.Caption)
				Return Nothing
			Case "num"
				Dim m As Decimal
				If Decimal.TryParse(text, NumberStyles.Float, Invariant, m) Then Return m
				errorText = String.Format(Phrase("incorrectfloat", "{0} must be a number."), c.Caption)
				Return Nothing
			Case "date"
				Dim d As DateTime
				If TryDate(text, d) Then Return If(SqliteFile, CObj(d.ToString("yyyy-MM-dd", Invariant)), CObj(d))
				errorText = String.Format(Phrase("incorrectdate", "{0} must be a date (yyyy-mm-dd)."), c.Caption)
				Return Nothing
		End Select
		If c.MaxLength > 0 AndAlso text.Length > c.MaxLength Then
			errorText = String.Format(Phrase("maxlengthexceeded", "{0} takes at most {1} characters."), c.Caption, c.MaxLength)
			Return Nothing
		End If
		Return text
	End Function

	' The choices of a lookup field: value and display text.
	Function Choices(db As IDbConnection, c As Col) As List(Of Object())
		If c.Lookup.Length = 0 Then Return New List(Of Object())
		Return Query(db, c.Lookup, New List(Of Object))
	End Function

	' A key value from the request, converted to the key field's kind.
	Shared Function KeyValue(kind As String, text As String) As Object
		text = If(text, "")
		Dim l As Long
		Dim m As Decimal
		If kind = "int" AndAlso Long.TryParse(text, NumberStyles.Integer, Invariant, l) Then Return l
		If kind = "num" AndAlso Decimal.TryParse(text, NumberStyles.Float, Invariant, m) Then Return m
		Return text
	End Function

	' The query string naming one row by its key values.
	Shared Function KeyQuery(row As Object(), first As Integer, count As Integer) As String
		Dim q As New System.Text.StringBuilder()
		For i As Integer = 0 To count - 1
			q.Append(If(i = 0, "", "&")).Append("k").Append(i).Append("=") _
				.Append(HttpUtility.UrlEncode(Plain(row(first + i))))
		Next
		Return q.ToString()
	End Function

	Shared Function Enc(s As String) As String
		Return HttpUtility.HtmlEncode(s)
	End Function



	' The site's languages, from its generated language files: the one a "lang" request names
	' is kept in a cookie; without one the first file's language.
	Shared ReadOnly LanguageFiles As String() = {"english.xml", "german.xml"}
	Const LanguageCookie As String = "lang"

	Protected Class SiteLanguage
		Public Id, Name As String
		Public Phrases As New Dictionary(Of String, String)
	End Class

	Shared loadedLanguages As List(Of SiteLanguage)

	' The language files, read once and kept for every later request.
	Shared Function Languages() As List(Of SiteLanguage)
		SyncLock LanguageFiles
			If loadedLanguages IsNot Nothing Then Return loadedLanguages
			Dim all As New List(Of SiteLanguage)
			For Each file As String In LanguageFiles
				Dim doc As New System.Xml.XmlDocument()
				Try
					doc.Load(HttpContext.Current.Server.MapPath("~/" & file))
				Catch ex As Exception
					Continue For
				End Try
				Dim lang As New SiteLanguage()
				lang.Id = doc.DocumentElement.GetAttribute("id")
				lang.Name = doc.DocumentElement.GetAttribute("desc")
				If lang.Name.Length = 0 Then lang.Name = lang.Id
				For Each p As System.Xml.XmlElement In doc.SelectNodes("/*/global/phrase")
					lang.Phrases(p.GetAttribute("id").ToLowerInvariant()) = p.GetAttribute("value")
				Next
				all.Add(lang)
			Next
			loadedLanguages = all
			Return all
		End SyncLock
	End Function

	' The language of this request.
	Shared Function CurrentLanguage() As SiteLanguage
		Dim http As HttpContext = HttpContext.Current
		Dim chosen As SiteLanguage = TryCast(http.Items("language"), SiteLanguage)
		If chosen IsNot Nothing Then Return chosen
		Dim all As List(Of SiteLanguage) = Languages()
		If all.Count = 0 Then Return Nothing
		Dim asked As String = http.Request.QueryString("lang")
		Dim kept As HttpCookie = http.Request.Cookies(LanguageCookie)
		Dim want As String = If(asked, If(kept IsNot Nothing, kept.Value, Nothing))
		chosen = all(0)
		For Each l As SiteLanguage In all
			If l.Id = want Then chosen = l
		Next
		If asked IsNot Nothing Then
			Dim cookie As New HttpCookie(LanguageCookie, chosen.Id)
			cookie.Expires = DateTime.Now.AddYears(1)
			http.Response.Cookies.Add(cookie)
		End If
		http.Items("language") = chosen
		Return chosen
	End Function

	' A phrase of the chosen language; the generated text where the language has none.
	Shared Function Phrase(id As String, fallback As String) As String
		Dim lang As SiteLanguage = CurrentLanguage()
		Dim value As String = Nothing
		If lang IsNot Nothing AndAlso lang.Phrases.TryGetValue(id, value) AndAlso value.Length > 0 Then Return value
		Return fallback
	End Function

	' The chooser: a link per language to this page in that language, the chosen one marked.
	Shared Function LanguageChooser() As String
		Dim request As HttpRequest = HttpContext.Current.Request
		Dim current As SiteLanguage = CurrentLanguage()
		Dim html As New System.Text.StringBuilder("<ul id=""languages"">")
		For Each l As SiteLanguage In Languages()
			Dim query As System.Collections.Specialized.NameValueCollection = HttpUtility.ParseQueryString(request.QueryString.ToString())
			query("lang") = l.Id
			html.Append("<li><a class=""language").Append(If(l Is current, " chosen", "")) _
				.Append(""" hreflang=""").Append(HttpUtility.HtmlAttributeEncode(l.Id)) _
				.Append(""" href=""").Append(HttpUtility.HtmlAttributeEncode(request.Path & "?" & query.ToString())) _
				.Append(""">").Append(HttpUtility.HtmlEncode(l.Name)).Append("</a></li>")
		Next
		Return html.Append("</ul>").ToString()
	End Function


	Const RecordsPerPage As Integer = 15
	Const From As String = "`parts`"
	' Fields shown, in order.
	Shared ReadOnly Cols As Col() = {
		new Col("`parts`.`part_id`", "`part_id`", "x_part_id", "Part", "int", "", false, 0, "", ""),
		new Col("`parts`.`name`", "`name`", "x_name", "Say ""name"" " & ChrW(60) & "/script" & ChrW(62) & "", "text", "", true, 40, "", ""),
		new Col("(SELECT `makers`.`name` FROM `makers` WHERE `makers`.`maker_id` = `parts`.`maker_id`)", "`maker_id`", "x_maker_id", "Maker", "int", "", false, 0, "SELECT `maker_id`, `name` FROM `makers` ORDER BY 2", ""),
		new Col("`parts`.`made_on`", "`made_on`", "x_made_on", "Made on", "date", "date:5", false, 0, "", ""),
		new Col("`parts`.`in_stock`", "`in_stock`", "x_in_stock", "In stock", "bool", "bool", false, 0, "", "CHECKBOX")
	}
	' Key fields, read after the shown ones to name each row.
	Shared ReadOnly KeyCols As Col() = {
		new Col("`parts`.`part_id`", "`part_id`", "x_part_id", "Part", "int", "", false, 0, "", "")
	}
	' Detail lists of each row: caption, page, and the master field read after the keys.
	Shared ReadOnly Details As String()() = {}
	' Columns the search box looks in.
	Shared ReadOnly Searched As String() = {"`parts`.`name`"}

	Const MasterColumn As String = "", MasterKind As String = "", MasterCaption As String = "", MasterList As String = ""

	Const ViewPage As String = "partsview.aspx"
	Const EditPage As String = "partsedit.aspx"
	Const DeletePage As String = "partsdelete.aspx"
	Const AddPage As String = "partsadd.aspx"

	Protected Search As String = "", Master As String = ""
	Protected PageNo As Integer = 1, Sort As Integer = -1, Total As Integer
	Protected Descending As Boolean
	Protected Rows As New List(Of Object())

	Shared Function Number(text As String, fallback As Integer) As Integer
		Dim n As Integer
		Return If(Integer.TryParse(text, n), n, fallback)
	End Function

	' The WHERE clause of the search and the master row, its values added to args.
	Function Where(args As List(Of Object)) As String
		Dim terms As New List(Of String)
		If Search.Length > 0 AndAlso Searched.Length > 0 Then
			Dim any As New List(Of String)
			For Each c As String In Searched
				any.Add(c & " LIKE ?")
				args.Add("%" & Search & "%")
			Next
			terms.Add("(" & String.Join(" OR ", any.ToArray()) & ")")
		End If
		If Master.Length > 0 AndAlso MasterColumn.Length > 0 Then
			terms.Add(MasterColumn & " = ?")
			args.Add(KeyValue(MasterKind, Master))
		End If
		Return If(terms.Count = 0, "", " WHERE " & String.Join(" AND ", terms.ToArray()))
	End Function

	Sub Page_Load(sender As Object, e As EventArgs)
		Search = If(Request.QueryString("q"), "").Trim()
		Master = If(Request.QueryString("master"), "").Trim()
		PageNo = Math.Max(1, Number(Request.QueryString("page"), 1))
		Sort = Number(Request.QueryString("sort"), -1)
		If Sort < 0 OrElse Sort >= Cols.Length Then Sort = -1
		Descending = Request.QueryString("dir") = "desc"

		Dim columns As New List(Of String)
		For Each c As Col In Cols : columns.Add(c.Sql) : Next
		For Each c As Col In KeyCols : columns.Add(From & "." & c.Name) : Next
		For Each d As String() In Details : columns.Add(From & "." & d(2)) : Next
		Using db As IDbConnection = Open()
			Dim args As New List(Of Object)
			Dim whereSql As String = Where(args)
			Using count As IDbCommand = Command(db, "SELECT COUNT(*) FROM " & From & whereSql, args)
				Total = Convert.ToInt32(count.ExecuteScalar())
			End Using
			' The ORDER BY names a column of the fixed list, never text of the request.
			Dim sql As String = "SELECT " & String.Join(", ", columns.ToArray()) & " FROM " & From & whereSql _
				& If(Sort >= 0, " ORDER BY " & Cols(Sort).Sql & If(Descending, " DESC", " ASC"), "") _
				& " LIMIT ? OFFSET ?"
			args.Add(RecordsPerPage)
			args.Add((PageNo - 1) * RecordsPerPage)
			Rows = Query(db, sql, args)
		End Using
	End Sub

	Protected Function Link(page As Integer, sortBy As Integer, desc As Boolean) As String
		Dim url As New System.Text.StringBuilder(Request.Path)
		url.Append("?page=").Append(page)
		If sortBy >= 0 Then url.Append("&sort=").Append(sortBy).Append(If(desc, "&dir=desc", ""))
		If Search.Length > 0 Then url.Append("&q=").Append(HttpUtility.UrlEncode(Search))
		If Master.Length > 0 Then url.Append("&master=").Append(HttpUtility.UrlEncode(Master))
		Return HttpUtility.HtmlAttributeEncode(url.ToString())
	End Function

	Protected Function RowLink(page As String, row As Object()) As String
		Return HttpUtility.HtmlAttributeEncode(page & "?" & KeyQuery(row, Cols.Length, KeyCols.Length))
	End Function
</script>



<!DOCTYPE html>
<html>
<head>
<meta charset="utf-8">
<title>Shop</title>
<style>
body { font-family: sans-serif; margin: 1em 2em; }
nav ul { list-style: none; margin: 0 0 1em 0; padding: 0; }
nav li { display: inline-block; margin-right: 1em; vertical-align: top; }
nav li ul { display: block; margin: 0 0 0 1em; }
table.grid { border-collapse: collapse; }
table.grid th, table.grid td { border: 1px solid #999; padding: 2px 6px; }
td.num { text-align: right; }
table.grid td a + a { margin-left: .6em; }
.error { color: #b00; }
form.record label { display: inline-block; min-width: 10em; }
</style>
</head>
<body>
<nav id="menu">
<ul>
<li><a href="default.aspx"><%= HttpUtility.HtmlEncode(Phrase("home", "Home")) %></a></li>

<li><a href="partslist.aspx">Parts &amp; &lt;Pieces&gt;</a></li>

</ul>
</nav>

<%= LanguageChooser() %>




<h1>Parts &amp; &lt;Pieces&gt;</h1>
<% If Master.Length > 0 AndAlso MasterColumn.Length > 0 Then %>
<p class="master"><a href="<%= HttpUtility.HtmlAttributeEncode(MasterList) %>"><%= Enc(MasterCaption) %></a>: <%= Enc(Master) %></p>
<% End If %>
<form method="get" action="partslist.aspx">
	<% If Master.Length > 0 Then %><input type="hidden" name="master" value="<%= HttpUtility.HtmlAttributeEncode(Master) %>"><% End If %>
	<input type="text" name="q" value="<%= HttpUtility.HtmlAttributeEncode(Search) %>">
	<button type="submit"><%= HttpUtility.HtmlEncode(Phrase("search", "Search")) %></button>
	<% If AddPage.Length > 0 Then %><a id="add" href="<%= HttpUtility.HtmlAttributeEncode(AddPage) %>"><%= HttpUtility.HtmlEncode(Phrase("add", "Add")) %></a><% End If %>
</form>
<table class="grid" id="list">
<thead><tr>
<% For i As Integer = 0 To Cols.Length - 1 %>
	<th><a href="<%= Link(1, i, Sort = i AndAlso Not Descending) %>"><%= Enc(Cols(i).Caption) %></a></th>
<% Next %>
<% For Each d As String() In Details %><th></th><% Next %>
<% If KeyCols.Length > 0 AndAlso (ViewPage.Length > 0 OrElse EditPage.Length > 0 OrElse DeletePage.Length > 0) Then %><th></th><% End If %>
</tr></thead>
<tbody>
<% For Each row As Object() In Rows %>
	<tr>
	<% For i As Integer = 0 To Cols.Length - 1 %><td<%= If(Cols(i).Lookup.Length = 0 AndAlso (Cols(i).Kind = "int" OrElse Cols(i).Kind = "num"), " class=""num""", "") %>><%= Enc(Format(row(i), Cols(i).Format)) %></td><% Next %>
	<% For k As Integer = 0 To Details.Length - 1 %><td><a class="detail" href="<%= HttpUtility.HtmlAttributeEncode(Details(k)(1) & "?master=" & HttpUtility.UrlEncode(Plain(row(Cols.Length + KeyCols.Length + k)))) %>"><%= Enc(Details(k)(0)) %></a></td><% Next %>
	<% If KeyCols.Length > 0 AndAlso (ViewPage.Length > 0 OrElse EditPage.Length > 0 OrElse DeletePage.Length > 0) Then %><td>
		<% If ViewPage.Length > 0 Then %><a class="view" href="<%= RowLink(ViewPage, row) %>"><%= HttpUtility.HtmlEncode(Phrase("view", "View")) %></a><% End If %>
		<% If EditPage.Length > 0 Then %><a class="edit" href="<%= RowLink(EditPage, row) %>"><%= HttpUtility.HtmlEncode(Phrase("edit", "Edit")) %></a><% End If %>
		<% If DeletePage.Length > 0 Then %><a class="delete" href="<%= RowLink(DeletePage, row) %>"><%= HttpUtility.HtmlEncode(Phrase("delete", "Delete")) %></a><% End If %>
	</td><% End If %>
	</tr>
<% Next %>
</tbody>
</table>
<p class="pager">
<% Dim pages As Integer = Math.Max(1, (Total + RecordsPerPage - 1) \ RecordsPerPage) %>
<% If PageNo > 1 Then %><a class="prev" href="<%= Link(PageNo - 1, Sort, Descending) %>">&laquo;</a><% End If %>
<%= PageNo %> / <%= pages %> (<%= Total %>)
<% If PageNo < pages Then %><a class="next" href="<%= Link(PageNo + 1, Sort, Descending) %>">&raquo;</a><% End If %>
</p>



</body>
</html>
