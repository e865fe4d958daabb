#!/usr/bin/env bash
# The vCard and iCalendar paths against the CSV path for the same records:
# bench/gen.py writes ROWS records of each type in the own layout, which are
# imported; their export as a vCard (contacts) or iCalendar file (calendar
# entries, to-do items) is then imported into a fresh store, and that store
# is exported in both formats. Each step runs RUNS times (3 unless set; an
# import into a fresh store each time): the fastest run's wall seconds and
# the largest peak memory (GNU time) are printed, and the ratio of each
# format step to its CSV step, the fastest run being the one least
# disturbed on a shared machine. BENCH_TYPES picks the pairs
# ("calendar:ics"). The data goes to a temporary folder, removed at the end.
#   bench/formats.sh VARNOCSV [ROWS]
set -euo pipefail
varnocsv=$(realpath "$1") rows=${2:-100000} runs=${RUNS:-3}
top=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TZ=UTC
python3 "$top/bench/gen.py" "$work" --rows "$rows" --types contact,calendar,todo >/dev/null
step() { # NAME STORE COMMAND...: sets $seconds; STORE (or -) is removed before each run
  local name=$1 store=$2 best="" most=0 s k; shift 2
  for ((run = 0; run < runs; ++run)); do
    [[ $store == - ]] || rm -f "$store" "$store-wal" "$store-shm"
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err"; exit 1; }
    read -r s k <"$work/time"
    if [[ -z $best ]] || (($(echo "$s < $best" | bc -l))); then best=$s; fi
    ((k > most)) && most=$k
  done
  seconds=$best
  printf '%-32s %7.2f s %8d KiB peak' "$name" "$seconds" "$most"
}
ratio() { printf '   %.2fx the CSV step\n' "$(echo "$2 / $1" | bc -l)"; }
for pair in ${BENCH_TYPES:-contact:vcf calendar:ics todo:ics}; do
  type=${pair%:*} ext=${pair#*:}
  csv=$(ls "$work"/*"$type"*.csv | head -1)
  step "import $type CSV" "$work/$type-a.db" "$varnocsv" --store "$work/$type-a.db" import "$type" "$csv"; echo; base=$seconds
  "$varnocsv" --store "$work/$type-a.db" export "$type" "$work/$type.$ext" >/dev/null 2>&1
  step "import $type .$ext" "$work/$type-b.db" "$varnocsv" --store "$work/$type-b.db" import "$type" "$work/$type.$ext"; ratio "$base" "$seconds"
  step "count $type CSV" - "$varnocsv" count "$type" "$csv"; echo; base=$seconds
  step "count $type .$ext" - "$varnocsv" count "$type" "$work/$type.$ext"; ratio "$base" "$seconds"
  step "export $type CSV" - "$varnocsv" --store "$work/$type-b.db" export "$type" "$work/out-$type.csv"; echo; base=$seconds
  step "export $type .$ext" - "$varnocsv" --store "$work/$type-b.db" export "$type" "$work/out-$type.$ext"; ratio "$base" "$seconds"
done
