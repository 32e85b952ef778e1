The pages of one row of a table: view, add, edit and delete. The page sets sMode ("view",
"add", "edit" or "delete") before these sessions; a row is named by its key values in the
query string (k0, k1, ...). Every value from the request reaches SQL as a parameter, every
value written is HTML-encoded.

<!--##session code##-->
<!--##
	Dim f, bUse
	If IsVb() Then
##-->
<!--##include record_vb.tpl/code##-->
<!--##
	Else
##-->
<!--##include common.tpl/directives##-->
<script runat="server">
<!--##include common.tpl/server##-->
<!--## If MultiLang() Then ##-->
<!--##include common.tpl/language##-->
<!--## End If ##-->
	const string Mode = <!--##=CsString(sMode)##-->;
	const string From = <!--##=CsString(TableRef(TABLE.TblName))##-->;
	const string ListUrl = <!--##=CsString(ListPage(TABLE))##-->;
	const string ViewPage = <!--##If HasPage(TABLE, "view") Then##--><!--##=CsString(PageName(TABLE, "view"))##--><!--##Else##-->""<!--##End If##-->;
	const string EditPage = <!--##If HasPage(TABLE, "edit") Then##--><!--##=CsString(PageName(TABLE, "edit"))##--><!--##Else##-->""<!--##End If##-->;
	const string DeletePage = <!--##If HasPage(TABLE, "delete") Then##--><!--##=CsString(PageName(TABLE, "delete"))##--><!--##Else##-->""<!--##End If##-->;
	// The fields of this page.
	static readonly Col[] Cols = {
<!--##
	For Each f In TABLE.Fields
		Select Case sMode
			Case "add": bUse = f.FldAdd
			Case "edit": bUse = f.FldEdit
			Case Else: bUse = f.FldView
		End Select
		If bUse And f.FldGenerate Then
##-->
		<!--##=ColInit(TABLE.TblName, f)##-->,
<!--##
		End If
	Next
##-->
	};
	static readonly Col[] KeyCols = {
<!--##
	For Each f In TABLE.Fields
		If f.FldIsPrimaryKey Then
##-->
		<!--##=ColInit(TABLE.TblName, f)##-->,
<!--##
		End If
	Next
##-->
	};

	// The row's values as the page shows them, or as the form holds them.
	protected string[] Texts = new string[Cols.Length];
	protected bool Found = true;
	protected List<string> Errors = new List<string>();
	protected List<object[]>[] Options = new List<object[]>[Cols.Length];

	// The key values of the request, converted; null when one is missing.
	List<object> KeyArgs()
	{
		var args = new List<object>();
		for (int i = 0; i < KeyCols.Length; i++)
		{
			string t = Request.QueryString["k" + i];
			if (t == null) return null;
			args.Add(KeyValue(KeyCols[i].Kind, t));
		}
		return args;
	}

	static string KeyWhere()
	{
		var terms = new List<string>();
		foreach (Col k in KeyCols) terms.Add(k.Name + " = ?");
		return " WHERE " + string.Join(" AND ", terms.ToArray());
	}

	protected string KeyLink(string page)
	{
		var q = new System.Text.StringBuilder(page);
		for (int i = 0; i < KeyCols.Length; i++)
			q.Append(i == 0 ? "?" : "&").Append("k").Append(i).Append("=")
				.Append(HttpUtility.UrlEncode(Request.QueryString["k" + i] ?? ""));
		return HttpUtility.HtmlAttributeEncode(q.ToString());
	}

	void Page_Load(object sender, EventArgs e)
	{
		bool form = Mode == "add" || Mode == "edit";
		using (IDbConnection db = Open())
		{
			List<object> keys = null;
			if (Mode != "add")
			{
				keys = KeyArgs();
				if (keys == null || Cols.Length == 0) { Found = false; return; }
				var select = new List<string>();
				foreach (Col c in Cols) select.Add(form ? From + "." + c.Name : c.Sql);
				List<object[]> rows = Query(db, "SELECT " + string.Join(", ", select.ToArray()) + " FROM "
					+ From + KeyWhere(), keys);
				if (rows.Count == 0) { Found = false; Response.StatusCode = 404; return; }
				for (int i = 0; i < Cols.Length; i++)
					Texts[i] = form ? Plain(rows[0][i]) : Format(rows[0][i], Cols[i].Format);
			}
			else
			{
				for (int i = 0; i < Cols.Length; i++) Texts[i] = "";
			}
			if (form)
				for (int i = 0; i < Cols.Length; i++) Options[i] = Choices(db, Cols[i]);
			if (Request.HttpMethod != "POST") return;
			if (Mode == "delete")
			{
				using (IDbCommand cmd = Command(db, "DELETE FROM " + From + KeyWhere(), keys))
					cmd.ExecuteNonQuery();
				Response.Redirect(ListUrl, false);
				return;
			}
			if (!form) return;
			var values = new List<object>();
			var names = new List<string>();
			for (int i = 0; i < Cols.Length; i++)
			{
				string text = Request.Form[Cols[i].Var];
				Texts[i] = text ?? "";
				string error;
				object v = Parse(Cols[i], text, out error);
				if (error != null) Errors.Add(error);
				values.Add(v);
				names.Add(Cols[i].Name);
			}
			if (Errors.Count > 0) return;
			string sql;
			if (Mode == "add")
			{
				var marks = new List<string>();
				foreach (string n in names) marks.Add("?");
				sql = "INSERT INTO " + From + " (" + string.Join(", ", names.ToArray()) + ") VALUES ("
					+ string.Join(", ", marks.ToArray()) + ")";
			}
			else
			{
				var sets = new List<string>();
				foreach (string n in names) sets.Add(n + " = ?");
				sql = "UPDATE " + From + " SET " + string.Join(", ", sets.ToArray()) + KeyWhere();
				values.AddRange(keys);
			}
			try
			{
				using (IDbCommand cmd = Command(db, sql, values))
					cmd.ExecuteNonQuery();
			}
			catch (Exception ex)
			{
				Errors.Add(ex.Message);
				return;
			}
			Response.Redirect(ListUrl, false);
		}
	}
