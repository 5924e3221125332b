# NTFS on the kernel's ntfs3 driver (not built into Debian 12's own 6.1).

check_ntfs3() {
  if ! modinfo ntfs3 > /dev/null 2>&1; then
    skip "this kernel has no ntfs3 driver"
    return
  fi
  need_volume ntfs3 || return
  attribute_checks ntfs3 ntfs3
  refusal_checks ntfs3
  birth_time_checks ntfs3

  # The driver keeps read-only in the attribute and the write bits; clearing the attribute by
  # itself gives the file all three write bits. The file must get back the ones it had.
  local file
  file="$(new_file /mnt/ntfs3 mode)"
  chmod 644 "$file"
  tempinex set --attrib +r "$file"
  expect_eq "read-only takes the write bits" "$status $(stat -c %a "$file")" "0 444"
  tempinex set --attrib -r "$file"
  expect_eq "clearing read-only gives back the write bits the file had" \
    "$status $(stat -c %a "$file") $(record_ntfs3 "$file")" "0 644 a"
  volume_remount ntfs3
  expect_eq "not world-writable after a remount" "$((0$(stat -c %a "$file") & 02))" 0
}
