# FAT and exFAT on their kernel drivers: vfat, vfat mounted sys_immutable, exfat.

check_vfat() {
  need_volume vfat || return
  attribute_checks vfat fat
  refusal_checks vfat
  birth_time_checks vfat
  root_folder_checks vfat
}

# Mounted sys_immutable, a file with System is immutable to the kernel: no write, no chmod, no
# new times. Root may still change its attributes through the driver (fatattr does), so
# tempinex must take System off and change the rest of its attributes too.
check_vfat_si() {
  need_volume vfat-si || return
  local folder=/mnt/vfat-si/system
  mkdir -p "$folder"
  local file system plain before
  file="$(new_file "$folder" file)"
  tempinex set --attrib +s "$file"
  expect_eq "sets System" "$status $(record_fat "$file")" "0 sa"
  tempinex set --attrib +h "$file"
  expect_eq "changes another attribute of a System file" "$status $(record_fat "$file") $err" \
    "0 hsa "
  tempinex set --attrib -s "$file"
  expect_eq "takes System off again" "$status $(record_fat "$file") $err" "0 ha "

  system="$(new_file "$folder" system)"
  plain="$(new_file "$folder" plain)"
  give_fat "$system" s
  before="$(mtime "$system")"
  tempinex set --modified "@$T2" "$system" "$plain"
  expect_eq "new times for a System file are refused, the other file's are written" \
    "$status $(mtime "$system") $(mtime "$plain")" "1 $before $T2"
  expect_in "the System file is named" "$err" "'$system'"

  # Taking System off and a new time in one change: all of it, or none of it.
  tempinex set --attrib -s --modified "@$T1" "$system"
  case "$status $(record_fat "$system") $(mtime "$system")" in
    "0 a $T1" | "1 sa $before") pass "System off with a new time: all written or none" ;;
    *) fail "System off with a new time: all written or none" \
      "exit $status, kept '$(record_fat "$system")', time $(mtime "$system"): $err" ;;
  esac
}

check_exfat() {
  need_volume exfat || return
  if kernel_at_least 6 7; then
    attribute_checks exfat fat
  else
    exfat_without_ioctls_checks
  fi
  refusal_checks exfat
  birth_time_checks exfat
  root_folder_checks exfat
}

# Before Linux 6.7 the exFAT driver has no attribute ioctls. It writes the write bits to the
# entry's read-only bit, but keeps the read-only bit it read: write bits given back last only
# until the next mount. So read-only can be set, and no other attribute changed.
exfat_without_ioctls_checks() {
  local folder=/mnt/exfat/no-ioctls
  mkdir -p "$folder/sub"
  local fresh locked before
  fresh="$(new_file "$folder" fresh)"
  locked="$(new_file "$folder" locked)"
  expect_eq "a new file shows archive, a folder none" "$(shown "$fresh") $(shown "$folder/sub")" \
    "---A-- ----D-"
  chmod a-w "$locked"
  expect_eq "a file without write bits shows read-only" "$(shown "$locked")" R--A--
  before="$(mtime "$fresh")"
  tempinex set --attrib +h --modified "@$T1" "$fresh"
  expect_eq "hidden is refused, nothing of the change written" "$status $(mtime "$fresh")" \
    "1 $before"
  expect_in "the refusal names the kernel's limit" "$err" \
    "this kernel cannot change exFAT attributes; Linux 6.7 or later can"
  LC_ALL=ja_JP.UTF-8 tempinex set --attrib +h "$fresh"
  expect_in "the Japanese refusal names it too" "$err" "Linux 6.7 以降"

  tempinex set --attrib +r "$fresh"
  volume_remount exfat
  expect_eq "read-only is set through the write bits and kept over a remount" \
    "$status $(write_bits "$fresh") $(shown "$fresh")" "0 000 R--A--"
  tempinex set --attrib -r "$fresh"
  expect_eq "clearing read-only is refused, the file left read-only" \
    "$status $(write_bits "$fresh")" "1 000"
  expect_in "the refusal names the kernel's limit" "$err" "Linux 6.7"
}

# The root folder has no directory entry: the drivers refuse it attributes (EINVAL) and take new
# times only to lose them. tempinex refuses both, with that reason, and writes nothing.
root_folder_checks() {
  local root="/mnt/$1" before
  before="$(mtime "$root")"
  tempinex set --attrib +h --modified "@$T1" "$root"
  expect_eq "attributes and times for the root folder are refused" \
    "$status $(shown "$root") $(mtime "$root")" "1 ----D- $before"
  expect_in "the refusal says the root folder keeps neither" "$err" \
    "the root folder of a FAT or exFAT volume keeps neither attributes nor times"
  tempinex set --modified "@$T1" "$root"
  expect_eq "times alone are refused too" "$status $(mtime "$root")" "1 $before"
}
