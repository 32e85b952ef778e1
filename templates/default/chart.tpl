Charts of a table, drawn as inline SVG from the table's rows (the list's search and master row
apply): one category per value of the X field, summarised over the Y field.

<!--##session code##-->
<!--##
	Dim cChart, nW, nH, sY
##-->
	protected class Chart
	{
		public string Id, Title, Kind, Sql, XFormat;
		public int Width, Height;
		public List<string> Labels = new List<string>();
		public List<double> Values = new List<double>();
		public Chart(string id, string title, string kind, string sql, string xFormat, int width, int height)
		{
			Id = id; Title = title; Kind = kind; Sql = sql; XFormat = xFormat; Width = width; Height = height;
		}
	}

	// "{0}" in each statement stands for the list's WHERE clause.
	protected Chart[] Charts = {
<!--##
	For Each cChart In TABLE.Charts
		nW = cChart.ChartWidth
		If nW <= 0 Then nW = 550
		nH = cChart.ChartHeight
		If nH <= 0 Then nH = 300
		If cChart.ChartYFldName = "" Or ChartSummary(cChart) = "COUNT" Then
			sY = "COUNT(*)"
		Else
			sY = ChartSummary(cChart) & "(" & TableRef(TABLE.TblName) & "." & QuoteIdent(cChart.ChartYFldName) & ")"
		End If
##-->
		new Chart(<!--##=CsString(cChart.ChartVar)##-->, <!--##=CsString(ChartTitle(cChart))##-->, <!--##=CsString(ChartKind(cChart))##-->,
			<!--##=CsString("SELECT " & TableRef(TABLE.TblName) & "." & QuoteIdent(cChart.ChartXFldName) & ", " & sY & " FROM " & TableRef(TABLE.TblName) & "{0} GROUP BY 1 ORDER BY 1")##-->,
			<!--##=CsString(FieldFormat(TABLE.Fields(cChart.ChartXFldName)))##-->, <!--##=nW##-->, <!--##=nH##-->),
<!--##
	Next
##-->
	};

	void LoadCharts(IDbConnection db)
	{
		foreach (Chart c in Charts)
		{
			var args = new List<object>();
			string sql = string.Format(c.Sql, Where(args));
			foreach (object[] r in Query(db, sql, args))
			{
				double v;
				c.Labels.Add(Format(r[0], c.XFormat));
				c.Values.Add(double.TryParse(Plain(r[1]), NumberStyles.Float, Invariant, out v) ? v : 0);
			}
		}
	}

	static readonly string[] Palette = { "#4e79a7", "#f28e2b", "#e15759", "#76b7b2", "#59a14f",
		"#edc948", "#b07aa1", "#ff9da7", "#9c755f", "#bab0ac" };

	static string N(double v)
	{
		return v.ToString("0.##", Invariant);
	}

	// The chart as an SVG element; every text in it is encoded.
	static string Svg(Chart c)
	{
		var s = new System.Text.StringBuilder();
		int w = c.Width, h = c.Height, n = c.Values.Count;
		s.Append("<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"chart ").Append(c.Kind)
			.Append("\" id=\"chart_").Append(Enc(c.Id)).Append("\" width=\"").Append(w)
			.Append("\" height=\"").Append(h).Append("\" viewBox=\"0 0 ").Append(w).Append(' ').Append(h).Append("\">");
		s.Append("<title>").Append(Enc(c.Title)).Append("</title>");
		double max = 0, sum = 0;
		foreach (double v in c.Values) { max = Math.Max(max, v); sum += Math.Max(v, 0); }
		if (max <= 0) max = 1;
		double left = 60, top = 10, right = w - 10, bottom = h - 40;
		double pw = right - left, ph = bottom - top;
		if (c.Kind == "pie")
		{
			double r = Math.Min(w / 2.0, h) / 2.0 - 10, cx = r + 10, cy = h / 2.0, a = -Math.PI / 2;
			for (int i = 0; i < n; i++)
			{
				double part = sum > 0 ? Math.Max(c.Values[i], 0) / sum : 0;
				double b = a + part * 2 * Math.PI;
				string fill = Palette[i % Palette.Length];
				if (part >= 0.999999)
					s.Append("<circle cx=\"").Append(N(cx)).Append("\" cy=\"").Append(N(cy)).Append("\" r=\"").Append(N(r))
						.Append("\" fill=\"").Append(fill).Append("\">");
				else
					s.Append("<path d=\"M").Append(N(cx)).Append(',').Append(N(cy))
						.Append(" L").Append(N(cx + r * Math.Cos(a))).Append(',').Append(N(cy + r * Math.Sin(a)))
						.Append(" A").Append(N(r)).Append(',').Append(N(r)).Append(" 0 ").Append(part > 0.5 ? 1 : 0)
						.Append(",1 ").Append(N(cx + r * Math.Cos(b))).Append(',').Append(N(cy + r * Math.Sin(b)))
						.Append(" Z\" fill=\"").Append(fill).Append("\">");
				s.Append("<title>").Append(Enc(c.Labels[i] + ": " + N(c.Values[i]))).Append("</title>")
					.Append(part >= 0.999999 ? "</circle>" : "</path>");
				a = b;
				// The legend beside the pie.
				s.Append("<rect x=\"").Append(N(2 * r + 30)).Append("\" y=\"").Append(N(10 + i * 16))
					.Append("\" width=\"10\" height=\"10\" fill=\"").Append(fill).Append("\"/>");
				s.Append("<text x=\"").Append(N(2 * r + 46)).Append("\" y=\"").Append(N(19 + i * 16))
					.Append("\" font-size=\"11\">").Append(Enc(c.Labels[i] + " (" + N(c.Values[i]) + ")")).Append("</text>");
			}
		}
		else
		{
			s.Append("<line x1=\"").Append(N(left)).Append("\" y1=\"").Append(N(bottom)).Append("\" x2=\"").Append(N(right))
				.Append("\" y2=\"").Append(N(bottom)).Append("\" stroke=\"#333\"/>");
			s.Append("<line x1=\"").Append(N(left)).Append("\" y1=\"").Append(N(top)).Append("\" x2=\"").Append(N(left))
				.Append("\" y2=\"").Append(N(bottom)).Append("\" stroke=\"#333\"/>");
			s.Append("<text x=\"").Append(N(left - 4)).Append("\" y=\"").Append(N(top + 10))
				.Append("\" text-anchor=\"end\" font-size=\"10\">").Append(N(max)).Append("</text>");
			var points = new System.Text.StringBuilder();
			for (int i = 0; i < n; i++)
			{
				double slot = (c.Kind == "bar" ? ph : pw) / Math.Max(n, 1);
				double v = Math.Max(c.Values[i], 0);
				string tip = "<title>" + Enc(c.Labels[i] + ": " + N(c.Values[i])) + "</title>";
				string fill = Palette[i % Palette.Length];
				if (c.Kind == "bar")
				{
					double len = v / max * pw, y = top + i * slot + slot * 0.1;
					s.Append("<rect x=\"").Append(N(left)).Append("\" y=\"").Append(N(y)).Append("\" width=\"").Append(N(len))
						.Append("\" height=\"").Append(N(slot * 0.8)).Append("\" fill=\"").Append(fill).Append("\">").Append(tip).Append("</rect>");
					s.Append("<text x=\"").Append(N(left - 4)).Append("\" y=\"").Append(N(y + slot * 0.5))
						.Append("\" text-anchor=\"end\" font-size=\"10\">").Append(Enc(c.Labels[i])).Append("</text>");
				}
				else
				{
					double x = left + i * slot, y = bottom - v / max * ph;
					if (c.Kind == "column")
						s.Append("<rect x=\"").Append(N(x + slot * 0.1)).Append("\" y=\"").Append(N(y)).Append("\" width=\"")
							.Append(N(slot * 0.8)).Append("\" height=\"").Append(N(bottom - y)).Append("\" fill=\"").Append(fill)
							.Append("\">").Append(tip).Append("</rect>");
					else
						s.Append("<circle cx=\"").Append(N(x + slot / 2)).Append("\" cy=\"").Append(N(y))
							.Append("\" r=\"3\" fill=\"#4e79a7\">").Append(tip).Append("</circle>");
					points.Append(N(x + slot / 2)).Append(',').Append(N(y)).Append(' ');
					s.Append("<text x=\"").Append(N(x + slot / 2)).Append("\" y=\"").Append(N(bottom + 14))
						.Append("\" text-anchor=\"middle\" font-size=\"10\">").Append(Enc(c.Labels[i])).Append("</text>");
				}
			}
			if (n > 0 && c.Kind == "line")
				s.Append("<polyline fill=\"none\" stroke=\"#4e79a7\" stroke-width=\"2\" points=\"").Append(points.ToString().Trim()).Append("\"/>");
			if (n > 0 && c.Kind == "area")
			{
				double first = left + pw / n / 2, last = left + (n - 1) * (pw / n) + pw / n / 2;
				s.Append("<polygon fill=\"#4e79a7\" fill-opacity=\"0.4\" stroke=\"#4e79a7\" points=\"").Append(N(first)).Append(',').Append(N(bottom))
					.Append(' ').Append(points.ToString().Trim()).Append(' ').Append(N(last)).Append(',').Append(N(bottom)).Append("\"/>");
			}
		}
		s.Append("</svg>");
		return s.ToString();
	}
<!--##/session##-->

<!--##session body##-->
<% foreach (Chart c in Charts) { %>
<figure class="chart">
<figcaption><%= Enc(c.Title) %></figcaption>
<%= Svg(c) %>
</figure>
<% } %>
<!--##/session##-->
