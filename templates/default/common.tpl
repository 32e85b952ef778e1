Sessions shared by every page of the default template set.

<!--##session header##-->
<!DOCTYPE html>
<html>
<head>
<meta charset="utf-8">
<title><!--##=HtmlText(PROJ.GetV("ProjName"))##--></title>
<style>
body { font-family: sans-serif; margin: 1em 2em; }
nav a { margin-right: 1em; }
table.grid { border-collapse: collapse; }
table.grid th, table.grid td { border: 1px solid #999; padding: 2px 6px; }
</style>
</head>
<body>
<nav>
<a href="default.aspx">Home</a>
<!--##
	Dim tMenu
	For Each tMenu In PROJ.DB.Tables
		If tMenu.TblGen And tMenu.TblList Then
##-->
<a href="<!--##=HtmlText(ListPage(tMenu))##-->"><!--##=HtmlText(TableCaption(tMenu))##--></a>
<!--##
		End If
	Next
##-->
</nav>
<!--##/session##-->

<!--##session footer##-->
</body>
</html>
<!--##/session##-->
