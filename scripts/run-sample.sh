#!/usr/bin/env bash
# The main job on the sample: installs what is needed, builds the optimised program, creates
# the sample shop database, makes a project of it and generates its web site.
#   scripts/run-sample.sh [DIR]      (DIR defaults to build-release/sample)
# Prints where the site is and how to look at it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" release --target brindlewood default_template_set sample_shop_db
build="$root/build-release"
bin="$build/brindlewood"
work=${1:-$build/sample}
mkdir -p "$work"
work=$(cd "$work" && pwd)
site="$work/site"

# A fresh copy of the database each time, so the site starts from the sample's rows.
rm -rf "$site" "$work/shop.kvz" "$work/shop.db"
cp "$build/samples/shop.db" "$work/shop.db"
"$bin" new "$work/shop.kvz" --db "$work/shop.db" \
  --template "$build/share/brindlewood/templates/default.zip"
# Lookups, master/detail links and charts, and C# pages.
"$bin" run "$root/samples/shop.vbs" "$work/shop.kvz"
# The site's root, where it keeps its copy of the database (App_Data).
mkdir -p "$site/App_Data"
"$bin" set "$work/shop.kvz" AppRootFolder "$site"
"$bin" generate "$work/shop.kvz" --dest "$site" --overwrite
# The site reads and writes its own copy of the database.
[ -e "$site/App_Data/shop.db" ] || cp "$work/shop.db" "$site/App_Data/shop.db"

cat <<MSG

The sample site is in $site
Look at it with:
    $root/scripts/preview.sh $site 8080
then open http://127.0.0.1:8080/default.aspx in a browser (Ctrl+C stops the server).
MSG
