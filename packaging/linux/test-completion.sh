#!/usr/bin/env bash
# korvelctl's bash completion: each command line below, completed at its
# end, must offer the words given and none of those after "!".
#   test-completion.sh COMPLETION_FILE
set -uo pipefail
completion=$1
source /usr/share/bash-completion/bash_completion || { echo "bash-completion is not installed" >&2; exit 1; }
source "$completion"

# Splits a line into words as readline does for completion: at blanks
# outside quotes, the quotes and backslashes kept in the words.
split_line() {
  local line=$1 word="" quote="" c i
  words_out=()
  for ((i = 0; i < ${#line}; i++)); do
    c=${line:i:1}
    if [[ -n $quote ]]; then
      [[ $c == "$quote" ]] && quote=""
      word+=$c
    elif [[ $c == '\' ]]; then
      word+=$c${line:i+1:1}
      ((i++))
    elif [[ $c == [\"\'] ]]; then
      quote=$c
      word+=$c
    elif [[ $c == ' ' ]]; then
      [[ -n $word ]] && words_out+=("$word")
      word=""
    else
      word+=$c
    fi
  done
  words_out+=("$word") # the word being completed, maybe empty
}

failures=0
check() {
  local line=$1
  shift
  split_line "$line"
  COMP_LINE=$line COMP_POINT=${#line} COMP_WORDS=("${words_out[@]}") COMP_CWORD=$((${#words_out[@]} - 1))
  COMPREPLY=()
  _korvelctl
  local replies=" ${COMPREPLY[*]-} " want negate=""
  for want in "$@"; do
    if [[ $want == "!" ]]; then negate=1; continue; fi
    local found=""
    for reply in "${COMPREPLY[@]}"; do [[ $reply == "$want" ]] && found=1; done
    if [[ -z $negate && -z $found ]] || [[ -n $negate && -n $found ]]; then
      echo "FAIL: '$line' ${negate:+does not }wants '$want'; offered:${replies}" >&2
      failures=$((failures + 1))
    fi
  done
}

check 'korvelctl ' info get set save load diff provision raw watch help --json --help --version
check 'korvelctl provision --' --count --timeout --json ! --grab
check 'korvelctl load --n' --no-verify
check 'korvelctl provision a.rfc --count ' ! --count --timeout
check 'korvelctl --json g' get ! --json
check 'korvelctl help r' raw
check 'korvelctl get ca' case card-code
check 'korvelctl get sufix prefix ' enter digits before
check 'korvelctl set ca' case ! card-code
check 'korvelctl set digits ' decimal hexadecimal ! on
check 'korvelctl set enter o' on off
check 'korvelctl set device-mode ' normal advanced
check 'korvelctl set before n' none
check 'korvelctl set before "Left Sh' 'Left Shift' ! 'Right Shift'
check 'korvelctl set after "left shift, keyboard z' 'left shift, Keyboard z' ! none
check 'korvelctl set remove Left\ Al' 'Left\ Alt'
check 'korvelctl raw ' send listen
check 'korvelctl raw listen --' --count --timeout
check 'korvelctl --json raw listen --count 3 --t' --timeout
check 'korvelctl get --json ca' case card-code ! --json
check 'korvelctl watch --json --g' --grab ! --json
check 'korvelctl watch --exec ./x --c' --count ! --exec
check 'korvelctl info --' --json --help --version ! --count
check 'korvelctl raw listen --count ' ! --count --timeout 0
check 'korvelctl --json set --json digits ' decimal hexadecimal
check 'korvelctl set -- prefix ' ! --json

if ((failures > 0)); then
  echo "$failures completion checks failed" >&2
  exit 1
fi
echo "korvelctl's completion offers what it should"
