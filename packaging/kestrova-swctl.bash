# bash completion for kestrova-swctl                                  -*- shell-script -*-
#
# Completes commands, options and option values. Commands, the options of each command, which
# options take a value and the fixed values (--baud, --parity, ...) are read from the tool's own
# `--help` at completion time, and model codes from `kestrova-swctl models`, so a new command or
# option completes without a change here. Devices, profiles and list files complete as files.

# Reads the help text on standard input and prints one record a line:
#   command NAME        a command (from the Usage lines)
#   option CMD OPTION   OPTION applies to CMD ("-" stands for no command)
#   takes OPTION        OPTION takes a value
#   values OPTION V...  the only values OPTION takes
_kestrova_swctl_grammar() {
  awk '
    function declared(text, cmd,   rest, name, arg) {
      rest = text
      while (match(rest, /--[a-z0-9][a-z0-9-]*/)) {
        name = substr(rest, RSTART, RLENGTH)
        rest = substr(rest, RSTART + RLENGTH)
        if (cmd != "") print "option", cmd, name
        if (rest ~ /^ [^ [|-]/) {
          arg = substr(rest, 2); sub(/[ \]].*/, "", arg)
          print "takes", name
          if (arg ~ /^[A-Za-z0-9-]+(\|[A-Za-z0-9-]+)+$/) { gsub(/\|/, " ", arg); print "values", name, arg }
        }
      }
    }
    function names(text, list,   rest) {
      rest = text
      while (match(rest, /--[a-z0-9][a-z0-9-]*/)) {
        list = list " " substr(rest, RSTART, RLENGTH); rest = substr(rest, RSTART + RLENGTH)
      }
      return list
    }
    # The "Options:" entry whose text before its first colon names commands ("write: ...").
    function scoped(part, text) {
      if (index(text, ":") == 0) return
      text = substr(text, 1, index(text, ":") - 1); gsub(/[^a-z0-9-]+/, " ", text)
      scope[++nscoped] = names(part); scopetext[nscoped] = " " text " "
    }
    /^[^ ]/ { section = $1; usage = ""; next }
    section == "Usage:" && $1 == "kestrova-swctl" {
      usage = ($2 ~ /^-/) ? "-" : $2
      if (usage != "-" && !(usage in seen)) { seen[usage] = 1; print "command", usage }
    }
    section == "Usage:" && usage != "" {
      declared($0, usage)
      if ($0 ~ /LINK/) linked[usage] = 1
      next
    }
    pending != "" { scoped(pending, $0); pending = "" }
    $0 !~ /^ +(-[a-z], )?--/ { next }
    {
      line = $0; sub(/^ +/, "", line)
      part = line; sub(/  .*/, "", part)
      text = ""; if (match(line, /  +/)) text = substr(line, RSTART + RLENGTH)
      declared(part, "")
      if (section == "LINK") link = names(part, link)
      if (section == "Options:") { if (text == "") pending = part; else scoped(part, text) }
    }
    END {
      n = split(link, linkopts, " ")
      for (cmd in seen) {
        if (cmd in linked) for (i = 1; i <= n; i++) print "option", cmd, linkopts[i]
        for (k = 1; k <= nscoped; k++) if (index(scopetext[k], " " cmd " ")) {
          m = split(scope[k], opts, " ")
          for (i = 1; i <= m; i++) print "option", cmd, opts[i]
        }
      }
    }'
}

_kestrova_swctl() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev="" tool=${COMP_WORDS[0]}
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
  COMPREPLY=()

  local -a commands=()
  local -A options=() takes=() values=()
  local kind a b
  while read -r kind a b; do
    case $kind in
      command) commands+=("$a") ;;
      option) options[$a]+=" $b" ;;
      takes) takes[$a]=1 ;;
      values) values[$a]=$b ;;
    esac
  done < <("$tool" --help 2>/dev/null | _kestrova_swctl_grammar)

  # The command is the first word that is neither an option nor an option's value.
  local cmd=- i
  for ((i = 1; i < COMP_CWORD; i++)); do
    local word=${COMP_WORDS[i]}
    [[ -z $word ]] && continue
    if [[ $word == -* ]]; then
      [[ -n ${takes[$word]-} ]] && ((i++))
    else
      cmd=$word
      break
    fi
  done

  # Candidates one a line; filtered by prefix here, not by compgen -W, which would expand a
  # file name such as $(...) as shell code.
  local candidates
  if [[ -n ${takes[$prev]-} ]] && ((COMP_CWORD > 1)); then
    case $prev in
      --model)
        candidates=$("$tool" models 2>/dev/null | awk 'NR > 1 && $2 ~ /^[A-Z]/ { print $2 }') ;;
      --usb-device)
        candidates=$("$tool" usb-list 2>/dev/null | awk '{ print $1 }') ;;
      --serial | --device)
        compopt -o filenames 2>/dev/null
        candidates=$(compgen -G '/dev/tty*'; compgen -f -- "$cur") ;;
      --from)
        compopt -o filenames 2>/dev/null
        candidates=$(compgen -f -X '!*.json' -- "$cur"; compgen -d -- "$cur") ;;
      --tcp-list)
        compopt -o filenames 2>/dev/null
        candidates=$(compgen -f -- "$cur") ;;
      *)
        candidates=$(printf '%s\n' ${values[$prev]-}) ;;
    esac
  elif [[ $cmd == - && $cur != -* ]]; then
    candidates=$(printf '%s\n' "${commands[@]}")
  else
    candidates=$(printf '%s\n' ${options[$cmd]-})
  fi
  local candidate
  while IFS= read -r candidate; do
    [[ -n $candidate && $candidate == "$cur"* ]] && COMPREPLY+=("$candidate")
  done < <(LC_ALL=C sort -u <<<"$candidates")
  return 0
}

complete -F _kestrova_swctl kestrova-swctl
