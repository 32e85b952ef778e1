a<!--##=x##-->b<!--## If y Then ##-->c<!--## End If ##-->
<!--##session s##--><!--##include a.tpl/s##--><!--##/session##-->