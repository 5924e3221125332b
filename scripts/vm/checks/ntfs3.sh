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

  # Whenever system.ntfs_attrib changes, the driver takes the write bits away (read-only) or
  # gives all three (any other word) until the next mount. The file must keep the write bits
  # it had, never become writable for all.
  local file hidden folder mode writable=""
  file="$(new_file /mnt/ntfs3 mode)"
  hidden="$(new_file /mnt/ntfs3 hidden)"
  folder=/mnt/ntfs3/folder
  mkdir "$folder"
  chmod 644 "$file" "$hidden"
  chmod 755 "$folder"
  tempinex set --attrib +r "$file"
  expect_eq "read-only takes the write bits" "$status $(stat -c %a "$file")" "0 444"
  tempinex set --attrib -r "$file"
  expect_eq "clearing read-only gives back the write bits the file had" \
    "$status $(stat -c %a "$file") $(record_ntfs3 "$file")" "0 644 a"
  tempinex set --attrib +h "$hidden" "$folder"
  expect_eq "hidden leaves the write bits of a file and a folder as they were" \
    "$status $(stat -c %a "$hidden") $(stat -c %a "$folder")" "0 644 755"
  volume_remount ntfs3
  for mode in $(stat -c %a "$file" "$hidden" "$folder"); do
    if ((8#$mode & 02)); then
      writable+=" $mode"
    fi
  done
  expect_eq "none writable for all after a remount" "$writable" ""
}