</script>
<!--## End If ##-->
<!--##/session##-->

<!--##session view##-->
<!--## If IsVb() Then ##-->
<!--##include record_vb.tpl/view##-->
<!--## Else ##-->
<h1><!--##=HtmlText(TableCaption(TABLE))##--></h1>
<% if (!Found) { %>
<p class="error"><!--##=PhraseHtml("NoRecord", "No record found.")##--></p>
<% } else { %>
<table class="grid" id="record">
<% for (int i = 0; i < Cols.Length; i++) { %>
	<tr><th><%= Enc(Cols[i].Caption) %></th><td><%= Enc(Texts[i]) %></td></tr>
<% } %>
</table>
<% if (Mode == "delete") { %>
<form method="post" action="<%= KeyLink(DeletePage) %>" id="confirm">
	<p><!--##=PhraseHtml("DeleteConfirm", "Delete this record?")##--></p>
	<button type="submit"><!--##=PhraseHtml("Delete", "Delete")##--></button>
</form>
<% } else { %>
<p>
<% if (EditPage.Length > 0) { %><a class="edit" href="<%= KeyLink(EditPage) %>"><!--##=PhraseHtml("Edit", "Edit")##--></a><% } %>
<% if (DeletePage.Length > 0) { %><a class="delete" href="<%= KeyLink(DeletePage) %>"><!--##=PhraseHtml("Delete", "Delete")##--></a><% } %>
</p>
<% } %>
<% } %>
<p><a href="<!--##=HtmlText(ListPage(TABLE))##-->"><!--##=PhraseHtml("BackToList", "Back to list")##--></a></p>
<!--## End If ##-->
<!--##/session##-->

<!--##session form##-->
<!--## If IsVb() Then ##-->
<!--##include record_vb.tpl/form##-->
<!--## Else ##-->
<h1><!--##=HtmlText(TableCaption(TABLE))##--></h1>
<% if (!Found) { %>
<p class="error"><!--##=PhraseHtml("NoRecord", "No record found.")##--></p>
<% } else { %>
<% if (Errors.Count > 0) { %>
<ul class="error" id="errors"><% foreach (string m in Errors) { %><li><%= Enc(m) %></li><% } %></ul>
<% } %>
<form method="post" class="record" id="record" action="<%= Mode == "add" ? HttpUtility.HtmlAttributeEncode(Request.Path) : KeyLink(Request.Path) %>">
<% for (int i = 0; i < Cols.Length; i++) { Col c = Cols[i]; %>
	<p><label for="<%= Enc(c.Var) %>"><%= Enc(c.Caption) %><%= c.Required ? " *" : "" %></label>
	<% if (c.Kind == "bool") { %>
		<input type="checkbox" id="<%= Enc(c.Var) %>" name="<%= Enc(c.Var) %>" value="1"<%= Texts[i] == "1" || Texts[i].ToLowerInvariant() == "true" ? " checked" : "" %>>
	<% } else if (c.Lookup.Length > 0) { %>
		<select id="<%= Enc(c.Var) %>" name="<%= Enc(c.Var) %>">
		<% if (!c.Required) { %><option value=""></option><% } %>
		<% foreach (object[] o in Options[i]) { string v = Plain(o[0]); %>
			<option value="<%= HttpUtility.HtmlAttributeEncode(v) %>"<%= v == Texts[i] ? " selected" : "" %>><%= Enc(Plain(o[1])) %></option>
		<% } %>
		</select>
	<% } else if (c.Tag == "TEXTAREA") { %>
		<textarea id="<%= Enc(c.Var) %>" name="<%= Enc(c.Var) %>" rows="4" cols="35"><%= Enc(Texts[i]) %></textarea>
	<% } else { %>
		<input type="text" id="<%= Enc(c.Var) %>" name="<%= Enc(c.Var) %>" value="<%= HttpUtility.HtmlAttributeEncode(Texts[i]) %>"<%= c.MaxLength > 0 ? " maxlength=\"" + c.MaxLength + "\"" : "" %>>
	<% } %>
	</p>
<% } %>
	<button type="submit" id="save"><!--##=PhraseHtml("Save", "Save")##--></button>
	<a href="<!--##=HtmlText(ListPage(TABLE))##-->"><!--##=PhraseHtml("Cancel", "Cancel")##--></a>
</form>
<% } %>
<!--## End If ##-->
<!--##/session##-->
