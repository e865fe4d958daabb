#!/usr/bin/env bash
# Crash safety of the store: imports killed with SIGKILL at random moments.
#
#   scripts/kill-test.sh [KILLS] [VARNOCSV]     (defaults: 50, build/release/bin/varnocsv)
#
# A large memo file (bench/gen.py, in a temporary folder) is imported and the
# process killed after a random delay within the time a whole import takes,
# KILLS times in a row, each time into a profile of its own. After each kill
# the store must pass PRAGMA integrity_check, the killed import's profile must
# hold none or all of the file's memos (and the history an entry only for
# all), and the next import (complete) must store all of them. Then KILLS
# rounds of two imports at once into two profiles, one of them killed: the
# other must succeed with all its memos, the killed one must have stored none
# or all. Then KILLS undos of those complete imports, each killed: the store
# stays sound and each import is undone whole (no memo left, marked undone)
# or not at all. Then KILLS backups, each killed: the store stays as it was
# and sound. Exit 0 only when every round passed. ROWS (default 100000) sets
# the file's size.
set -euo pipefail
cd "$(dirname "$0")/.."
kills=${1:-50}
varnocsv=$(realpath "${2:-build/release/bin/varnocsv}")
rows=${ROWS:-100000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 bench/gen.py "$work" --rows "$rows" --types memo >/dev/null
file=$(ls "$work"/*.csv)
store="$work/store.db"

# Prints the memos held by profile $1.
memos() { sqlite3 "$store" "SELECT count(*) FROM calendar WHERE profile = $1 AND calendar_type = 3"; }
# Prints the history's imports into profile $1 as "entries undone".
imports() { sqlite3 -separator ' ' "$store" "SELECT count(*), count(undone) FROM import_history WHERE profile = $1"; }
fail() { echo "kill-test: $*" >&2; exit 1; }
checkStore() { # $1: what happened
  local check; check=$(sqlite3 "$store" "PRAGMA integrity_check")
  [ "$check" = ok ] || fail "$1: integrity_check says: $check"
}
importInto() { "$varnocsv" --store "$store" --profile "$1" import memo "$file" >/dev/null 2>"$work/err.$1"; }
# The same in the background, with $! the process of varnocsv itself.
startImport() { "$varnocsv" --store "$store" --profile "$1" import memo "$file" >/dev/null 2>"$work/err.$1" & }

# Two whole imports first: the first creates the store, the second says how
# long one takes.
importInto 1 || fail "the first import failed: $(cat "$work/err.1")"
start=$(date +%s%N)
importInto 2 || fail "the second import failed: $(cat "$work/err.2")"
span_ms=$(( ($(date +%s%N) - start) / 1000000 ))
[ "$(memos 2)" = "$rows" ] || fail "the second import stored $(memos 2) of $rows memos"
echo "kill-test: $rows memos, one import takes ${span_ms} ms; $kills kills of one import"

# A random delay, in seconds, below $1 milliseconds.
delay() { local ms=$(( (RANDOM * 32768 + RANDOM) % $1 )); printf '%d.%03d' $((ms / 1000)) $((ms % 1000)); }
whole=0 none=0
for ((i = 1; i <= kills; ++i)); do
  profile=$((100 + i))
  startImport "$profile"; pid=$!
  sleep "$(delay "$span_ms")"
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  checkStore "kill $i"
  held=$(memos "$profile")
  [ "$held" = 0 ] || [ "$held" = "$rows" ] || fail "kill $i: the killed import left $held of $rows memos"
  [ "$(imports "$profile")" = "$([ "$held" = 0 ] && echo "0 0" || echo "1 0")" ] ||
    fail "kill $i: $held memos stored, but the history holds $(imports "$profile") (entries, undone)"
  [ "$held" = 0 ] && none=$((none + 1)) || whole=$((whole + 1))
  importInto $((5000 + i)) || fail "kill $i: the next import failed: $(cat "$work/err.$((5000 + i))")"
  [ "$(memos $((5000 + i)))" = "$rows" ] || fail "kill $i: the next import stored $(memos $((5000 + i))) memos"
done
echo "kill-test: one import: $kills kills passed ($none left nothing, $whole had finished)"

whole=0 none=0
for ((i = 1; i <= kills; ++i)); do
  a=$((10000 + i)) b=$((20000 + i))
  startImport "$a"; pa=$!
  startImport "$b"; pb=$!
  # Two imports take turns at the store; kill one of them at random.
  sleep "$(delay $((2 * span_ms)))"
  if ((i % 2)); then victim=$pa survivor=$pb vp=$a sp=$b; else victim=$pb survivor=$pa vp=$b sp=$a; fi
  kill -KILL "$victim" 2>/dev/null || true
  wait "$victim" 2>/dev/null || true
  wait "$survivor" || fail "two at once, round $i: the import that was not killed failed: $(cat "$work/err.$sp")"
  checkStore "two at once, round $i"
  [ "$(memos "$sp")" = "$rows" ] || fail "two at once, round $i: the survivor stored $(memos "$sp") memos"
  held=$(memos "$vp")
  [ "$held" = 0 ] || [ "$held" = "$rows" ] || fail "two at once, round $i: the killed import left $held memos"
  [ "$held" = 0 ] && none=$((none + 1)) || whole=$((whole + 1))
done
echo "kill-test: two at once: $kills rounds passed ($none killed imports left nothing, $whole had finished)"

# Undo: one whole undo says how long one takes, then each complete import
# of the first rounds is undone and killed on the way.
run() { "$varnocsv" --store "$store" "$@" >/dev/null 2>"$work/err.run"; }
# The same in the background, with $! the process of varnocsv itself.
startRun() { "$varnocsv" --store "$store" "$@" >/dev/null 2>"$work/err.run" & }
start=$(date +%s%N)
run undo "$(sqlite3 "$store" "SELECT id FROM import_history WHERE profile = 2")" || fail "undo: $(cat "$work/err.run")"
undo_ms=$(( ($(date +%s%N) - start) / 1000000 + 1 ))
[ "$(memos 2)" = 0 ] || fail "a whole undo left $(memos 2) memos"
whole=0 none=0
for ((i = 1; i <= kills; ++i)); do
  profile=$((5000 + i))
  id=$(sqlite3 "$store" "SELECT id FROM import_history WHERE profile = $profile")
  startRun undo "$id"; pid=$!
  sleep "$(delay "$undo_ms")"
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  checkStore "undo, kill $i"
  case "$(memos "$profile") $(imports "$profile")" in
    "$rows 1 0") none=$((none + 1)) ;;
    "0 1 1") whole=$((whole + 1)) ;;
    *) fail "undo, kill $i: $(memos "$profile") memos left, history $(imports "$profile") (entries, undone)" ;;
  esac
done
echo "kill-test: undo: $kills kills passed ($none undid nothing, $whole had finished)"

# Backup: the store is only read; a killed copy leaves at most its
# temporary file, which is removed here.
before=$(sqlite3 "$store" "SELECT count(*) FROM calendar; SELECT count(*) FROM import_history")
start=$(date +%s%N)
run backup "$work/copy.db" || fail "backup: $(cat "$work/err.run")"
backup_ms=$(( ($(date +%s%N) - start) / 1000000 + 1 ))
[ "$(sqlite3 "$work/copy.db" "PRAGMA integrity_check")" = ok ] || fail "a whole backup is not sound"
for ((i = 1; i <= kills; ++i)); do
  startRun backup "$work/copy.db"; pid=$!
  sleep "$(delay "$backup_ms")"
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  checkStore "backup, kill $i"
  [ "$(sqlite3 "$store" "SELECT count(*) FROM calendar; SELECT count(*) FROM import_history")" = "$before" ] ||
    fail "backup, kill $i: the store changed"
  [ "$(sqlite3 "$work/copy.db" "PRAGMA integrity_check")" = ok ] || fail "backup, kill $i: the copy in place is not sound"
  rm -f "$work"/copy.db.??????
done
echo "kill-test: backup: $kills kills passed"
