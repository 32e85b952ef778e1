<!--##session body##-->
<h1><!--##=HtmlText(PROJ.GetV("ProjName"))##--></h1>
<ul>
<!--##
	Dim t
	For Each t In PROJ.DB.Tables
		If t.TblGen And t.TblList Then
##-->
	<li><a href="<!--##=HtmlText(ListPage(t))##-->"><!--##=HtmlText(TableCaption(t))##--></a></li>
<!--##
		End If
	Next
##-->
</ul>
<!--##/session##-->
