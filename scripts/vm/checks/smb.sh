# SMB shares through the kernel's cifs client, served by a local smbd.

check_smb() {
  need_volume smb || return
  attribute_checks smb smb
  refusal_checks smb

  local file
  file="$(new_file /mnt/smb created)"
  tempinex set --created "@$T1" "$file"
  expect_eq "sets the creation time the server keeps" \
    "$status $(server_dosattrib "$(served_file "$file")")" "0 32 $(nt_time "$T1")"
  volume_remount smb
  expect_eq "the creation time is shown after a remount" "$(shown_created "$file")" "$T1"
}

# A share whose server keeps no DOS attributes takes attribute and creation-time writes and
# keeps nothing: each such change is found out afterwards, put back and refused, the file and
# the reason named. The client shows the file as it was at once, its cached creation time too.
check_smb_nodos() {
  need_volume smb-nodos || return
  local change file before number=0 created=() modes=()
  new_file /mnt/smb-nodos 1 > /dev/null
  new_file /mnt/smb-nodos 2 > /dev/null
  new_file /mnt/smb-nodos 3 > /dev/null
  volume_remount smb-nodos  # the client's delayed close would give them a new time later
  for change in "--attrib +h" "--attrib +r" "--created @$T1"; do
    number=$((number + 1))
    file="/mnt/smb-nodos/$number"
    created+=("$(shown_created "$file")")
    modes+=("$(stat -c %a "$(served_file "$file")")")
    before="$(mtime "$file")"
    # shellcheck disable=SC2086  # the change is two words
    tempinex set $change --modified "@$T2" "$file"
    if [ "$status" = 1 ] && [[ "$err" == *"'$file'"*"did not keep the change"* ]]; then
      pass "$change: refused afterwards, the file and the reason named"
    else
      fail "$change: refused afterwards, the file and the reason named" "exit $status: $err"
    fi
    expect_eq "$change: put back at once, the time written with it too" \
      "$(shown "$file") $(shown_created "$file") $(mtime "$file")" \
      "---A-- ${created[$((number - 1))]} $before"
  done
  volume_remount smb-nodos
  for number in 1 2 3; do
    file="/mnt/smb-nodos/$number"
    expect_eq "the server kept none of change $number" \
      "$(shown "$file") $(shown_created "$file") $(stat -c %a "$(served_file "$file")")" \
      "---A-- ${created[$((number - 1))]} ${modes[$((number - 1))]}"
  done
}
