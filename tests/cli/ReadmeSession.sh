#!/usr/bin/env bash
# The session in docs/varnocsv.md must be what scripts/session.sh prints: replays it
# with the varnocsv given and compares line by line.
#   ReadmeSession.sh VARNOCSV
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
expected=$(awk '/^##+ A session/ {inside = 1} inside && /^```$/ {n++; next} inside && n == 1 {print}' "$top/docs/varnocsv.md")
actual=$(VARNOCSV="$1" bash "$top/scripts/session.sh")
diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual")
