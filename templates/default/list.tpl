List page of one table: paging, sorting by column and a search over the searchable fields.
Every value from the request reaches SQL as a parameter, every value written is HTML-encoded.

<!--##session code##-->
<!--##
	Dim f, nPerPage, sSep
	nPerPage = TABLE.TblRecPerPage
	If nPerPage <= 0 Then nPerPage = 20
##-->
<%@ Page Language="C#" %>
<%@ Import Namespace="System.Collections.Generic" %>
<%@ Import Namespace="System.Data" %>
<%@ Import Namespace="System.Web.Configuration" %>
<%@ Import Namespace="Mono.Data.Sqlite" %>
<script runat="server">
	const int RecordsPerPage = <!--##=nPerPage##-->;
	const string From = <!--##=CsString(QuoteIdent(TABLE.TblName))##-->;
	// Columns shown, as SQL, with their captions.
	static readonly string[] Columns = {
<!--##
	For Each f In TABLE.Fields
		If f.FldList Then
##-->
		<!--##=CsString(QuoteIdent(f.FldName))##-->,
<!--##
		End If
	Next
##-->
	};
	static readonly string[] Captions = {
<!--##
	For Each f In TABLE.Fields
		If f.FldList Then
##-->
		<!--##=CsString(FieldCaption(f))##-->,
<!--##
		End If
	Next
##-->
	};
	// Columns the search box looks in.
	static readonly string[] Searched = {
<!--##
	For Each f In TABLE.Fields
		If f.FldList And (f.FldSearch Or f.FldBasicSearch) Then
##-->
		<!--##=CsString(QuoteIdent(f.FldName))##-->,
<!--##
		End If
	Next
##-->
	};

	protected string Search = "";
	protected int PageNo = 1, Sort = -1, Total;
	protected bool Descending;
	protected List<object[]> Rows = new List<object[]>();

	static int Number(string text, int fallback)
	{
		int n;
		return int.TryParse(text, out n) ? n : fallback;
	}

	SqliteConnection Open()
	{
		string cs = WebConfigurationManager.ConnectionStrings["Main"].ConnectionString;
		cs = cs.Replace("|DataDirectory|", Server.MapPath("~/App_Data/"));
		var db = new SqliteConnection(cs);
		db.Open();
		return db;
	}

	void Page_Load(object sender, EventArgs e)
	{
		Search = (Request.QueryString["q"] ?? "").Trim();
		PageNo = Math.Max(1, Number(Request.QueryString["page"], 1));
		Sort = Number(Request.QueryString["sort"], -1);
		if (Sort < 0 || Sort >= Columns.Length) Sort = -1;
		Descending = Request.QueryString["dir"] == "desc";

		string where = "";
		if (Search.Length > 0 && Searched.Length > 0)
		{
			var terms = new List<string>();
			foreach (string c in Searched)
				terms.Add(c + " LIKE @search");
			where = " WHERE " + string.Join(" OR ", terms.ToArray());
		}
		using (SqliteConnection db = Open())
		{
			using (SqliteCommand count = db.CreateCommand())
			{
				count.CommandText = "SELECT COUNT(*) FROM " + From + where;
				count.Parameters.AddWithValue("@search", "%" + Search + "%");
				Total = Convert.ToInt32(count.ExecuteScalar());
			}
			using (SqliteCommand cmd = db.CreateCommand())
			{
				// The ORDER BY names a column of the fixed list, never text of the request.
				cmd.CommandText = "SELECT " + string.Join(", ", Columns) + " FROM " + From + where
					+ (Sort >= 0 ? " ORDER BY " + Columns[Sort] + (Descending ? " DESC" : " ASC") : "")
					+ " LIMIT @limit OFFSET @offset";
				cmd.Parameters.AddWithValue("@search", "%" + Search + "%");
				cmd.Parameters.AddWithValue("@limit", RecordsPerPage);
				cmd.Parameters.AddWithValue("@offset", (PageNo - 1) * RecordsPerPage);
				using (IDataReader r = cmd.ExecuteReader())
				{
					while (r.Read())
					{
						var row = new object[r.FieldCount];
						r.GetValues(row);
						Rows.Add(row);
					}
				}
			}
		}
	}

	protected static string Text(object v)
	{
		if (v == null || v is DBNull) return "";
		if (v is DateTime) return ((DateTime)v).ToString("yyyy-MM-dd");
		return Convert.ToString(v, System.Globalization.CultureInfo.InvariantCulture);
	}

	protected string Link(int page, int sort, bool desc)
	{
		var url = new System.Text.StringBuilder(Request.Path);
		url.Append("?page=").Append(page);
		if (sort >= 0) url.Append("&sort=").Append(sort).Append(desc ? "&dir=desc" : "");
		if (Search.Length > 0) url.Append("&q=").Append(HttpUtility.UrlEncode(Search));
		return HttpUtility.HtmlAttributeEncode(url.ToString());
	}
</script>
<!--##/session##-->

<!--##session body##-->
<h1><!--##=HtmlText(TableCaption(TABLE))##--></h1>
<form method="get" action="<!--##=HtmlText(ListPage(TABLE))##-->">
	<input type="text" name="q" value="<%= HttpUtility.HtmlAttributeEncode(Search) %>">
	<button type="submit">Search</button>
</form>
<table class="grid" id="list">
<thead><tr>
<% for (int i = 0; i < Captions.Length; i++) { %>
	<th><a href="<%= Link(1, i, Sort == i && !Descending) %>"><%= HttpUtility.HtmlEncode(Captions[i]) %></a></th>
<% } %>
</tr></thead>
<tbody>
<% foreach (object[] row in Rows) { %>
	<tr><% foreach (object v in row) { %><td><%= HttpUtility.HtmlEncode(Text(v)) %></td><% } %></tr>
<% } %>
</tbody>
</table>
<p class="pager">
<% int pages = Math.Max(1, (Total + RecordsPerPage - 1) / RecordsPerPage); %>
<% if (PageNo > 1) { %><a href="<%= Link(PageNo - 1, Sort, Descending) %>">&laquo;</a><% } %>
<%= PageNo %> / <%= pages %> (<%= Total %>)
<% if (PageNo < pages) { %><a href="<%= Link(PageNo + 1, Sort, Descending) %>">&raquo;</a><% } %>
</p>
<!--##/session##-->
