#!/usr/bin/env bash
# Completes partial kestrova-swctl command lines with packaging/kestrova-swctl.bash and compares
# COMPREPLY, sorted, with the expected words:
#   test_bash_completion.sh BIN_DIR COMPLETION_FILE
set -uo pipefail
bin_dir=$(cd "$1" && pwd) || exit 1
completion=$(realpath "$2") || exit 1

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/files"
cd "$scratch/files" || exit 1
mkdir sub
touch a.json b.txt 'my profile.json' '$(touch pwned).json'
# A tool whose help names a command the real one does not have.
cat >other-swctl <<'TOOL'
#!/bin/sh
printf 'Usage:\n  kestrova-swctl frob LINK [--zap N]\n\nLINK (exactly one kind):\n  --tcp HOST  A host.\n'
TOOL
chmod +x other-swctl
export PATH="$bin_dir:$PATH"

failures=0
passes=0
# complete WORD... : the sorted COMPREPLY for the last word, one a line; fails the row when the
# completion prints anything.
complete_line() {
  local output
  rm -f ../reply
  output=$(bash -c 'source "$1" && shift && COMP_WORDS=("$@") && COMP_CWORD=$(($# - 1)) &&
                    _kestrova_swctl; printf "%s\n" "${COMPREPLY[@]}" | LC_ALL=C sort >../reply' \
    _ "$completion" "$@" 2>&1)
  [ -z "$output" ] || echo "printed: $output"
  cat ../reply
}

# Each row: the expected words separated by '|', then the command line.
rows=(
  "read|restore|kestrova-swctl re"
  "--help|--version|kestrova-swctl --"
  "font-test|kestrova-swctl f"
  "--fast|kestrova-swctl read --f"
  "--fast|--font8x16|--from|kestrova-swctl write --f"
  "--usb|--usb-device|kestrova-swctl --json read --tcp 10.0.0.1 --u"
  "--fast|--from|kestrova-swctl check --serial /dev/null --json --f"
  "RT5600|RT5602|kestrova-swctl explain --model RT56"
  "even|none|kestrova-swctl write --serial /dev/null --parity "
  "115200|19200|kestrova-swctl read --baud 1"
  "dtr-dsr|xon-xoff|kestrova-swctl read --handshake "
  "OFF|ON|kestrova-swctl write --usb --font8x16 O"
  "--backup|--backup-dir|kestrova-swctl restore --tcp 10.0.0.1 --backup"
  '$(touch pwned).json|a.json|my profile.json|sub|kestrova-swctl write --from '
  "./b.txt|kestrova-swctl read --tcp-list ./b"
  "sub|kestrova-swctl read --serial su"
  "frob|./other-swctl f"
  "--tcp|--zap|./other-swctl frob --"
  "|./missing-swctl r"
  "--json|kestrova-swctl models --nonexistent "
)
for row in "${rows[@]}"; do
  line=${row##*|}
  expected=${row%|*}
  read -r -a words <<<"$line"
  [[ $line == *" " ]] && words+=("")
  # Words are split at blanks; a file name with a blank is only ever expected, never typed.
  actual=$(complete_line "${words[@]}" | paste -sd '|')
  if [ "$actual" = "$expected" ]; then
    passes=$((passes + 1))
  else
    echo "FAIL: '$line': expected '$expected', got '$actual'"
    failures=$((failures + 1))
  fi
done

# --serial and --device offer the terminals besides files; nothing else under /dev.
ttys=$(complete_line kestrova-swctl read --device /dev/tty)
if grep -qx /dev/tty <<<"$ttys" && ! grep -qv '^/dev/tty' <<<"$ttys"; then
  passes=$((passes + 1))
else
  echo "FAIL: --device /dev/tty: got '$ttys'"
  failures=$((failures + 1))
fi
# A file name is offered as it is, never run as shell code.
if [ -e pwned ]; then
  echo "FAIL: completing a file name ran it as a command"
  failures=$((failures + 1))
else
  passes=$((passes + 1))
fi

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
