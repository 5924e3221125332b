# The end-to-end scenarios of the dialog (tests/e2e/end_to_end.py) that hold on any store, in
# an X server of the guest, their files on the real vfat driver.

check_e2e() {
  need_volume vfat || return
  mkdir -p /mnt/vfat/e2e
  # xvfb-run keeps its X authority file in TMPDIR, and xauth cannot lock it on FAT.
  timeout 150 xvfb-run -a -s "-screen 0 1280x1024x24" env TMPDIR=/mnt/vfat/e2e \
    /usr/bin/python3 tests/e2e/end_to_end.py "$TEMPINEX_BUILD/ui/qt/Tempinex64" \
    rename_and_last_write read_only_refused_others_changed failed_rename_reported < /dev/null 2>&1 |
    sed -e "s/^\(PASS\|FAIL\): /\1: $check: /" -e '/^end-to-end:/d'
}
