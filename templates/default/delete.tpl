The delete page of one row of a table (the shared sessions are in record.tpl).

<!--##session code##-->
<!--## sMode = "delete" ##-->
<!--##include record.tpl/code##-->
<!--##/session##-->

<!--##session body##-->
<!--##include record.tpl/view##-->
<!--##/session##-->
