The VB pages of one row (the C# ones and their description are in record.tpl).

<!--##session code##-->
<!--##include common_vb.tpl/directives##-->
<script runat="server">
<!--##include common_vb.tpl/server##-->
<!--## If MultiLang() Then ##-->
<!--##include common_vb.tpl/language##-->
<!--## End If ##-->
	Const Mode As String = <!--##=VbString(sMode)##-->
	Const From As String = <!--##=VbString(TableRef(TABLE.TblName))##-->
	Const ListUrl As String = <!--##=VbString(ListPage(TABLE))##-->
	Const ViewPage As String = <!--##=PageLit("view")##-->
	Const EditPage As String = <!--##=PageLit("edit")##-->
	Const DeletePage As String = <!--##=PageLit("delete")##-->
	' The fields of this page.
	Shared ReadOnly Cols As Col() = {
		<!--##=FieldInits(TABLE, TABLE.TblName, sMode)##-->
	}
	Shared ReadOnly KeyCols As Col() = {
		<!--##=FieldInits(TABLE, TABLE.TblName, "key")##-->
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
<!--##/session##-->

<!--##session view##-->
<h1><!--##=HtmlText(TableCaption(TABLE))##--></h1>
<% If Not Found Then %>
<p class="error"><!--##=PhraseHtml("NoRecord", "No record found.")##--></p>
<% Else %>
<table class="grid" id="record">
<% For i As Integer = 0 To Cols.Length - 1 %>
	<tr><th><%= Enc(Cols(i).Caption) %></th><td><%= Enc(Texts(i)) %></td></tr>
<% Next %>
</table>
<% If Mode = "delete" Then %>
<form method="post" action="<%= KeyLink(DeletePage) %>" id="confirm">
	<p><!--##=PhraseHtml("DeleteConfirm", "Delete this record?")##--></p>
	<button type="submit"><!--##=PhraseHtml("Delete", "Delete")##--></button>
</form>
<% Else %>
<p>
<% If EditPage.Length > 0 Then %><a class="edit" href="<%= KeyLink(EditPage) %>"><!--##=PhraseHtml("Edit", "Edit")##--></a><% End If %>
<% If DeletePage.Length > 0 Then %><a class="delete" href="<%= KeyLink(DeletePage) %>"><!--##=PhraseHtml("Delete", "Delete")##--></a><% End If %>
</p>
<% End If %>
<% End If %>
<p><a href="<!--##=HtmlText(ListPage(TABLE))##-->"><!--##=PhraseHtml("BackToList", "Back to list")##--></a></p>
<!--##/session##-->

<!--##session form##-->
<h1><!--##=HtmlText(TableCaption(TABLE))##--></h1>
<% If Not Found Then %>
<p class="error"><!--##=PhraseHtml("NoRecord", "No record found.")##--></p>
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
	<button type="submit" id="save"><!--##=PhraseHtml("Save", "Save")##--></button>
	<a href="<!--##=HtmlText(ListPage(TABLE))##-->"><!--##=PhraseHtml("Cancel", "Cancel")##--></a>
</form>
<% End If %>
<!--##/session##-->
