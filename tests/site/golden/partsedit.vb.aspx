






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
				Return If(b = "1" OrElse b.Equals("true", StringComparison.OrdinalIgnoreCase), "Yes", "No")
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
				Return If(f(0) = "cur", "", "") & n.ToString("N" & digits, Invariant)
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
			If c.Required Then errorText = String.Format("Please enter the required field {0}.", c.Caption)
			Return DBNull.Value
		End If
		Select Case c.Kind
			Case "int"
				Dim l As Long
				If Long.TryParse(text, NumberStyles.Integer, Invariant, l) Then Return l
				errorText = String.Format("{0} must be a whole number.", c.Caption)
				Return Nothing
			Case "num"
				Dim m As Decimal
				If Decimal.TryParse(text, NumberStyles.Float, Invariant, m) Then Return m
				errorText = String.Format("{0} must be a number.", c.Caption)
				Return Nothing
			Case "date"
				Dim d As DateTime
				If TryDate(text, d) Then Return If(SqliteFile, CObj(d.ToString("yyyy-MM-dd", Invariant)), CObj(d))
				errorText = String.Format("{0} must be a date (yyyy-mm-dd).", c.Caption)
				Return Nothing
		End Select
		If c.MaxLength > 0 AndAlso text.Length > c.MaxLength Then
			errorText = String.Format("{0} takes at most {1} characters.", c.Caption, c.MaxLength)
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


	Const Mode As String = "edit"
	Const From As String = "`parts`"
	Const ListUrl As String = "partslist.aspx"
	Const ViewPage As String = "partsview.aspx"
	Const EditPage As String = "partsedit.aspx"
	Const DeletePage As String = "partsdelete.aspx"
	' The fields of this page.
	Shared ReadOnly Cols As Col() = {
		new Col("`parts`.`part_id`", "`part_id`", "x_part_id", "Part", "int", "", false, 0, "", ""),
		new Col("`parts`.`name`", "`name`", "x_name", "Say ""name"" " & ChrW(60) & "/script" & ChrW(62) & "", "text", "", true, 40, "", ""),
		new Col("(SELECT `makers`.`name` FROM `makers` WHERE `makers`.`maker_id` = `parts`.`maker_id`)", "`maker_id`", "x_maker_id", "Maker", "int", "", false, 0, "SELECT `maker_id`, `name` FROM `makers` ORDER BY 2", ""),
		new Col("`parts`.`made_on`", "`made_on`", "x_made_on", "Made on", "date", "date:5", false, 0, "", ""),
		new Col("`parts`.`in_stock`", "`in_stock`", "x_in_stock", "In stock", "bool", "bool", false, 0, "", "CHECKBOX")
	}
	Shared ReadOnly KeyCols As Col() = {
		new Col("`parts`.`part_id`", "`part_id`", "x_part_id", "Part", "int", "", false, 0, "", "")
	}

	' The row's values as the page shows them, or as the form holds them.
	Protected Texts As String() = New String(Cols.Length - 1) {}
	Protected Found As Boolean = True
	Protected Errors As New List(Of String)
	Protected Options As List(Of Object())() = New List(Of Object())(Cols.Length - 1) {}

	' The key values of the request, converted; Nothing when one is missing.
	Function KeyArgs() As List(Of Object)
		Dim args As New List(Of Object)
		For i As Integer = 0 To KeyCols.Length - 1
			Dim t As String = Request.QueryString("k" & i)
			If t Is Nothing Then Return Nothing
			args.Add(KeyValue(KeyCols(i).Kind, t))
		Next
		Return args
	End Function

	Shared Function KeyWhere() As String
		Dim terms As New List(Of String)
		For Each k As Col In KeyCols : terms.Add(k.Name & " = ?") : Next
		Return " WHERE " & String.Join(" AND ", terms.ToArray())
	End Function

	Protected Function KeyLink(page As String) As String
		Dim q As New System.Text.StringBuilder(page)
		For i As Integer = 0 To KeyCols.Length - 1
			q.Append(If(i = 0, "?", "&")).Append("k").Append(i).Append("=") _
				.Append(HttpUtility.UrlEncode(If(Request.QueryString("k" & i), "")))
		Next
		Return HttpUtility.HtmlAttributeEncode(q.ToString())
	End Function

	Sub Page_Load(sender As Object, e As EventArgs)
		Dim isForm As Boolean = Mode = "add" OrElse Mode = "edit"
		Using db As IDbConnection = Open()
			Dim keys As List(Of Object) = Nothing
			If Mode <> "add" Then
				keys = KeyArgs()
				If keys Is Nothing OrElse Cols.Length = 0 Then Found = False : Return
				Dim columns As New List(Of String)
				For Each c As Col In Cols : columns.Add(If(isForm, From & "." & c.Name, c.Sql)) : Next
				Dim rows As List(Of Object()) = Query(db, "SELECT " & String.Join(", ", columns.ToArray()) _
					& " FROM " & From & KeyWhere(), keys)
				If rows.Count = 0 Then Found = False : Response.StatusCode = 404 : Return
				For i As Integer = 0 To Cols.Length - 1
					Texts(i) = If(isForm, Plain(rows(0)(i)), Format(rows(0)(i), Cols(i).Format))
				Next
			Else
				For i As Integer = 0 To Cols.Length - 1 : Texts(i) = "" : Next
			End If
			If isForm Then
				For i As Integer = 0 To Cols.Length - 1 : Options(i) = Choices(db, Cols(i)) : Next
			End If
			If Request.HttpMethod <> "POST" Then Return
			If Mode = "delete" Then
				Using cmd As IDbCommand = Command(db, "DELETE FROM " & From & KeyWhere(), keys)
					cmd.ExecuteNonQuery()
				End Using
				Response.Redirect(ListUrl, False)
				Return
			End If
			If Not isForm Then Return
			Dim values As New List(Of Object)
			Dim names As New List(Of String)
			For i As Integer = 0 To Cols.Length - 1
				Dim text As String = Request.Form(Cols(i).Var)
				Texts(i) = If(text, "")
				Dim errorText As String = Nothing
				Dim v As Object = Parse(Cols(i), text, errorText)
				If errorText IsNot Nothing Then Errors.Add(errorText)
				values.Add(v)
				names.Add(Cols(i).Name)
			Next
			If Errors.Count > 0 Then Return
			Dim sql As String
			If Mode = "add" Then
				Dim marks As New List(Of String)
				For Each n As String In names : marks.Add("?") : Next
				sql = "INSERT INTO " & From & " (" & String.Join(", ", names.ToArray()) & ") VALUES (" _
					& String.Join(", ", marks.ToArray()) & ")"
			Else
				Dim sets As New List(Of String)
				For Each n As String In names : sets.Add(n & " = ?") : Next
				sql = "UPDATE " & From & " SET " & String.Join(", ", sets.ToArray()) & KeyWhere()
				values.AddRange(keys)
			End If
			Try
				Using cmd As IDbCommand = Command(db, sql, values)
					cmd.ExecuteNonQuery()
				End Using
			Catch ex As Exception
				Errors.Add(ex.Message)
				Return
			End Try
			Response.Redirect(ListUrl, False)
		End Using
	End Sub
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
<li><a href="default.aspx">Home</a></li>

