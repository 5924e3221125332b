# The core's store tests (tests/core/native_stores_test.cpp) on the real drivers: each
# driver's volume named in the environment, so that its tests run there with the store the
# volume chooses, not against our FUSE imitation.

check_core() {
  local variables=() filter="BirthTimeStores.*" leave="" line
  need_volume vfat || return
  variables+=("TEMPINEX_REAL_VFAT=/mnt/vfat")
  filter+=":DriverStoreTest.Fat*"
  need_volume vfat-si || return
  variables+=("TEMPINEX_REAL_VFAT_SYS_IMMUTABLE=/mnt/vfat-si")
  filter+=":DriverStoreTest.VfatSysImmutable*"
  need_volume exfat || return
  if kernel_at_least 6 7; then
    variables+=("TEMPINEX_REAL_EXFAT=/mnt/exfat")
    filter+=":DriverStoreTest.Exfat*"
    leave="-DriverStoreTest.ExfatWithoutIoctls*"
  else
    variables+=("TEMPINEX_REAL_EXFAT_NO_IOCTLS=/mnt/exfat")
    filter+=":DriverStoreTest.ExfatWithoutIoctls*"
  fi
  if modinfo ntfs3 > /dev/null 2>&1; then
    need_volume ntfs3 || return
    variables+=("TEMPINEX_REAL_NTFS3=/mnt/ntfs3")
    filter+=":DriverStoreTest.Ntfs3*"
  fi
  need_volume smb || return
  variables+=("TEMPINEX_REAL_CIFS=/mnt/smb")
  filter+=":CifsStoreTest.*"
  need_volume smb-nodos || return
  variables+=("TEMPINEX_REAL_CIFS_NODOS=/mnt/smb-nodos")
  filter+=":DriverStoreTest.Cifs*"

  # One verdict per test; what a failed test printed goes along, indented.
  env "${variables[@]}" "$TEMPINEX_BUILD/tests/core/core_tests" --gtest_filter="$filter$leave" 2>&1 |
    while IFS= read -r line; do
      case "$line" in
        "[       OK ] "*" ("*) pass "${line:13}" ;;
        "[  FAILED  ] "*" ("*) fail "${line:13}" "see above" ;;
        "[  SKIPPED ] "*" ("*) skip "${line:13}" ;;
        "[ RUN      ]"* | "[----------]"* | "[==========]"* | "[  PASSED  ]"*) ;;
        "[  FAILED  ]"* | "[  SKIPPED ]"* | Note:* | "Running main()"* | *"FAILED TEST"* | "") ;;
        *) echo "  | $line" ;;
      esac
    done
}
