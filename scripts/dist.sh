#!/usr/bin/env bash
# Lays out build/dist/: the two programs, the catalogue and a readme side by side,
# and a zip of them named with the version.
set -euo pipefail
cd "$(dirname "$0")/.."
version=1.3.0.0
dist=build/dist
gui=build/win32/ui/tolvane.exe
cat=build/win32/tools/tolvane-cat/tolvane-cat.exe
for f in "$gui" "$cat" build/bin/vq_api.dat build/bin/vq_dat.dat build/bin/api.ini; do
  [ -f "$f" ] || { echo "dist: $f is missing; build first (make build)" >&2; exit 1; }
done
rm -rf "$dist.new"
mkdir -p "$dist.new"
cp "$gui" "$cat" build/bin/vq_api.dat build/bin/vq_dat.dat build/bin/api.ini "$dist.new/"
sed 's/$/\r/' packaging/readme.txt >"$dist.new/readme.txt"
(cd "$dist.new" && zip -q -X "tolvane-$version.zip" tolvane.exe tolvane-cat.exe vq_api.dat vq_dat.dat api.ini readme.txt)
rm -rf "$dist"
mv "$dist.new" "$dist"
echo "dist: $dist/ and $dist/tolvane-$version.zip"
