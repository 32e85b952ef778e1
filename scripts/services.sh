#!/usr/bin/env bash
# Private PostgreSQL 15 and MariaDB servers for the data-access tests.
#
#   scripts/services.sh start DIR   start both (initialising DIR on first use) and write DIR/env
#   scripts/services.sh stop DIR    stop both
#
# Both servers listen on unix sockets inside DIR only, so several work trees can run their
# own servers side by side and nothing system-wide is touched. DIR/env holds shell variable
# assignments (server coordinates, ODBC connection strings and a private odbcinst.ini/odbc.ini
# through ODBCSYSINI) that the tests read.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
pgbin=/usr/lib/postgresql/15/bin
odbcdir=/usr/lib/x86_64-linux-gnu/odbc
pg_port=54329
pg_db=quillet
pg_user=quillet
# Passwords hold ';', '=' and braces on purpose: every connection string built from them
# must quote its values.
pg_password='pg;pw={1}=x'
my_db=quillet
my_user=quillet
my_password='my;pw=2'

usage() {
  echo "usage: $0 start|stop DIR" >&2
  exit 2
}
[ $# -eq 2 ] || usage
action=$1
mkdir -p "$2"
dir=$(cd "$2" && pwd)

# PostgreSQL refuses to run as root and MariaDB wants its own user: as root the servers run
# as the packages' service users, otherwise as the caller.
if [ "$(id -u)" -eq 0 ]; then
  as_pg() { runuser -u postgres -- "$@"; }
  as_my() { runuser -u mysql -- "$@"; }
  pg_owner=postgres
  my_owner=mysql
else
  as_pg() { "$@"; }
  as_my() { "$@"; }
  pg_owner=$(id -un)
  my_owner=$(id -un)
fi

pg_data=$dir/pg/data
pg_sock=$dir/pg/sock
pg_log=$dir/pg/server.log
my_data=$dir/mariadb/data
my_run=$dir/mariadb/run
my_sock=$my_run/mysqld.sock
my_log=$dir/mariadb/server.log

# Every path component up to DIR must be traversable by the service users.
allow_traverse() {
  local p=$dir
  while [ "$p" != "/" ]; do
    if [ -O "$p" ] && ! [ "$(stat -c %A "$p" | cut -c10)" = "x" ]; then chmod o+x "$p"; fi
    p=$(dirname "$p")
  done
}

sql_hash() { sha1sum "$1" | cut -d' ' -f1; }

pg_psql() { as_pg "$pgbin/psql" -X -q -v ON_ERROR_STOP=1 -h "$pg_sock" -p "$pg_port" -U postgres "$@"; }

pg_start() {
  mkdir -p "$dir/pg"
  chown "$pg_owner" "$dir/pg"
  if [ ! -s "$pg_data/PG_VERSION" ]; then
    rm -rf "$pg_data"
    local pw=$dir/pg/.superpw
    echo "postgres-admin" >"$pw"
    chown "$pg_owner" "$pw"
    chmod 600 "$pw"
    as_pg "$pgbin/initdb" -D "$pg_data" -U postgres --pwfile="$pw" -E UTF8 --locale=C.UTF-8 \
      --auth-local=scram-sha-256 --auth-host=scram-sha-256 >"$dir/pg/initdb.log"
    rm -f "$pw"
  fi
  mkdir -p "$pg_sock"
  chown "$pg_owner" "$pg_sock"
  if ! as_pg "$pgbin/pg_ctl" -D "$pg_data" status >/dev/null 2>&1; then
    as_pg "$pgbin/pg_ctl" -D "$pg_data" -l "$pg_log" -w -t 60 \
      -o "-k $pg_sock -p $pg_port -c listen_addresses='' -c fsync=off" start >/dev/null
  fi
  export PGPASSWORD=postgres-admin
  local want have
  want=$(sql_hash "$here/services/postgres.sql")
  have=$(cat "$dir/pg/schema.sha1" 2>/dev/null || true)
  if [ "$want" != "$have" ]; then
    pg_psql -d postgres <<SQL
DROP DATABASE IF EXISTS $pg_db;
DO \$\$BEGIN
  IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = '$pg_user') THEN
    CREATE ROLE $pg_user LOGIN CREATEDB;
  END IF;
END\$\$;
ALTER ROLE $pg_user PASSWORD '${pg_password//\'/\'\'}';
CREATE DATABASE $pg_db OWNER $pg_user;
SQL
    PGPASSWORD=$pg_password as_pg env PGPASSWORD="$pg_password" "$pgbin/psql" -X -q \
      -v ON_ERROR_STOP=1 -h "$pg_sock" -p "$pg_port" -U "$pg_user" -d "$pg_db" \
      -f - <"$here/services/postgres.sql"
    echo "$want" >"$dir/pg/schema.sha1"
  fi
  unset PGPASSWORD
}

pg_stop() {
  if [ -s "$pg_data/PG_VERSION" ] && as_pg "$pgbin/pg_ctl" -D "$pg_data" status >/dev/null 2>&1; then
    as_pg "$pgbin/pg_ctl" -D "$pg_data" -m fast -w stop >/dev/null
  fi
}

my_client() { mariadb --no-defaults -S "$my_sock" -u root "$@"; }

