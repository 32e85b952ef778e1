Sessions shared by the VB pages of the default template set (the C# ones are in common.tpl).

<!--##session directives##-->
<%@ Page Language="VB" %>
<%@ Import Namespace="System.Collections.Generic" %>
<%@ Import Namespace="System.Data" %>
<%@ Import Namespace="System.Globalization" %>
<%@ Import Namespace="System.Web.Configuration" %>
<!--##/session##-->

<!--##session server##-->
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
	Shared ReadOnly SqliteFile As Boolean = <!--##=CsBool(IsSqlite())##-->

	' The connection of web.config.
	Function Open() As IDbConnection
		Dim cs As String = WebConfigurationManager.ConnectionStrings("Main").ConnectionString
<!--## If IsSqlite() Then ##-->
		cs = cs.Replace("|DataDirectory|", Server.MapPath("~/App_Data/"))
		Dim db As IDbConnection = New Mono.Data.Sqlite.SqliteConnection(cs)
<!--## Else ##-->
		Dim db As IDbConnection = New System.Data.Odbc.OdbcConnection(cs)
<!--## End If ##-->
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
				Return If(b = "1" OrElse b.Equals("true", StringComparison.OrdinalIgnoreCase), <!--##=PhraseCode("Yes", "Yes")##-->, <!--##=PhraseCode("No", "No")##-->)
			Case "date"
				Dim d As DateTime
				If TypeOf v Is DateTime Then
					d = CType(v, DateTime)
				ElseIf Not TryDate(Plain(v), d) Then
					Return Plain(v)
				End If
				Select Case digits
					Case 5 : Return d.ToString(<!--##=VbString("yyyy" & DateSep() & "MM" & DateSep() & "dd")##-->, Invariant)
					Case 6 : Return d.ToString(<!--##=VbString("MM" & DateSep() & "dd" & DateSep() & "yyyy")##-->, Invariant)
					Case 7 : Return d.ToString(<!--##=VbString("dd" & DateSep() & "MM" & DateSep() & "yyyy")##-->, Invariant)
					Case Else : Return d.ToString("yyyy-MM-dd", Invariant)
				End Select
			Case "cur", "num", "pct"
				Dim n As Decimal
				If Not Decimal.TryParse(Plain(v), NumberStyles.Float, Invariant, n) Then Return Plain(v)
				If f(0) = "pct" Then Return (n * 100).ToString("N" & digits, Invariant) & "%"
				Return If(f(0) = "cur", <!--##=PhraseCode("CurrencySymbol", "")##-->, "") & n.ToString("N" & digits, Invariant)
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
			If c.Required Then errorText = String.Format(<!--##=PhraseCode("EnterRequiredField", "Please enter the required field {0}.")##-->, c.Caption)
			Return DBNull.Value
		End If
		Select Case c.Kind
			Case "int"
				Dim l As Long
				If Long.TryParse(text, NumberStyles.Integer, Invariant, l) Then Return l
				errorText = String.Format(<!--##=PhraseCode("IncorrectInteger", "{0} must be a whole number.")##-->, c.Caption)
				Return Nothing
			Case "num"
				Dim m As Decimal
				If Decimal.TryParse(text, NumberStyles.Float, Invariant, m) Then Return m
				errorText = String.Format(<!--##=PhraseCode("IncorrectFloat", "{0} must be a number.")##-->, c.Caption)
				Return Nothing
			Case "date"
				Dim d As DateTime
				If TryDate(text, d) Then Return If(SqliteFile, CObj(d.ToString("yyyy-MM-dd", Invariant)), CObj(d))
				errorText = String.Format(<!--##=PhraseCode("IncorrectDate", "{0} must be a date (yyyy-mm-dd).")##-->, c.Caption)
				Return Nothing
		End Select
		If c.MaxLength > 0 AndAlso text.Length > c.MaxLength Then
			errorText = String.Format(<!--##=PhraseCode("MaxLengthExceeded", "{0} takes at most {1} characters.")##-->, c.Caption, c.MaxLength)
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
<!--##/session##-->

<!--##session language##-->
	' The site's languages, from its generated language files: the one a "lang" request names
	' is kept in a cookie; without one the first file's language.
	Shared ReadOnly LanguageFiles As String() = {<!--##=LanguageFileInits()##-->}
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
<!--##/session##-->
