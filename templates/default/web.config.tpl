<!--##session config##--><?xml version="1.0" encoding="utf-8"?>
<configuration>
  <connectionStrings>
    <add name="Main" connectionString="<!--##=HtmlText("Data Source=|DataDirectory|" & PROJ.DB.DBName)##-->" />
  </connectionStrings>
  <system.web>
    <compilation debug="false">
      <assemblies>
        <add assembly="Mono.Data.Sqlite, Version=4.0.0.0, Culture=neutral, PublicKeyToken=0738eb9f132ed756" />
      </assemblies>
    </compilation>
    <globalization requestEncoding="utf-8" responseEncoding="utf-8" />
  </system.web>
</configuration>
<!--##/session##-->
