#!/usr/bin/env bash
# The examples of the README's guide must be what scripts/guide.sh prints:
# replays them with the varnocsv given and compares line by line. With
# --update, writes what it printed into the README instead.
#   ReadmeGuide.sh VARNOCSV [--update]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
varnocsv=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
readme=$top/README.md
# The fenced blocks of the section "## A short guide", "@@" between two.
expected=$(awk '/^## A short guide/ {inside = 1; next}
                inside && /^## / {inside = 0}
                inside && /^```$/ {if (open) {open = 0; n++} else {open = 1; if (n) print "@@"}; next}
                inside && open {print}' "$readme")
actual=$(VARNOCSV="$varnocsv" PATH="$(dirname "$varnocsv"):$PATH" bash "$top/scripts/guide.sh")
if [[ ${2:-} == --update ]]; then
  ACTUAL="$actual" python3 - "$readme" <<'PY'
import os, sys
path = sys.argv[1]
blocks = os.environ["ACTUAL"].split("\n@@\n")
lines = open(path).read().split("\n")
out, inside, fence, n = [], False, False, 0
for line in lines:
    if line.startswith("## A short guide"):
        inside = True
    elif inside and line.startswith("## "):
        inside = False
    if inside and line == "```":
        if not fence:
            out += [line] + blocks[n].split("\n")
            n += 1
        fence = not fence
        if not fence:
            out.append(line)
        continue
    if not (inside and fence):
        out.append(line)
assert n == len(blocks), f"{n} blocks in the README, {len(blocks)} printed"
open(path, "w").write("\n".join(out))
PY
  exit 0
fi
diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual")
