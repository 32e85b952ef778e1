<!--##session config##--><?xml version="1.0" encoding="utf-8"?>
<configuration>
  <connectionStrings>
<!--## If IsSqlite() Then ##-->
    <add name="Main" providerName="Mono.Data.Sqlite" connectionString="<!--##=HtmlText("Data Source=|DataDirectory|" & DbFileName())##-->" />
<!--## Else ##-->
    <add name="Main" providerName="System.Data.Odbc" connectionString="<!--##=HtmlText(PROJ.DB.DBConnstr)##-->" />
<!--## End If ##-->
  </connectionStrings>
  <system.web>
    <compilation debug="false">
      <assemblies>
<!--## If IsSqlite() Then ##-->
        <add assembly="Mono.Data.Sqlite, Version=4.0.0.0, Culture=neutral, PublicKeyToken=0738eb9f132ed756" />
<!--## End If ##-->
        <add assembly="System.Data, Version=4.0.0.0, Culture=neutral, PublicKeyToken=b77a5c561934e089" />
      </assemblies>
    </compilation>
    <globalization requestEncoding="utf-8" responseEncoding="utf-8" />
    <!-- The pages encode every value they write, so text such as "<b>" is data to store. -->
    <httpRuntime requestValidationMode="2.0" />
    <pages validateRequest="false" />
  </system.web>
</configuration>
<!--##/session##-->
