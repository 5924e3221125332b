# Verdicts of the real-driver checks: one line each, "PASS: CHECK: what" or "FAIL: CHECK: what
# (what was seen)", counted by scripts/vm/run.sh. Sourced by guest.sh; $check names the check
# running.

check=""

pass() { echo "PASS: $check: $1"; }
fail() { echo "FAIL: $check: $1 ($2)"; }

# expect_eq WHAT SEEN WANTED
expect_eq() {
  if [ "$2" = "$3" ]; then
    pass "$1"
  else
    fail "$1" "got '$2', want '$3'"
  fi
}

# expect_in WHAT TEXT PIECE: TEXT holds PIECE.
expect_in() {
  if [[ "$2" == *"$3"* ]]; then
    pass "$1"
  else
    fail "$1" "'$3' not in '$2'"
  fi
}

# Runs the built tempinex: its exit status in $status, what it printed in $out and $err.
tempinex() {
  out="$("$TEMPINEX_BUILD/cli/tempinex" "$@" 2> /tmp/tempinex.err)"
  status=$?
  err="$(cat /tmp/tempinex.err)"
}

# The attribute letters tempinex shows for FILE (RHSADC, '-' for each one not set).
shown() {
  "$TEMPINEX_BUILD/cli/tempinex" show "$1" | sed -n 's/^ *attributes: *//p'
}

# The creation time tempinex shows for FILE, in whole seconds since 1970.
shown_created() {
  date -d "$("$TEMPINEX_BUILD/cli/tempinex" show "$1" | sed -n 's/^ *created: *//p')" +%s
}

mtime() { stat -c %Y "$1"; }
birth() { stat -c %W "$1"; }
write_bits() { printf '%03o' $((0$(stat -c %a "$1") & 0222)); }

# Seconds since 1970 as an NT time (100 ns units since 1601).
nt_time() { echo $((($1 + 11644473600) * 10000000)); }

# "rhsa" letters, in that order, of the attribute bits given as a number.
letters_of() {
  local bits="$1" letters=""
  ((bits & 0x01)) && letters+=r
  ((bits & 0x02)) && letters+=h
  ((bits & 0x04)) && letters+=s
  ((bits & 0x20)) && letters+=a
  echo "$letters"
}
