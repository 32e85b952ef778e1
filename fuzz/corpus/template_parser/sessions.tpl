<!--##session head##-->
<html><title><!--##@ Title ##--></title>
<!--##include b/foot##-->
<!--##/session##-->
<!--##session foot##-->  <!--##~ x ##--><!--##$ id ##--><!--##/session##-->
