#!/usr/bin/env bash
# The demo: installs what is missing, builds varnocsv (build/release), imports
# every example file into a fresh store in a temporary folder (with no --map:
# varnocsv maps the columns itself), exports every type back out, checks that
# each export imports into another fresh store and exports again byte for
# byte, and prints a summary. Exits non-zero if any step fails.
#   BUILD_DIR  build folder (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${BUILD_DIR:-build/release}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target varnocsv -j "$(nproc)" >/dev/null
varnocsv=$PWD/$build/bin/varnocsv

# A fresh store and copies of the examples in a temporary folder.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r examples "$work/"
cd "$work"
store=store.db
export TZ=${TZ:-UTC}

# Shows a varnocsv command, runs it and shows its result, which stays in
# $result.
run() {
  echo "\$ varnocsv $*"
  result=$("$varnocsv" "$@")
  echo "$result"
}

# file, ANSI code page it is written in (UTF-16 files carry their own),
# locale of its dates, type
examples=(
  "examples/contacts.csv 65001 en_US contact"
  "examples/contacts-utf16.txt 65001 en_US contact"
  "examples/addressbook-long.csv 65001 en_US contact"
  "examples/addressbook-short.csv 65001 en_US contact"
  "examples/calendar-english.csv 1252 en_US calendar"
  "examples/calendar-schedule-ko.csv 65001 ko_KR calendar"
  "examples/calendar-utf16.txt 65001 en_US calendar"
  "examples/todo-ko.txt 65001 ko_KR todo"
  "examples/todo-utf16.txt 65001 en_US todo"
  "examples/memo.csv 1252 en_US memo"
  "examples/memo-utf16.txt 65001 en_US memo"
  "examples/messages.csv 949 ko_KR message"
  "examples/emails.csv 65001 en_US email"
  "examples/webmail-contacts.csv 65001 en_US contact"
  "examples/webmail-contacts-new.csv 65001 en_US contact"
  "examples/desktop-mail-de.csv 1252 de_DE contact"
  "examples/mail-client-contacts.csv 65001 en_US contact"
  "examples/address-book-en.tsv 1252 en_US contact"
  "examples/address-book-de.tsv 65001 de_DE contact"
  "examples/spreadsheet-contacts.csv 1252 de_DE contact"
  "examples/calendar-webservice.csv 65001 en_US calendar"
  "examples/groupware-tasks.csv 1252 en_US todo"
  "examples/phone-2.1.vcf 65001 en_US contact"
  "examples/team-calendar.ics 65001 en_US calendar"
  "examples/team-calendar.ics 65001 en_US todo"
)
types=(contact calendar todo memo message email)

# Pulls a number out of varnocsv's one-line JSON result.
number() { [[ $1 =~ \"$2\":(-?[0-9]+) ]] && echo "${BASH_REMATCH[1]}"; }

rows=()
for entry in "${examples[@]}"; do
  read -r file codepage locale type <<<"$entry"
  run --store "$store" --codepage "$codepage" --locale "$locale" --json import "$type" "$file" 2>&1
  rows+=("$file|$type|$(number "$result" saved)|-")
done
mkdir exported again
for type in "${types[@]}"; do
  # UTF-8 keeps every character of every example, Korean and Latin alike.
  run --store "$store" --codepage 65001 --json export "$type" "exported/$type"
  rows+=("exported/$type.csv|$type|-|$(number "$result" written)")
  # What export writes reads back the same: into a fresh store and out again.
  "$varnocsv" --store "again/$type.db" --codepage 65001 import "$type" "exported/$type.csv" 2>/dev/null >/dev/null
  "$varnocsv" --store "again/$type.db" --codepage 65001 export "$type" "again/$type" >/dev/null
  cmp -s "exported/$type.csv" "again/$type.csv" || { echo "exported/$type.csv does not read back the same" >&2; exit 1; }
done
echo
echo "every export imported into a fresh store and exported again byte for byte"

printf '\n%-34s %-8s %10s %11s\n' file type "records in" "records out"
for row in "${rows[@]}"; do
  IFS='|' read -r file type in out <<<"$row"
  printf '%-34s %-8s %10s %11s\n' "$file" "$type" "$in" "$out"
done
