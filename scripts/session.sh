#!/usr/bin/env bash
# Replays the session shown in docs/varnocsv.md, in a fresh temporary folder with a
# copy of examples/, and prints it as the README shows it (commands, their
# output, and "# exit N" after a failing one). Needs build/release.
#   BUILD_DIR  build folder (default build/release)
set -uo pipefail
cd "$(dirname "$0")/.."
varnocsv=${VARNOCSV:-$PWD/${BUILD_DIR:-build/release}/bin/varnocsv}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r examples "$work/"
cd "$work"
unset LANG LC_ALL LC_CTYPE LC_TIME
export TZ=UTC COLUMNS=60

# Shows a command (the text after it is shown on standard input), runs it
# with standard error merged into standard output, and shows a failing exit.
run() {
  local input=""
  if [[ $1 == --input ]]; then input=$2; shift 2; fi
  if [[ -n $input ]]; then
    printf "\$ printf '%s' | varnocsv %s\n" "$input" "$*"
    printf "$input" | "$varnocsv" "$@" 2>&1
  else
    echo "\$ varnocsv $*"
    "$varnocsv" "$@" 2>&1
  fi
  local status=$?
  if ((status != 0)); then echo "# exit $status"; fi
}

run --store store.db fields examples/memo-utf16.txt
run --store store.db list memo
run --store store.db import memo examples/memo.csv
run --store store.db --codepage 1252 import memo examples/memo.csv
run --store store.db import memo examples/memo-utf16.txt
run --store store.db list memo
run --store store.db --codepage 949 export memo memos
run --store store.db export memo memos
run --store store.db --json count memo memos.csv
run --store store.db --json --profile 2 export memo empty
run --input 'Remark;Shade\r\nWater the plants;green\r\n' --store store.db import memo -
run --input 'Remark;Shade\r\nWater the plants;green\r\n' --store store.db import memo - --map memo=Remark --map color=Shade
run --store store.db count memo missing.csv
run --store store.db count todo memos.csv
run --store store.db --codepage 1252 --locale en_US import calendar examples/calendar-english.csv
run --store store.db list calendar
run --store store.db --locale en_US preview contact examples/addressbook-short.csv --rows 2
run --store store.db --locale en_US import contact examples/addressbook-short.csv
run --store store.db --json list contact
run --store store.db --codepage 949 import message examples/messages.csv
run --store store.db list message
run --store store.db --profile 0 list memo
