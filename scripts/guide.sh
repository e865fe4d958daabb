#!/usr/bin/env bash
# Replays the guide of README.md in a fresh temporary folder with a copy of
# examples/, printing each of its examples (the commands and what they print)
# as the README shows it, a line "@@" between two examples.
# tests/cli/ReadmeGuide.sh holds the README to it.
#   VARNOCSV  the varnocsv to run (default build/release/bin/varnocsv)
set -uo pipefail
cd "$(dirname "$0")/.."
varnocsv=${VARNOCSV:-$PWD/build/release/bin/varnocsv}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r examples "$work/"
cd "$work"
unset LANG LC_ALL LC_CTYPE LC_TIME
export TZ=UTC COLUMNS=72 LC_ALL=C.UTF-8

# Shows a varnocsv command, runs it with standard error merged into standard
# output, and shows a failing exit. The moments the store's history records
# are shown as one fixed moment, so that the README can show them.
run() {
  local shown="" arg
  for arg in "$@"; do
    if [[ $arg =~ ^[A-Za-z0-9_./:,+@%=-]*$ ]]; then shown+=" $arg"
    elif [[ $arg =~ ^([A-Za-z0-9_]+=)(.*)$ ]]; then shown+=" ${BASH_REMATCH[1]}'${BASH_REMATCH[2]}'"
    else shown+=" '$arg'"; fi
  done
  echo "\$ varnocsv${shown}"
  "$varnocsv" "$@" 2>&1 | sed -E 's/[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z/2026-12-06T09:30:00Z/g'
  local status=${PIPESTATUS[0]}
  if ((status != 0)); then echo "# exit $status"; fi
}
# Shows a shell command and runs it.
shell() {
  echo "\$ $1"
  eval "$1" 2>&1
}
next() { echo "@@"; }

# Look before importing.
run --store store.db preview calendar examples/calendar-english.csv --rows 2
next
# An address book from a web mail service.
run --store store.db import contact examples/webmail-contacts.csv
next
# From a desktop mail program (a German one, in code page 1252).
run --store store.db --codepage 1252 --locale de_DE import contact examples/desktop-mail-de.csv
next
# A column varnocsv does not know.
shell "printf 'First,Last,Cell No.\nAnn,Lee,+1 617 555 0199\n' > friends.csv"
run --store store.db preview contact friends.csv --rows 0
shell "varnocsv fields contact | grep -A2 '^TEL_MOBILE1'"
run --store store.db import contact friends.csv --map FIRST_NAME=First --map LAST_NAME=Last --map TEL_MOBILE1='Cell No.'
next
# Into the phone's own layout, and back.
run --store store.db export contact phone-contacts.csv
shell "head -c 300 phone-contacts.csv"
echo
run --store phone.db import contact phone-contacts.csv
next
# A phone's address book as a vCard file, and back.
run --store vcard.db import contact examples/phone-2.1.vcf
run --store vcard.db export contact for-phone.vcf
shell "tr -d '\\r' < for-phone.vcf"
next
# A calendar.
run --store store.db --codepage 1252 --locale en_US import calendar examples/calendar-english.csv
run --store store.db export calendar calendar.csv
shell "cat calendar.csv"
next
# iCalendar, in and out (times in the zone of the person who runs it).
export TZ=Europe/Berlin
run --store ics.db import calendar examples/team-calendar.ics
run --store ics.db import todo examples/team-calendar.ics
run --store ics.db export calendar team.ics
shell "tr -d '\\r' < team.ics | grep -v -e '^DTSTAMP' -e '^UID'"
export TZ=UTC
next
# Undoing a mistake: the same calendar imported twice.
run --store store.db --codepage 1252 --locale en_US import calendar examples/calendar-english.csv
run --store store.db history
run --store store.db undo
