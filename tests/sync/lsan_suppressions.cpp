// The ODBC drivers keep a few allocations of failed connections for the life of the
// process; they are the drivers' own, not ours.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:psqlodbcw.so\nleak:psqlodbca.so\nleak:libmaodbc.so\nleak:libsqlite3odbc\nleak:"
         "libtdsodbc.so\n"
         "leak:libodbc.so\n";
}
