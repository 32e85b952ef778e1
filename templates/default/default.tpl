Home page: the project's title and the tables and reports of the site.

<!--##session code##-->
<!--## If IsVb() Then ##-->
<!--##include common_vb.tpl/directives##-->
<!--## Else ##-->
<!--##include common.tpl/directives##-->
<!--## End If ##-->
<!--## If MultiLang() Then ##-->
<script runat="server">
<!--## If IsVb() Then ##-->
<!--##include common_vb.tpl/language##-->
<!--## Else ##-->
<!--##include common.tpl/language##-->
<!--## End If ##-->
</script>
<!--## End If ##-->
<!--##/session##-->

<!--##session body##-->
<h1><!--##=HtmlText(PROJ.GetV("ProjName"))##--></h1>
<ul>
<!--##
	Dim t
	For Each t In PROJ.DB.Tables
		If t.TblGen And t.TblList And t.TblType <> "REPORT" Then
##-->
	<li><a href="<!--##=HtmlText(ListPage(t))##-->"><!--##=HtmlText(TableCaption(t))##--></a></li>
<!--##
		End If
	Next
	For Each t In PROJ.DB.Tables
		If t.TblGen And t.TblType = "REPORT" Then
##-->
	<li><a href="<!--##=HtmlText(PageName(t, "report"))##-->"><!--##=HtmlText(TableCaption(t))##--></a></li>
<!--##
		End If
	Next
##-->
</ul>
<!--##/session##-->
