The add page of one row of a table (the shared sessions are in record.tpl).

<!--##session code##-->
<!--## sMode = "add" ##-->
<!--##include record.tpl/code##-->
<!--##/session##-->

<!--##session body##-->
<!--##include record.tpl/form##-->
<!--##/session##-->
