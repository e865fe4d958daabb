#!/usr/bin/env bash
# The manual page and the bash completion name every command, option and
# record type that varnocsv's --help texts list (the types come from the
# library's list of record types), so neither falls behind the host.
#   DocsCoverHelp.sh VARNOCSV MANPAGE COMPLETION
set -uo pipefail
varnocsv=$1 manpage=$2 completion=$3
status=0
# The commands are those --help lists, so a new one must be documented too.
mapfile -t commands < <("$varnocsv" --help | sed -n '/^Commands:/,/^$/p' | awk 'NR > 1 && NF { print $1 }')
((${#commands[@]} > 0)) || { echo "--help lists no commands"; exit 1; }
for command in "" "${commands[@]}"; do
  # shellcheck disable=SC2086
  for option in $("$varnocsv" $command --help | grep -oE -- '--[a-z][a-z-]*[a-z]' | sort -u); do
    name=${option#--}
    grep -qF -- "\\-\\-${name//-/\\-}" "$manpage" || { echo "the manual page lacks $option${command:+ ($command)}"; status=1; }
    grep -qE -- "(^|[ \"])$option( |\"|\))" "$completion" || { echo "the completion lacks $option${command:+ ($command)}"; status=1; }
  done
done
for command in "${commands[@]}"; do
  grep -qE "^\.BI? $command( |$)" "$manpage" || { echo "the manual page lacks the command $command"; status=1; }
  grep -qE "commands=\"[^\"]*\b$command\b" "$completion" || { echo "the completion lacks the command $command"; status=1; }
done
# "TYPE is contact, calendar, ... or email (in any letter case),\nor its code 1 to 6."
help=$("$varnocsv" --help | tr '\n' ' ')
mapfile -t types < <(sed -n 's/.*TYPE is \(.*\) (in any letter case).*/\1/p' <<<"$help" | sed 's/, / /g; s/ or / /' | tr ' ' '\n')
codes=$(sed -n 's/.*or its code \([0-9]* to [0-9]*\)\..*/\1/p' <<<"$help")
((${#types[@]} > 0)) && [[ -n $codes ]] || { echo "--help names no record types"; exit 1; }
for type in "${types[@]}"; do
  grep -qE "^\.BR .*\b$type\b" "$manpage" || { echo "the manual page lacks the type $type"; status=1; }
  grep -qE "types=\"[^\"]*\b$type\b" "$completion" || { echo "the completion lacks the type $type"; status=1; }
done
grep -qF "its code $codes" "$manpage" || { echo "the manual page lacks the codes $codes"; status=1; }
exit $status
