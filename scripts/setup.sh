#!/usr/bin/env bash
# Installs every Debian package the engine, its tests and its benchmarks need.
# Idempotent: when everything is present it returns without touching apt.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  libxml2-dev libicu-dev libpcre2-dev libzip-dev libssl-dev
  unixodbc unixodbc-dev odbc-postgresql odbc-mariadb libsqliteodbc tdsodbc
  mdbtools mdbtools-dev libpq-dev libsqlite3-dev sqlite3 nlohmann-json3-dev
  postgresql mariadb-server mariadb-client python3 locales
  clang libclang-rt-14-dev
  mono-devel libmono-system-web4.0-cil libmono-sqlite4.0-cil chromium
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# Server packages must not start services of their own during installation;
# the test script starts private instances instead.
if [ ! -e /usr/sbin/policy-rc.d ]; then
  printf '#!/bin/sh\nexit 101\n' | $SUDO tee /usr/sbin/policy-rc.d >/dev/null
  $SUDO chmod +x /usr/sbin/policy-rc.d
  trap '$SUDO rm -f /usr/sbin/policy-rc.d' EXIT
fi
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
