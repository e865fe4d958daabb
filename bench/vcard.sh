#!/usr/bin/env bash
# The vCard path against the CSV path for the same contacts: bench/gen.py
# writes ROWS contacts in the own layout, which are imported; their export
# as a vCard file is then imported into a fresh store, and both stores are
# exported in both formats. Prints wall seconds and peak memory of each
# step (GNU time). The data goes to a temporary folder, removed at the end.
#   bench/vcard.sh VARNOCSV [ROWS]
set -euo pipefail
varnocsv=$(realpath "$1") rows=${2:-100000}
top=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TZ=UTC
python3 "$top/bench/gen.py" "$work" --rows "$rows" --types contact >/dev/null
csv=$(ls "$work"/*contact*.csv | head -1)
step() { # NAME COMMAND...
  local name=$1; shift
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err"; exit 1; }
  read -r seconds kib <"$work/time"
  printf '%-28s %7.2f s %8d KiB peak\n' "$name" "$seconds" "$kib"
}
step "import CSV" "$varnocsv" --store "$work/a.db" import contact "$csv"
"$varnocsv" --store "$work/a.db" export contact "$work/book.vcf" >/dev/null
printf '%-28s %7d bytes, %d bytes of CSV\n' "vCard file" "$(stat -c %s "$work/book.vcf")" "$(stat -c %s "$csv")"
step "import vCard" "$varnocsv" --store "$work/b.db" import contact "$work/book.vcf"
step "count CSV" "$varnocsv" count contact "$csv"
step "count vCard" "$varnocsv" count contact "$work/book.vcf"
step "export CSV" "$varnocsv" --store "$work/b.db" export contact "$work/out.csv"
step "export vCard" "$varnocsv" --store "$work/b.db" export contact "$work/out.vcf"
