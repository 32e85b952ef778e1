' Settings of the sample shop project beyond what "brindlewood new" reads from the database:
' every table in the site, C# pages, lookups, master/detail links, charts and a report.
'   brindlewood run samples/shop.vbs PROJECT.kvz
Dim p, db, t, f, c, name
Set p = CreateObject("Quillet.RUZ")
p.Load WScript.Arguments(0)
p.ProgramLanguage = "C#"
Set db = p.DB
' The site keeps its copy of the database file in its App_Data folder.
db.DBPath = ""
For Each t In db.Tables
	t.TblGen = True
	t.TblRecPerPage = 20
Next

' Lookups: the list and the forms show the name of the row a key names.
Sub Lookup(sTable, sField, sOther, sKey, sDisplay)
	Set f = db.Tables(sTable).Fields(sField)
	f.FldTagLnkTbl = sOther
	f.FldTagLnkFld = sKey
	f.FldTagLnkDisplay = sDisplay
	f.FldHtmlTag = "SELECT"
	f.FldSelectType = "Table"
End Sub
Lookup "products", "category_id", "categories", "category_id", "name"
Lookup "orders", "customer_id", "customers", "customer_id", "name"
Lookup "order_lines", "product_id", "products", "product_id", "name"

' Master/detail: a customer's orders, an order's lines.
Sub Detail(sDetail, sMaster, sMasterField, sDetailField)
	Set t = db.Tables(sDetail)
	t.TblMasterTbl = sMaster
	t.TblMasterFld = sMasterField
	t.TblDetailFld = sDetailField
End Sub
Detail "orders", "customers", "customer_id", "customer_id"
Detail "order_lines", "orders", "order_id", "order_id"

' Formats: money with two digits.
db.Tables("products").Fields("unit_price").FldFmtType = "Currency"
db.Tables("order_lines").Fields("unit_price").FldFmtType = "Currency"
db.Tables("order_totals").Fields("total").FldFmtType = "Number"

' Charts (type 1 column, 2 bar, 3 line, 4 area, 5 pie).
Sub Chart(sTable, sName, sCaption, nType, sX, sY, sSummary)
	Set t = db.Tables(sTable)
	t.Charts.Add sTable, sName
	Set c = t.Charts(sName)
	c.ChartCaption = sCaption
	c.ChartType = nType
	c.ChartXFldName = sX
	c.ChartYFldName = sY
	c.ChartSummaryType = sSummary
	c.ChartWidth = 600
	c.ChartHeight = 300
End Sub
Chart "order_totals", "SalesByCity", "Sales by city", 1, "city", "total", "SUM"
Chart "order_totals", "OrdersByCity", "Orders by city", 5, "city", "", "COUNT"
Chart "products", "ProductsByCategory", "Products by category", 2, "category_id", "", "COUNT"

' A report over the order totals: grouped by city, the totals summed.
db.Tables.Add "sales_by_city"
Set t = db.Tables("sales_by_city")
t.TblType = "REPORT"
t.TblRptSrc = "order_totals"
t.TblCaption = "Sales by city"
t.TblVar = "sales_by_city"
t.TblGen = True
For Each name In Array("city", "customer", "ordered_on", "total")
	t.Fields.Add "sales_by_city", name
	Set f = t.Fields(name)
	f.FldSupport = True
	f.FldGenerate = True
	f.FldList = True
	f.FldVar = "x_" & name
	f.FldCaption = Replace(name, "_", " ")
Next
t.Fields("city").FldGroupBy = 1
t.Fields("ordered_on").FldFmtType = "Date/Time"
t.Fields("ordered_on").FldDtFormat = 5
t.Fields("total").FldRptAggSum = True
t.Fields("total").FldFmtType = "Number"

p.Save WScript.Arguments(0)