<li><a href="partslist.aspx">Parts &amp; &lt;Pieces&gt;</a></li>

</ul>
</nav>





<h1>Parts &amp; &lt;Pieces&gt;</h1>
<% If Not Found Then %>
<p class="error">No record found.</p>
<% Else %>
<% If Errors.Count > 0 Then %>
<ul class="error" id="errors"><% For Each m As String In Errors %><li><%= Enc(m) %></li><% Next %></ul>
<% End If %>
<form method="post" class="record" id="record" action="<%= If(Mode = "add", HttpUtility.HtmlAttributeEncode(Request.Path), KeyLink(Request.Path)) %>">
<% For i As Integer = 0 To Cols.Length - 1 %>
<% Dim c As Col = Cols(i) %>
	<p><label for="<%= Enc(c.Var) %>"><%= Enc(c.Caption) %><%= If(c.Required, " *", "") %></label>
	<% If c.Kind = "bool" Then %>
		<input type="checkbox" id="<%= Enc(c.Var) %>" name="<%= Enc(c.Var) %>" value="1"<%= If(Texts(i) = "1" OrElse Texts(i).ToLowerInvariant() = "true", " checked", "") %>>
	<% ElseIf c.Lookup.Length > 0 Then %>
		<select id="<%= Enc(c.Var) %>" name="<%= Enc(c.Var) %>">
		<% If Not c.Required Then %><option value=""></option><% End If %>
		<% For Each o As Object() In Options(i) %>
			<option value="<%= HttpUtility.HtmlAttributeEncode(Plain(o(0))) %>"<%= If(Plain(o(0)) = Texts(i), " selected", "") %>><%= Enc(Plain(o(1))) %></option>
		<% Next %>
		</select>
	<% ElseIf c.Tag = "TEXTAREA" Then %>
		<textarea id="<%= Enc(c.Var) %>" name="<%= Enc(c.Var) %>" rows="4" cols="35"><%= Enc(Texts(i)) %></textarea>
	<% Else %>
		<input type="text" id="<%= Enc(c.Var) %>" name="<%= Enc(c.Var) %>" value="<%= HttpUtility.HtmlAttributeEncode(Texts(i)) %>"<%= If(c.MaxLength > 0, " maxlength=""" & c.MaxLength & """", "") %>>
	<% End If %>
	</p>
<% Next %>
	<button type="submit" id="save">Save</button>
	<a href="partslist.aspx">Cancel</a>
</form>
<% End If %>




</body>
</html>
