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
# keeps nothing: each such change is refused, with the file named.
check_smb_nodos() {
  need_volume smb-nodos || return
  local change file number=0 created=()
  for change in "--attrib +h" "--attrib +r" "--created @$T1"; do
    number=$((number + 1))
    file="$(new_file /mnt/smb-nodos "$number")"
    created+=("$(shown_created "$file")")
    # shellcheck disable=SC2086  # the change is two words
    tempinex set $change "$file"
    if [ "$status" = 1 ] && [[ "$err" == *"'$file'"* ]]; then
      pass "$change: refused, the file named"
    else
      fail "$change: refused, the file named" "exit $status: $err"
    fi
  done
  volume_remount smb-nodos
  for number in 1 2 3; do
    expect_eq "the server kept none of change $number" \
      "$(shown "/mnt/smb-nodos/$number") $(shown_created "/mnt/smb-nodos/$number")" \
      "---A-- ${created[$((number - 1))]}"
  done
}
