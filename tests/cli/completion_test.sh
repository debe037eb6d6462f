#!/usr/bin/env bash
# The bash completion of plnctl as a user's Tab sees it: commands, options of the command,
# their words and values, and the COM numbers that `plnctl ports` lists.
#   completion_test.sh COMPLETION_FILE PLNCTL_FOLDER
set -u
source /usr/share/bash-completion/bash_completion
source "$1"
export PATH="$2:$PATH"
export PLNTOOL_COM1=/dev/null PLNTOOL_COM2=/dev/null PLNTOOL_COM3=/dev/null
failed=0
expect() {
    local want=$1
    shift
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _plnctl plnctl "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
    local got="${COMPREPLY[*]}"
    # The machine's own ports may follow the three named ones.
    if [[ $got != "$want" && $got != "$want "* ]]; then
        echo "[$*]: expected '$want', got '$got'" >&2
        failed=1
    fi
}
expect "bank backup" plnctl ba
expect "--json" plnctl backup --j
expect "--json" plnctl --host x backup /tmp --j
expect "select save load" plnctl --host x bank ""
expect "start stop" plnctl --com 1 measure s
expect "japanese english" plnctl --language ""
expect "RGGB GBRG GRBG BGGR" plnctl convert --pattern ""
expect "--program-folder --probe" plnctl ports --p
expect "1 2 3" plnctl --com ""
expect "CR CRLF" plnctl capture --delimiter C
exit $failed
