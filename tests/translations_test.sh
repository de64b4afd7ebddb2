#!/usr/bin/env bash
# Every text of the interface has its translation in each catalogue, and
# each catalogue compiles with its format strings matching the source's.
set -euo pipefail
root=$1
template=$(mktemp)
trap 'rm -f "$template"' EXIT
cd "$root"
LC_ALL=C.UTF-8 xgettext --from-code=UTF-8 --language=C++ --keyword=_ --keyword=N_ --no-location \
  -o "$template" src/*/*.cpp src/*/*.h 2>/dev/null
for language in $(cat po/LINGUAS); do
  msgcmp "po/$language.po" "$template"
  msgfmt --check -o /dev/null "po/$language.po"
done
