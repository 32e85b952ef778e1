<img src="<%= x_description %>" alt="<%= ReportLanguage.Phrase("description") %>">
<span><%= ReportLanguage.Phrase("Caption") %></span>
