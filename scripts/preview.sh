#!/usr/bin/env bash
# Serves an ASP.NET site folder on http://127.0.0.1:PORT/ (8080 unless given) through Mono's
# ASP.NET runtime hosted in-process by tools/preview/PreviewHost.cs, until stopped (Ctrl+C).
#   scripts/preview.sh DIR [PORT]
# The host program is compiled once (again when its source changes) and copied into DIR/bin,
# where the runtime's application domain loads it from.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 DIR [PORT]" >&2
  exit 2
fi
dir=$(cd "$1" && pwd)
port=${2:-8080}
case "$port" in
  ''|*[!0-9]*) echo "$0: PORT must be a number" >&2; exit 2 ;;
esac
for tool in mono mcs; do
  if ! command -v "$tool" >/dev/null; then
    echo "$0: $tool is missing; run scripts/setup.sh" >&2
    exit 3
  fi
done
src="$root/tools/preview/PreviewHost.cs"
cache=${QUILLET_PREVIEW_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/brindlewood-preview}
exe="$cache/PreviewHost.exe"
mkdir -p "$cache" "$dir/bin"
if [ ! -e "$exe" ] || [ "$src" -nt "$exe" ] || [ "$0" -nt "$exe" ]; then
  # Compile beside the final name and rename, so that two previews starting at once never
  # load a half-written assembly.
  # (The assembly takes its name from the file, so it is compiled under its final name.)
  tmp=$(mktemp -d "$cache/build.XXXXXX")
  mcs -nologo -warn:4 -warnaserror -target:exe -r:System.Web.dll -out:"$tmp/PreviewHost.exe" "$src"
  mv -f "$tmp/PreviewHost.exe" "$exe"
  rmdir "$tmp"
fi
if ! cmp -s "$exe" "$dir/bin/PreviewHost.exe"; then
  cp -f "$exe" "$dir/bin/PreviewHost.exe.tmp"
  mv -f "$dir/bin/PreviewHost.exe.tmp" "$dir/bin/PreviewHost.exe"
fi
exec mono "$dir/bin/PreviewHost.exe" "$dir" "$port"
