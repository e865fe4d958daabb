#!/usr/bin/env bash
# The manual page and the bash completion name every command and option that
# varnocsv's --help texts list, so neither falls behind the host.
#   DocsCoverHelp.sh VARNOCSV MANPAGE COMPLETION
set -uo pipefail
varnocsv=$1 manpage=$2 completion=$3
status=0
# The commands are those --help lists, so a new one must be documented too.
mapfile -t commands < <("$varnocsv" --help | sed -n '/^Commands:/,/^$/p' | awk 'NR > 1 && NF { print $1 }')
((${#commands[@]} > 0)) || { echo "--help lists no commands"; exit 1; }
for command in "" "${commands[@]}"; do
  # shellcheck disable=SC2086
  for option in $("$varnocsv" $command --help | grep -oE -- '--[a-z]+' | sort -u); do
    grep -qF -- "\\-\\-${option#--}" "$manpage" || { echo "the manual page lacks $option${command:+ ($command)}"; status=1; }
    grep -qE -- "(^|[ \"])$option( |\"|\))" "$completion" || { echo "the completion lacks $option${command:+ ($command)}"; status=1; }
  done
done
for command in "${commands[@]}"; do
  grep -qE "^\.BI? $command( |$)" "$manpage" || { echo "the manual page lacks the command $command"; status=1; }
  grep -qE "commands=\"[^\"]*\b$command\b" "$completion" || { echo "the completion lacks the command $command"; status=1; }
done
exit $status
