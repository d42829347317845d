#!/usr/bin/env bash
# The kestrova.printers collection run by ansible-playbook (connection local) against one
# simulator serving two printers: ansible-doc renders both modules; check mode and a refused
# connection send no write; the first apply writes once and shows its diff; the simulator started
# again (taking the written values) gets the read only and the task is unchanged. A profile from a
# read that did not get every value cleanly is refused before anything is sent. The write returns
# the backup of what the printer held (in backup_dir), and one into a folder that cannot be made
# sends nothing.
# Usage: test_collection.sh SWCTL SIMULATOR COLLECTIONS_PATH
set -euo pipefail
swctl=$(realpath "$1") sim=$2
export ANSIBLE_COLLECTIONS_PATH=$3
command -v ansible-playbook >/dev/null || { echo "ansible-playbook not installed"; exit 77; }

work=$(mktemp -d)
sim_pid=
stop_sim() { if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; sim_pid=; fi; }
trap 'stop_sim; rm -rf "$work"' EXIT
# Backups of the writes go into the temporary folder, not the user's state folder.
export XDG_STATE_HOME=$work/state
export ANSIBLE_HOME=$work/ansible ANSIBLE_LOCAL_TEMP=$work/ansible/tmp ANSIBLE_NOCOLOR=1 \
       ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_PYTHON_INTERPRETER=auto_silent ANSIBLE_DEPRECATION_WARNINGS=0

fail() { echo "FAIL: $*" >&2; exit 1; }

# Starts the simulator on the state file, logging to $1; sets golden and drifted.
start_sim() {
  : > "$work/listening"
  "$sim" --tcp 127.0.0.1:0 --count 2 --state "$work/state.json" --log "$1" > "$work/listening" &
  sim_pid=$!
  for _ in $(seq 50); do [ "$(grep -c '^listening tcp' "$work/listening")" -ge 2 ] && break; sleep 0.1; done
  mapfile -t ports < <(sed -n 's/^listening tcp //p' "$work/listening")
  [ "${#ports[@]}" -eq 2 ] || fail "the simulator did not start"
  golden=${ports[0]} drifted=${ports[1]}
}

# Events the simulator logged for a printer: events LOG HOST:PORT
events() { sed -n "s/^[^ ]* tcp:${2##*:} event //p" "$1"; }

playbook() {
  ansible-playbook -i localhost, -c local "$(dirname "$0")/playbook.yml" --tags "$1" \
    -e "swctl=$swctl golden=$golden drifted=$drifted refused=$refused workdir=$work" "${@:2}"
}

for module in printer_info printer_switches; do
  ansible-doc "kestrova.printers.$module" > "$work/doc.txt" || fail "ansible-doc $module"
  grep -q "EXAMPLES" "$work/doc.txt" && grep -q "RETURN VALUES" "$work/doc.txt" || fail "ansible-doc $module: no examples or return values"
done

refused=127.0.0.1:$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat > "$work/state.json" <<JSON
{"printers": [{"current": {"switches": [10, 20, 30, 40, 50], "codePage": 19}},
              {"current": {"switches": [10, 20, 158, 40, 50], "codePage": 0}}]}
JSON

start_sim "$work/first.log"
playbook check || fail "play: check"
[ -z "$(events "$work/first.log" "$drifted" | grep -E '^(unlock|set )')" ] || fail "check mode sent a write"
events "$work/first.log" "$drifted" | grep -qx "query font-8x16" || fail "check mode did not read"

playbook write --diff | tee "$work/write.out" || fail "play: write"
grep -qxF -- "-SW3-8: OFF (Auto cutter - Enable)" "$work/write.out" || fail "no diff of SW3-8 before"
grep -qxF -- "+SW3-8: ON (Auto cutter - Disable)" "$work/write.out" || fail "no diff of SW3-8 after"
[ "$(ls "$work"/backups/*/*.json | wc -l)" -eq 1 ] || fail "not one backup in backup_dir"
[ ! -e "$work/state" ] || fail "a backup went to the state folder despite backup_dir"
sets=$(events "$work/first.log" "$drifted" | grep -cE '^(unlock|set SW3=30)$') || true
[ "$sets" -eq 4 ] || fail "the write went out $sets times (unlock x3 and SW3 once expected)"
[ -z "$(events "$work/first.log" "$golden" | grep -E '^(unlock|set )')" ] || fail "the golden printer was written"
stop_sim

start_sim "$work/second.log"
playbook again || fail "play: again"
[ -z "$(events "$work/second.log" "$drifted" | grep -E '^(unlock|set )')" ] || fail "an unchanged printer was written"
echo "ansible collection: all plays passed"
