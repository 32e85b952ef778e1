The VB list page (the C# one and its description are in list.tpl). The list page's sessions
have set nPerPage before these.

<!--##session code##-->
<!--##include common_vb.tpl/directives##-->
<script runat="server">
<!--##include common_vb.tpl/server##-->
<!--## If MultiLang() Then ##-->
<!--##include common_vb.tpl/language##-->
<!--## End If ##-->
	Const RecordsPerPage As Integer = <!--##=nPerPage##-->
	Const From As String = <!--##=VbString(TableRef(TABLE.TblName))##-->
	' Fields shown, in order.
	Shared ReadOnly Cols As Col() = {
		<!--##=FieldInits(TABLE, TABLE.TblName, "list")##-->
	}
	' Key fields, read after the shown ones to name each row.
	Shared ReadOnly KeyCols As Col() = {
		<!--##=FieldInits(TABLE, TABLE.TblName, "key")##-->
	}
	' Detail lists of each row: caption, page, and the master field read after the keys.
	Shared ReadOnly Details As String()() = {<!--##=DetailInits(TABLE)##-->}
	' Columns the search box looks in.
	Shared ReadOnly Searched As String() = {<!--##=SearchInits(TABLE)##-->}
<!--## If TABLE.TblMasterTbl <> "" And TABLE.TblDetailFld <> "" Then ##-->
	' The rows of one master row only, when the master list sent its value.
	Const MasterColumn As String = <!--##=VbString(TableRef(TABLE.TblName) & "." & QuoteIdent(TABLE.TblDetailFld))##-->
	Const MasterKind As String = <!--##=VbString(FieldKind(TABLE.Fields(TABLE.TblDetailFld)))##-->
	Const MasterCaption As String = <!--##=VbString(TableCaption(PROJ.DB.Tables(TABLE.TblMasterTbl)))##-->
	Const MasterList As String = <!--##=VbString(ListPage(PROJ.DB.Tables(TABLE.TblMasterTbl)))##-->
<!--## Else ##-->
	Const MasterColumn As String = "", MasterKind As String = "", MasterCaption As String = "", MasterList As String = ""
<!--## End If ##-->
	Const ViewPage As String = <!--##=PageLit("view")##-->
	Const EditPage As String = <!--##=PageLit("edit")##-->
	Const DeletePage As String = <!--##=PageLit("delete")##-->
	Const AddPage As String = <!--##=PageLit("add")##-->

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
<!--##/session##-->

<!--##session body##-->
<h1><!--##=HtmlText(TableCaption(TABLE))##--></h1>
<% If Master.Length > 0 AndAlso MasterColumn.Length > 0 Then %>
<p class="master"><a href="<%= HttpUtility.HtmlAttributeEncode(MasterList) %>"><%= Enc(MasterCaption) %></a>: <%= Enc(Master) %></p>
<% End If %>
<form method="get" action="<!--##=HtmlText(ListPage(TABLE))##-->">
	<% If Master.Length > 0 Then %><input type="hidden" name="master" value="<%= HttpUtility.HtmlAttributeEncode(Master) %>"><% End If %>
	<input type="text" name="q" value="<%= HttpUtility.HtmlAttributeEncode(Search) %>">
	<button type="submit"><!--##=PhraseHtml("Search", "Search")##--></button>
	<% If AddPage.Length > 0 Then %><a id="add" href="<%= HttpUtility.HtmlAttributeEncode(AddPage) %>"><!--##=PhraseHtml("Add", "Add")##--></a><% End If %>
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
		<% If ViewPage.Length > 0 Then %><a class="view" href="<%= RowLink(ViewPage, row) %>"><!--##=PhraseHtml("View", "View")##--></a><% End If %>
		<% If EditPage.Length > 0 Then %><a class="edit" href="<%= RowLink(EditPage, row) %>"><!--##=PhraseHtml("Edit", "Edit")##--></a><% End If %>
		<% If DeletePage.Length > 0 Then %><a class="delete" href="<%= RowLink(DeletePage, row) %>"><!--##=PhraseHtml("Delete", "Delete")##--></a><% End If %>
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
<!--##/session##-->
