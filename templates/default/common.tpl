Sessions shared by every page of the default template set.

<!--##session header##-->
<!DOCTYPE html>
<html>
<head>
<meta charset="utf-8">
<title><!--##=HtmlText(PROJ.GetV("ProjName"))##--></title>
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
<li><a href="default.aspx"><!--##=PhraseHtml("Home", "Home")##--></a></li>
<!--##
	Dim iMenu, mMenu, nLevel, sUrl, tMenu, bShow, sPages, aPageUrls(), nPlace, nOther
	' The page of each generated table with a list or report, its name in an index text with
	' its place: found once a page instead of searching the tables for every menu item.
	sPages = vbNullChar
	nPlace = 0
	ReDim aPageUrls(0)
	For Each tMenu In PROJ.DB.Tables
		sUrl = ""
		If tMenu.TblGen Then
			If tMenu.TblType = "REPORT" Then
				sUrl = PageName(tMenu, "report")
			ElseIf tMenu.TblList Then
				sUrl = ListPage(tMenu)
			End If
		End If
		If sUrl <> "" Then
			nPlace = nPlace + 1
			ReDim Preserve aPageUrls(nPlace)
			aPageUrls(nPlace) = sUrl
			sPages = sPages & tMenu.TblName & Chr(1) & nPlace & vbNullChar
		End If
	Next
	nLevel = 0
	For iMenu = 1 To MENULIST.Count
		Set mMenu = MENULIST.Item(iMenu)
		bShow = mMenu.MenuShow
		sUrl = mMenu.MenuUrl
		If LCase(mMenu.MenuType) = "table" And Not mMenu.MenuCustomUrl Then
			' A table's item leads to its list (or report) when the site has one; where both
			' its source and its address name such a table, the later table's page.
			nPlace = PagePlace(sPages, mMenu.MenuSource)
			nOther = PagePlace(sPages, mMenu.MenuUrl)
			If nOther > nPlace Then nPlace = nOther
			bShow = nPlace > 0
			If bShow Then sUrl = aPageUrls(nPlace)
		End If
		If bShow Then
			Do While nLevel > mMenu.MenuLevel
##-->
</ul></li>
<!--##
				nLevel = nLevel - 1
			Loop
			If sUrl <> "" Then
##-->
<li><a href="<!--##=HtmlText(sUrl)##-->"><!--##=HtmlText(mMenu.MenuText)##--></a>
<!--##
			Else
##-->
<li><span><!--##=HtmlText(mMenu.MenuText)##--></span>
<!--##
			End If
			If iMenu < MENULIST.Count Then
				If MENULIST.Item(iMenu + 1).MenuLevel > mMenu.MenuLevel Then
					nLevel = nLevel + 1
##-->
<ul>
<!--##
				Else
##--></li>
<!--##
				End If
			Else
##--></li>
<!--##
			End If
		End If
	Next
	Do While nLevel > 0
##-->
</ul></li>
<!--##
		nLevel = nLevel - 1
	Loop
	If MENULIST.Count = 0 Then
		For Each tMenu In PROJ.DB.Tables
			If tMenu.TblGen And tMenu.TblList And tMenu.TblType <> "REPORT" Then
##-->
<li><a href="<!--##=HtmlText(ListPage(tMenu))##-->"><!--##=HtmlText(TableCaption(tMenu))##--></a></li>
<!--##
			ElseIf tMenu.TblGen And tMenu.TblType = "REPORT" Then
##-->
<li><a href="<!--##=HtmlText(PageName(tMenu, "report"))##-->"><!--##=HtmlText(TableCaption(tMenu))##--></a></li>
<!--##
			End If
		Next
	End If
##-->
</ul>
</nav>
<!--## If MultiLang() Then ##-->
<%= LanguageChooser() %>
<!--## End If ##-->
<!--##/session##-->

<!--##session footer##-->
</body>
</html>
<!--##/session##-->