my_start() {
  mkdir -p "$dir/mariadb" "$my_run"
  chown "$my_owner" "$dir/mariadb" "$my_run"
  if [ ! -d "$my_data/mysql" ]; then
    rm -rf "$my_data"
    local opt=()
    [ "$(id -u)" -eq 0 ] && opt=(--user=mysql)
    mariadb-install-db --no-defaults "${opt[@]}" --datadir="$my_data" --skip-test-db \
      --auth-root-authentication-method=socket >"$dir/mariadb/install.log" 2>&1
  fi
  if ! my_client -e "SELECT 1" >/dev/null 2>&1; then
    local opt=()
    [ "$(id -u)" -eq 0 ] && opt=(--user=mysql)
    # A stale socket or pid file of a killed server would stop the new one.
    rm -f "$my_sock" "$my_run/mysqld.pid"
    (setsid mariadbd --no-defaults "${opt[@]}" --datadir="$my_data" --socket="$my_sock" \
      --pid-file="$my_run/mysqld.pid" --skip-networking --log-error="$my_log" \
      --innodb-buffer-pool-size=32M --innodb-log-file-size=16M --skip-log-bin \
      --character-set-server=utf8mb4 </dev/null >/dev/null 2>&1 &)
    local i
    for i in $(seq 1 120); do
      my_client -e "SELECT 1" >/dev/null 2>&1 && break
      sleep 0.25
    done
    my_client -e "SELECT 1" >/dev/null || {
      echo "MariaDB did not start; see $my_log" >&2
      exit 1
    }
  fi
  local want have
  want=$(sql_hash "$here/services/mariadb.sql")
  have=$(cat "$dir/mariadb/schema.sha1" 2>/dev/null || true)
  if [ "$want" != "$have" ]; then
    my_client <<SQL
DROP DATABASE IF EXISTS $my_db;
CREATE DATABASE $my_db CHARACTER SET utf8mb4;
CREATE USER IF NOT EXISTS '$my_user'@'localhost';
ALTER USER '$my_user'@'localhost' IDENTIFIED BY '${my_password//\'/\'\'}';
GRANT ALL ON $my_db.* TO '$my_user'@'localhost';
SQL
    my_client "$my_db" <"$here/services/mariadb.sql"
    echo "$want" >"$dir/mariadb/schema.sha1"
  fi
  # Tests that change a schema between two reads make databases of their own, named after
  # the test database with "_sync" and a suffix.
  my_client -e "GRANT ALL ON \`${my_db}\\_sync%\`.* TO '$my_user'@'localhost'"
}

my_stop() {
  if [ -s "$my_run/mysqld.pid" ]; then
    local pid
    pid=$(cat "$my_run/mysqld.pid")
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid"
      local i
      for i in $(seq 1 120); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.25
      done
    fi
    rm -f "$my_run/mysqld.pid"
  fi
}

# An ODBC value in braces, closing braces doubled, so ';' '=' '{' '}' survive.
odbc_quote() { local v=${1//\}/\}\}}; printf '{%s}' "$v"; }

write_odbc_ini() {
  mkdir -p "$dir/odbc"
  cat >"$dir/odbc/odbcinst.ini" <<INI
[PostgreSQL Unicode]
Description=PostgreSQL ODBC driver (Unicode)
Driver=$odbcdir/psqlodbcw.so

[MariaDB]
Description=MariaDB Connector/ODBC
Driver=$odbcdir/libmaodbc.so

[SQLite3]
Description=SQLite3 ODBC driver
Driver=$odbcdir/libsqlite3odbc.so

[FreeTDS]
Description=FreeTDS driver (SQL Server)
Driver=$odbcdir/libtdsodbc.so
INI
  cat >"$dir/odbc/odbc.ini" <<INI
[quillet_pg]
Driver=PostgreSQL Unicode
Servername=$pg_sock
Port=$pg_port
Database=$pg_db

[quillet_mariadb]
Driver=MariaDB
Socket=$my_sock
Database=$my_db
INI
}

write_env() {
  local pg_odbc my_odbc
  pg_odbc="Driver={PostgreSQL Unicode};Servername=$pg_sock;Port=$pg_port;Database=$pg_db;Uid=$pg_user;Pwd=$(odbc_quote "$pg_password")"
  my_odbc="Driver={MariaDB};Socket=$my_sock;Database=$my_db;Uid=$my_user;Pwd=$(odbc_quote "$my_password")"
  {
    printf 'ODBCSYSINI=%q\n' "$dir/odbc"
    printf 'ODBCINSTINI=%q\n' "odbcinst.ini"
    printf 'ODBCINI=%q\n' "$dir/odbc/odbc.ini"
    printf 'QUILLET_PG_HOST=%q\n' "$pg_sock"
    printf 'QUILLET_PG_PORT=%q\n' "$pg_port"
    printf 'QUILLET_PG_DATABASE=%q\n' "$pg_db"
    printf 'QUILLET_PG_USER=%q\n' "$pg_user"
    printf 'QUILLET_PG_PASSWORD=%q\n' "$pg_password"
    printf 'QUILLET_PG_ODBC=%q\n' "$pg_odbc"
    printf 'QUILLET_PG_DSN=%q\n' "quillet_pg"
    printf 'QUILLET_MARIADB_SOCKET=%q\n' "$my_sock"
    printf 'QUILLET_MARIADB_DATABASE=%q\n' "$my_db"
    printf 'QUILLET_MARIADB_USER=%q\n' "$my_user"
    printf 'QUILLET_MARIADB_PASSWORD=%q\n' "$my_password"
    printf 'QUILLET_MARIADB_ODBC=%q\n' "$my_odbc"
    printf 'QUILLET_MARIADB_DSN=%q\n' "quillet_mariadb"
  } >"$dir/env.tmp"
  mv "$dir/env.tmp" "$dir/env"
}

case "$action" in
start)
  allow_traverse
  pg_start
  my_start
  write_odbc_ini
  write_env
  ;;
stop)
  pg_stop
  my_stop
  ;;
*) usage ;;
esac
