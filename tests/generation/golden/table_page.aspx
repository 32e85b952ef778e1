<html>
<title><%= ReportLanguage.Phrase("List Title") %></title>
<h1>shop</h1>
never
  <td>product_id</td>
  <td>category_id</td>
  <td>name</td>
  <td>unit_price</td>
  <td>in_stock</td>
  <td>added_on</td>
<p><%= ReportLanguage.Phrase("") %> say "hi"</p>
<%@ Register TagPrefix="a" Namespace="b" Assembly="c" %>
