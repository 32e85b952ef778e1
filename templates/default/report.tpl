Report page of a REPORT table: the rows of its source table, grouped by its first group-by
field, with the sums of the fields it totals per group and overall.

<!--##session code##-->
<!--##
	Dim f, sSrc, nGroup, nCol, nGroupBy
	sSrc = TABLE.TblRptSrc
	If sSrc = "" Then sSrc = TABLE.TblName
	nGroup = -1
	nCol = 0
	nGroupBy = 0
	For Each f In TABLE.Fields
		If f.FldList And f.FldGenerate Then
			If f.FldGroupBy > 0 And (nGroupBy = 0 Or f.FldGroupBy < nGroupBy) Then
				nGroup = nCol
				nGroupBy = f.FldGroupBy
			End If
			nCol = nCol + 1
		End If
	Next
##-->
<!--##include common.tpl/directives##-->
<script runat="server">
<!--##include common.tpl/server##-->
<!--## If MultiLang() Then ##-->
<!--##include common.tpl/language##-->
<!--## End If ##-->
	const string From = <!--##=CsString(TableRef(sSrc))##-->;
	const int GroupCol = <!--##=nGroup##-->;
	static readonly Col[] Cols = {
<!--##
	For Each f In TABLE.Fields
		If f.FldList And f.FldGenerate Then
##-->
		<!--##=ColInit(sSrc, f)##-->,
<!--##
		End If
	Next
##-->
	};
	// Whether each column is totalled.
	static readonly bool[] Summed = {
<!--##
	For Each f In TABLE.Fields
		If f.FldList And f.FldGenerate Then
##-->
		<!--##=CsBool(f.FldRptAggSum)##-->,
<!--##
		End If
	Next
##-->
	};
	protected List<object[]> Rows = new List<object[]>();

	void Page_Load(object sender, EventArgs e)
	{
		var select = new List<string>();
		foreach (Col c in Cols) select.Add(c.Sql);
		string sql = "SELECT " + string.Join(", ", select.ToArray()) + " FROM " + From;
		if (GroupCol >= 0) sql += " ORDER BY " + Cols[GroupCol].Sql;
		using (IDbConnection db = Open())
			Rows = Query(db, sql, new List<object>());
	}

	static decimal Num(object v)
	{
		decimal d;
		return decimal.TryParse(Plain(v), NumberStyles.Float, Invariant, out d) ? d : 0;
	}

	// One total row: the sums of the totalled columns.
	protected string TotalRow(string caption, decimal[] sums)
	{
		var s = new System.Text.StringBuilder("<tr class=\"total\">");
		for (int i = 0; i < Cols.Length; i++)
		{
			string text = i == 0 ? caption : "";
			if (Summed[i]) text = Format(sums[i], Cols[i].Format.Length > 0 ? Cols[i].Format : "num:2");
			s.Append("<td>").Append(Enc(text)).Append("</td>");
		}
		return s.Append("</tr>").ToString();
	}
</script>
<!--##/session##-->

<!--##session body##-->
<h1><!--##=HtmlText(TableCaption(TABLE))##--></h1>
<table class="grid" id="report">
<thead><tr><% foreach (Col c in Cols) { %><th><%= Enc(c.Caption) %></th><% } %></tr></thead>
<tbody>
<%
	decimal[] group = new decimal[Cols.Length], all = new decimal[Cols.Length];
	string current = null;
	foreach (object[] row in Rows)
	{
		string key = GroupCol >= 0 ? Plain(row[GroupCol]) : "";
		if (GroupCol >= 0 && current != null && key != current)
		{
			Response.Write(TotalRow(<!--##=PhraseCs("RptSumHead", "Sum")##-->, group));
			group = new decimal[Cols.Length];
		}
		current = key;
%>
	<tr><% for (int i = 0; i < Cols.Length; i++) { %><td><%= Enc(Format(row[i], Cols[i].Format)) %></td><% } %></tr>
<%
		for (int i = 0; i < Cols.Length; i++)
			if (Summed[i]) { group[i] += Num(row[i]); all[i] += Num(row[i]); }
	}
	if (GroupCol >= 0 && current != null) Response.Write(TotalRow(<!--##=PhraseCs("RptSumHead", "Sum")##-->, group));
	Response.Write(TotalRow(<!--##=PhraseCs("RptGrandTotal", "Grand total")##-->, all));
%>
</tbody>
</table>
<!--##/session##-->