<!--##session directives##-->
<%@ Page Language="C#" %>
<%@ Import Namespace="System.Collections.Generic" %>
<%@ Import Namespace="System.Data" %>
<%@ Import Namespace="System.Globalization" %>
<%@ Import Namespace="System.Web.Configuration" %>
<!--##/session##-->

<!--##session server##-->
	// What the page knows of one field: how to read it, show it, check it and write it.
	protected class Col
	{
		public string Sql, Name, Var, Caption, Kind, Format, Lookup, Tag;
		public bool Required;
		public int MaxLength;
		public Col(string sql, string name, string var, string caption, string kind, string format,
			bool required, int maxLength, string lookup, string tag)
		{
			Sql = sql; Name = name; Var = var; Caption = caption; Kind = kind; Format = format;
			Required = required; MaxLength = maxLength; Lookup = lookup; Tag = tag;
		}
	}

	static readonly CultureInfo Invariant = CultureInfo.InvariantCulture;
	// A SQLite file keeps dates as ISO text and Booleans as 0 and 1.
	static readonly bool SqliteFile = <!--##=CsBool(IsSqlite())##-->;

	// The connection of web.config.
	IDbConnection Open()
	{
		string cs = WebConfigurationManager.ConnectionStrings["Main"].ConnectionString;
<!--## If IsSqlite() Then ##-->
		cs = cs.Replace("|DataDirectory|", Server.MapPath("~/App_Data/"));
		IDbConnection db = new Mono.Data.Sqlite.SqliteConnection(cs);
<!--## Else ##-->
		IDbConnection db = new System.Data.Odbc.OdbcConnection(cs);
<!--## End If ##-->
		db.Open();
		return db;
	}

	// A statement whose "?" marks take the values in order: values never become SQL text.
	static IDbCommand Command(IDbConnection db, string sql, List<object> values)
	{
		IDbCommand cmd = db.CreateCommand();
		cmd.CommandText = sql;
		foreach (object v in values)
		{
			IDbDataParameter p = cmd.CreateParameter();
			p.Value = v ?? DBNull.Value;
			cmd.Parameters.Add(p);
		}
		return cmd;
	}

	static List<object[]> Query(IDbConnection db, string sql, List<object> values)
	{
		var rows = new List<object[]>();
		using (IDbCommand cmd = Command(db, sql, values))
		using (IDataReader r = cmd.ExecuteReader())
		{
			while (r.Read())
			{
				var row = new object[r.FieldCount];
				r.GetValues(row);
				rows.Add(row);
			}
		}
		return rows;
	}

	static bool IsNull(object v)
	{
		return v == null || v is DBNull;
	}

	static string Plain(object v)
	{
		if (IsNull(v)) return "";
		if (v is DateTime) return ((DateTime)v).ToString("yyyy-MM-dd", Invariant);
		if (v is bool) return (bool)v ? "1" : "0";
		return Convert.ToString(v, Invariant);
	}

	static bool TryDate(string text, out DateTime d)
	{
		return DateTime.TryParseExact(text, new string[] { "yyyy-MM-dd", "yyyy-MM-dd HH:mm:ss",
			"yyyy-MM-ddTHH:mm:ss", "yyyy/MM/dd", "yyyy-MM-dd HH:mm:ss.FFFFFFF" }, Invariant,
			DateTimeStyles.None, out d);
	}

	// A value as the field's format shows it (text, not yet HTML-encoded).
	static string Format(object v, string format)
	{
		if (IsNull(v)) return "";
		string[] f = format.Split(':');
		int digits = 2;
		if (f.Length > 1) int.TryParse(f[1], out digits);
		switch (f[0])
		{
			case "bool":
				string b = Plain(v);
				return b == "1" || b.Equals("true", StringComparison.OrdinalIgnoreCase) ? <!--##=PhraseCs("Yes", "Yes")##--> : <!--##=PhraseCs("No", "No")##-->;
			case "date":
				DateTime d;
				if (v is DateTime) d = (DateTime)v;
				else if (!TryDate(Plain(v), out d)) return Plain(v);
				switch (digits)
				{
					case 5: return d.ToString("yyyy<!--##=CsText(DateSep())##-->MM<!--##=CsText(DateSep())##-->dd", Invariant);
					case 6: return d.ToString("MM<!--##=CsText(DateSep())##-->dd<!--##=CsText(DateSep())##-->yyyy", Invariant);
					case 7: return d.ToString("dd<!--##=CsText(DateSep())##-->MM<!--##=CsText(DateSep())##-->yyyy", Invariant);
					default: return d.ToString("yyyy-MM-dd", Invariant);
				}
			case "cur":
			case "num":
			case "pct":
				decimal n;
				if (!decimal.TryParse(Plain(v), NumberStyles.Float, Invariant, out n)) return Plain(v);
				if (f[0] == "pct") return (n * 100).ToString("N" + digits, Invariant) + "%";
				return (f[0] == "cur" ? <!--##=PhraseCs("CurrencySymbol", "")##--> : "") + n.ToString("N" + digits, Invariant);
		}
		return Plain(v);
	}

	// Checks one value typed into a form; its converted value, or null with the message.
	object Parse(Col c, string text, out string error)
	{
		error = null;
		text = (text ?? "").Trim();
		if (c.Kind == "bool")
		{
			bool on = text.Length > 0 && text != "0";
			return SqliteFile ? (object)(on ? 1 : 0) : (object)on;
		}
		if (text.Length == 0)
		{
			if (c.Required) error = String.Format(<!--##=PhraseCs("EnterRequiredField", "Please enter the required field {0}.")##-->, c.Caption);
			return DBNull.Value;
		}
		switch (c.Kind)
		{
			case "int":
				long l;
				if (long.TryParse(text, NumberStyles.Integer, Invariant, out l)) return l;
				error = String.Format(<!--##=PhraseCs("IncorrectInteger", "{0} must be a whole number.")##-->, c.Caption);
				return null;
			case "num":
				decimal m;
				if (decimal.TryParse(text, NumberStyles.Float, Invariant, out m)) return m;
				error = String.Format(<!--##=PhraseCs("IncorrectFloat", "{0} must be a number.")##-->, c.Caption);
				return null;
			case "date":
				DateTime d;
				if (TryDate(text, out d)) return SqliteFile ? (object)d.ToString("yyyy-MM-dd", Invariant) : (object)d;
				error = String.Format(<!--##=PhraseCs("IncorrectDate", "{0} must be a date (yyyy-mm-dd).")##-->, c.Caption);
				return null;
		}
		if (c.MaxLength > 0 && text.Length > c.MaxLength)
		{
			error = String.Format(<!--##=PhraseCs("MaxLengthExceeded", "{0} takes at most {1} characters.")##-->, c.Caption, c.MaxLength);
			return null;
		}
		return text;
	}

	// The choices of a lookup field: value and display text.
	List<object[]> Choices(IDbConnection db, Col c)
	{
		return c.Lookup.Length == 0 ? new List<object[]>() : Query(db, c.Lookup, new List<object>());
	}

	// A key value from the request, converted to the key field's kind.
	static object KeyValue(string kind, string text)
	{
		text = text ?? "";
		long l;
		decimal m;
		if (kind == "int" && long.TryParse(text, NumberStyles.Integer, Invariant, out l)) return l;
		if (kind == "num" && decimal.TryParse(text, NumberStyles.Float, Invariant, out m)) return m;
		return text;
	}

	// The query string naming one row by its key values.
	static string KeyQuery(object[] row, int first, int count)
	{
		var q = new System.Text.StringBuilder();
		for (int i = 0; i < count; i++)
			q.Append(i == 0 ? "" : "&").Append("k").Append(i).Append("=")
				.Append(HttpUtility.UrlEncode(Plain(row[first + i])));
		return q.ToString();
	}

	static string Enc(string s)
	{
		return HttpUtility.HtmlEncode(s);
	}
<!--##/session##-->

<!--##session language##-->
	// The site's languages, from its generated language files: the one a "lang" request names
	// is kept in a cookie; without one the first file's language.
	static readonly string[] LanguageFiles = { <!--##=LanguageFileInits()##--> };
	const string LanguageCookie = "lang";

	protected class SiteLanguage
	{
		public string Id, Name;
		public Dictionary<string, string> Phrases = new Dictionary<string, string>();
	}

	static List<SiteLanguage> loadedLanguages;

	// The language files, read once and kept for every later request.
	static List<SiteLanguage> Languages()
	{
		lock (LanguageFiles)
		{
			if (loadedLanguages != null) return loadedLanguages;
			var all = new List<SiteLanguage>();
			foreach (string file in LanguageFiles)
			{
				var doc = new System.Xml.XmlDocument();
				try { doc.Load(HttpContext.Current.Server.MapPath("~/" + file)); }
				catch (Exception) { continue; }
				var lang = new SiteLanguage();
				lang.Id = doc.DocumentElement.GetAttribute("id");
				lang.Name = doc.DocumentElement.GetAttribute("desc");
				if (lang.Name.Length == 0) lang.Name = lang.Id;
				foreach (System.Xml.XmlElement p in doc.SelectNodes("/*/global/phrase"))
					lang.Phrases[p.GetAttribute("id").ToLowerInvariant()] = p.GetAttribute("value");
				all.Add(lang);
			}
			loadedLanguages = all;
			return all;
		}
	}

	// The language of this request.
	static SiteLanguage CurrentLanguage()
	{
		HttpContext http = HttpContext.Current;
		var chosen = http.Items["language"] as SiteLanguage;
		if (chosen != null) return chosen;
		List<SiteLanguage> all = Languages();
		if (all.Count == 0) return null;
		string asked = http.Request.QueryString["lang"];
		HttpCookie kept = http.Request.Cookies[LanguageCookie];
		string want = asked ?? (kept != null ? kept.Value : null);
		chosen = all[0];
		foreach (SiteLanguage l in all)
			if (l.Id == want) chosen = l;
		if (asked != null)
		{
			var cookie = new HttpCookie(LanguageCookie, chosen.Id);
			cookie.Expires = DateTime.Now.AddYears(1);
			http.Response.Cookies.Add(cookie);
		}
		http.Items["language"] = chosen;
		return chosen;
	}

	// A phrase of the chosen language; the generated text where the language has none.
	static string Phrase(string id, string fallback)
	{
		SiteLanguage lang = CurrentLanguage();
		string value;
		if (lang != null && lang.Phrases.TryGetValue(id, out value) && value.Length > 0) return value;
		return fallback;
	}

	// The chooser: a link per language to this page in that language, the chosen one marked.
	static string LanguageChooser()
	{
		HttpRequest request = HttpContext.Current.Request;
		SiteLanguage current = CurrentLanguage();
		var html = new System.Text.StringBuilder("<ul id=\"languages\">");
		foreach (SiteLanguage l in Languages())
		{
			var query = HttpUtility.ParseQueryString(request.QueryString.ToString());
			query["lang"] = l.Id;
			html.Append("<li><a class=\"language").Append(l == current ? " chosen" : "")
				.Append("\" hreflang=\"").Append(HttpUtility.HtmlAttributeEncode(l.Id))
				.Append("\" href=\"").Append(HttpUtility.HtmlAttributeEncode(request.Path + "?" + query))
				.Append("\">").Append(HttpUtility.HtmlEncode(l.Name)).Append("</a></li>");
		}
		return html.Append("</ul>").ToString();
	}
<!--##/session##-->
