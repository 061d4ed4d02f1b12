#!/usr/bin/env bash
# completion_test.sh COMPLETION PROGRAM: the bash completion offers the commands, the options of
# a command (read from PROGRAM's help) and, for the database, .mdb/.accdb files and folders.
set -uo pipefail
source /usr/share/bash-completion/bash_completion
source "$1"
program=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" && mkdir shop && touch a.mdb B.ACCDB notes.txt

complete_words() {  # the words typed, the last one being completed; prints the offers sorted
  COMP_WORDS=("$program" "$@")
  COMP_CWORD=$#
  COMP_LINE="${COMP_WORDS[*]}"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _fieldmend_cli
  printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}

failed=0
expect() {  # expect WHAT GOT WANTED
  if [[ $2 != "$3" ]]; then
    echo "FAIL $1: got '$2', wanted '$3'"
    failed=1
  fi
}
expect commands "$(complete_words "")" "check export info replace search sql tables undo "
expect "command prefix" "$(complete_words t)" "tables "
expect "program options" "$(complete_words --v)" "--version "
expect "options" "$(complete_words replace a.mdb --dr)" "--dry-run "
expect "password file option" "$(complete_words info a.mdb --password-f)" "--password-file "
expect "formats" "$(complete_words export a.mdb T --format "")" "csv json "
expect "folders" "$(complete_words search --recursive "")" "shop "
expect "database files" "$(complete_words info "")" "B.ACCDB a.mdb shop "
exit $failed
