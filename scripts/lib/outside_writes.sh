# Catches a test that wrote outside its temporary world. Every test points HOME, the XDG
# folders and QFN_SYSTEM_PREFS into /tmp, so a "Quillfen" folder or file appearing (or one
# that already existed changing) where a store or data folder lands when a path is built
# from a missing or wrong base (the root folder, root's and the user's home folders with
# their .config, .local/share and Documents, /var/lib) means one did.
# Sourced by scripts/test: qfn_outside_snapshot before the first pass, then
# qfn_outside_check "<pass name>" after each, which fails and lists what it found.

qfn_outside_places() {
  local base sub
  {
    for base in / /root "${HOME:-/root}"; do
      for sub in "" .config .local/share Documents; do
        find "$base/$sub" -maxdepth 1 -iname '*quillfen*' 2>/dev/null || true
      done
    done
    find /var/lib -maxdepth 1 -iname '*quillfen*' 2>/dev/null || true
  } | sed 's#//*#/#g' | sort -u
}

qfn_outside_snapshot() {
  QFN_OUTSIDE_MARKER=$(mktemp /tmp/qfn-outside-XXXXXX)
  QFN_OUTSIDE_BEFORE=$(qfn_outside_places)
}

qfn_outside_check() {
  local now found place
  now=$(qfn_outside_places)
  found=$(
    {
      comm -13 <(printf '%s\n' "$QFN_OUTSIDE_BEFORE") <(printf '%s\n' "$now")
      while IFS= read -r place; do
        [ -n "$place" ] && find "$place" -newer "$QFN_OUTSIDE_MARKER" 2>/dev/null
      done <<<"$now"
      true
    } | sed '/^$/d' | sort -u
  )
  [ -z "$found" ] && return 0
  echo "== $1: tests wrote outside their temporary folders:" >&2
  printf '%s\n' "$found" >&2
  return 1
}
