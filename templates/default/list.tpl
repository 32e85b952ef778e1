List page of one table: paging, sorting by column, a search over the searchable fields, lookup
display values, formats, links to the record pages and to the detail lists, and the charts.
Every value from the request reaches SQL as a parameter, every value written is HTML-encoded.

<!--##session code##-->
<!--##
	Dim f, nPerPage, d, dt, aDetails, nKeys, nExtra, c
	nPerPage = TABLE.TblRecPerPage
	If nPerPage <= 0 Then nPerPage = PROJ.GetV("RecPerPage")
	If nPerPage <= 0 Then nPerPage = 20
	aDetails = DetailTables(TABLE)
	If IsVb() Then
##-->
<!--##include list_vb.tpl/code##-->
<!--##
	Else
##-->
<!--##include common.tpl/directives##-->
<script runat="server">
<!--##include common.tpl/server##-->
<!--## If MultiLang() Then ##-->
<!--##include common.tpl/language##-->
<!--## End If ##-->
	const int RecordsPerPage = <!--##=nPerPage##-->;
	const string From = <!--##=CsString(TableRef(TABLE.TblName))##-->;
	// Fields shown, in order.
	static readonly Col[] Cols = {
<!--##
	For Each f In TABLE.Fields
		If f.FldList And f.FldGenerate Then
##-->
		<!--##=ColInit(TABLE.TblName, f)##-->,
<!--##
		End If
	Next
##-->
	};
	// Key fields, read after the shown ones to name each row.
	static readonly Col[] KeyCols = {
<!--##
	nKeys = 0
	For Each f In TABLE.Fields
		If f.FldIsPrimaryKey Then
			nKeys = nKeys + 1
##-->
		<!--##=ColInit(TABLE.TblName, f)##-->,
<!--##
		End If
	Next
##-->
	};
	// Detail lists of each row: caption, page, and the master field read after the keys.
	static readonly string[][] Details = {
<!--##
	For Each d In aDetails
		If d <> "" Then
			Set dt = PROJ.DB.Tables(d)
##-->
		new string[] { <!--##=CsString(TableCaption(dt))##-->, <!--##=CsString(ListPage(dt))##-->, <!--##=CsString(QuoteIdent(dt.TblMasterFld))##--> },
<!--##
		End If
	Next
##-->
	};
	// Columns the search box looks in.
	static readonly string[] Searched = {
<!--##
	For Each f In TABLE.Fields
		If f.FldGenerate And (f.FldSearch Or f.FldBasicSearch) Then
##-->
		<!--##=CsString(ColumnSql(TABLE.TblName, f))##-->,
<!--##
		End If
	Next
##-->
	};
<!--## If TABLE.TblMasterTbl <> "" And TABLE.TblDetailFld <> "" Then ##-->
	// The rows of one master row only, when the master list sent its value.
	const string MasterColumn = <!--##=CsString(TableRef(TABLE.TblName) & "." & QuoteIdent(TABLE.TblDetailFld))##-->;
	const string MasterKind = <!--##=CsString(FieldKind(TABLE.Fields(TABLE.TblDetailFld)))##-->;
	const string MasterCaption = <!--##=CsString(TableCaption(PROJ.DB.Tables(TABLE.TblMasterTbl)))##-->;
	const string MasterList = <!--##=CsString(ListPage(PROJ.DB.Tables(TABLE.TblMasterTbl)))##-->;
<!--## Else ##-->
	const string MasterColumn = "", MasterKind = "", MasterCaption = "", MasterList = "";
<!--## End If ##-->
	const string ViewPage = <!--##If HasPage(TABLE, "view") Then##--><!--##=CsString(PageName(TABLE, "view"))##--><!--##Else##-->""<!--##End If##-->;
	const string EditPage = <!--##If HasPage(TABLE, "edit") Then##--><!--##=CsString(PageName(TABLE, "edit"))##--><!--##Else##-->""<!--##End If##-->;
	const string DeletePage = <!--##If HasPage(TABLE, "delete") Then##--><!--##=CsString(PageName(TABLE, "delete"))##--><!--##Else##-->""<!--##End If##-->;
	const string AddPage = <!--##If HasPage(TABLE, "add") Then##--><!--##=CsString(PageName(TABLE, "add"))##--><!--##Else##-->""<!--##End If##-->;

	protected string Search = "", Master = "";
	protected int PageNo = 1, Sort = -1, Total;
	protected bool Descending;
	protected List<object[]> Rows = new List<object[]>();

	static int Number(string text, int fallback)
	{
		int n;
		return int.TryParse(text, out n) ? n : fallback;
	}

	// The WHERE clause of the search and the master row, its values added to args.
	string Where(List<object> args)
	{
		var terms = new List<string>();
		if (Search.Length > 0 && Searched.Length > 0)
		{
			var any = new List<string>();
			foreach (string c in Searched)
			{
				any.Add(c + " LIKE ?");
				args.Add("%" + Search + "%");
			}
			terms.Add("(" + string.Join(" OR ", any.ToArray()) + ")");
		}
		if (Master.Length > 0 && MasterColumn.Length > 0)
		{
			terms.Add(MasterColumn + " = ?");
			args.Add(KeyValue(MasterKind, Master));
		}
		return terms.Count == 0 ? "" : " WHERE " + string.Join(" AND ", terms.ToArray());
	}

	void Page_Load(object sender, EventArgs e)
	{
		Search = (Request.QueryString["q"] ?? "").Trim();
		Master = (Request.QueryString["master"] ?? "").Trim();
		PageNo = Math.Max(1, Number(Request.QueryString["page"], 1));
		Sort = Number(Request.QueryString["sort"], -1);
		if (Sort < 0 || Sort >= Cols.Length) Sort = -1;
		Descending = Request.QueryString["dir"] == "desc";

		var select = new List<string>();
		foreach (Col c in Cols) select.Add(c.Sql);
		foreach (Col c in KeyCols) select.Add(From + "." + c.Name);
		foreach (string[] d in Details) select.Add(From + "." + d[2]);
		using (IDbConnection db = Open())
		{
			var args = new List<object>();
			string where = Where(args);
			using (IDbCommand count = Command(db, "SELECT COUNT(*) FROM " + From + where, args))
				Total = Convert.ToInt32(count.ExecuteScalar());
			// The ORDER BY names a column of the fixed list, never text of the request.
			string sql = "SELECT " + string.Join(", ", select.ToArray()) + " FROM " + From + where
				+ (Sort >= 0 ? " ORDER BY " + Cols[Sort].Sql + (Descending ? " DESC" : " ASC") : "")
				+ " LIMIT ? OFFSET ?";
			args.Add(RecordsPerPage);
			args.Add((PageNo - 1) * RecordsPerPage);
			Rows = Query(db, sql, args);
<!--## If TABLE.Charts.Count > 0 Then ##-->
			LoadCharts(db);
<!--## End If ##-->
		}
	}

	protected string Link(int page, int sort, bool desc)
	{
		var url = new System.Text.StringBuilder(Request.Path);
		url.Append("?page=").Append(page);
		if (sort >= 0) url.Append("&sort=").Append(sort).Append(desc ? "&dir=desc" : "");
		if (Search.Length > 0) url.Append("&q=").Append(HttpUtility.UrlEncode(Search));
		if (Master.Length > 0) url.Append("&master=").Append(HttpUtility.UrlEncode(Master));
		return HttpUtility.HtmlAttributeEncode(url.ToString());
	}

	protected string RowLink(string page, object[] row)
	{
		return HttpUtility.HtmlAttributeEncode(page + "?" + KeyQuery(row, Cols.Length, KeyCols.Length));
	}
<!--## If TABLE.Charts.Count > 0 Then ##-->
<!--##include chart.tpl/code##-->
<!--## End If ##-->
</script>
<!--## End If ##-->
<!--##/session##-->

<!--##session body##-->
<!--## If IsVb() Then ##-->
<!--##include list_vb.tpl/body##-->
<!--## Else ##-->
<h1><!--##=HtmlText(TableCaption(TABLE))##--></h1>
<% if (Master.Length > 0 && MasterColumn.Length > 0) { %>
<p class="master"><a href="<%= HttpUtility.HtmlAttributeEncode(MasterList) %>"><%= Enc(MasterCaption) %></a>: <%= Enc(Master) %></p>
<% } %>
<form method="get" action="<!--##=HtmlText(ListPage(TABLE))##-->">
	<% if (Master.Length > 0) { %><input type="hidden" name="master" value="<%= HttpUtility.HtmlAttributeEncode(Master) %>"><% } %>
	<input type="text" name="q" value="<%= HttpUtility.HtmlAttributeEncode(Search) %>">
	<button type="submit"><!--##=PhraseHtml("Search", "Search")##--></button>
	<% if (AddPage.Length > 0) { %><a id="add" href="<%= HttpUtility.HtmlAttributeEncode(AddPage) %>"><!--##=PhraseHtml("Add", "Add")##--></a><% } %>
</form>
<table class="grid" id="list">
<thead><tr>
<% for (int i = 0; i < Cols.Length; i++) { %>
	<th><a href="<%= Link(1, i, Sort == i && !Descending) %>"><%= Enc(Cols[i].Caption) %></a></th>
<% } %>
<% foreach (string[] d in Details) { %><th></th><% } %>
<% if (KeyCols.Length > 0 && (ViewPage.Length > 0 || EditPage.Length > 0 || DeletePage.Length > 0)) { %><th></th><% } %>
</tr></thead>
<tbody>
<% foreach (object[] row in Rows) { %>
	<tr>
	<% for (int i = 0; i < Cols.Length; i++) { %><td<%= Cols[i].Lookup.Length == 0 && (Cols[i].Kind == "int" || Cols[i].Kind == "num") ? " class=\"num\"" : "" %>><%= Enc(Format(row[i], Cols[i].Format)) %></td><% } %>
	<% for (int k = 0; k < Details.Length; k++) { %><td><a class="detail" href="<%= HttpUtility.HtmlAttributeEncode(Details[k][1] + "?master=" + HttpUtility.UrlEncode(Plain(row[Cols.Length + KeyCols.Length + k]))) %>"><%= Enc(Details[k][0]) %></a></td><% } %>
	<% if (KeyCols.Length > 0 && (ViewPage.Length > 0 || EditPage.Length > 0 || DeletePage.Length > 0)) { %><td>
		<% if (ViewPage.Length > 0) { %><a class="view" href="<%= RowLink(ViewPage, row) %>"><!--##=PhraseHtml("View", "View")##--></a><% } %>
		<% if (EditPage.Length > 0) { %><a class="edit" href="<%= RowLink(EditPage, row) %>"><!--##=PhraseHtml("Edit", "Edit")##--></a><% } %>
		<% if (DeletePage.Length > 0) { %><a class="delete" href="<%= RowLink(DeletePage, row) %>"><!--##=PhraseHtml("Delete", "Delete")##--></a><% } %>
	</td><% } %>
	</tr>
<% } %>
</tbody>
</table>
<p class="pager">
<% int pages = Math.Max(1, (Total + RecordsPerPage - 1) / RecordsPerPage); %>
<% if (PageNo > 1) { %><a class="prev" href="<%= Link(PageNo - 1, Sort, Descending) %>">&laquo;</a><% } %>
<%= PageNo %> / <%= pages %> (<%= Total %>)
<% if (PageNo < pages) { %><a class="next" href="<%= Link(PageNo + 1, Sort, Descending) %>">&raquo;</a><% } %>
</p>
<!--## If TABLE.Charts.Count > 0 Then ##-->
<!--##include chart.tpl/body##-->
<!--## End If ##-->
<!--## End If ##-->
<!--##/session##-->
