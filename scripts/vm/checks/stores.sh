# The checks every store passes on its real driver: tempinex shows what the driver keeps,
# changes it, the volume keeps it over a remount, a file that cannot take its change is
# refused, named and left as it was while the others are written. What the driver keeps is
# read and written with the driver's own tools, never through our code:
#   fat: fatattr (the driver's FAT_IOCTL_GET/SET_ATTRIBUTES); ntfs3: system.ntfs_attrib;
#   smb: what smbd keeps in the user.DOSATTRIB of the share's file, and smbclient's setmode.

T1=981173106  # 2001-02-03T04:05:06Z: even seconds, so that FAT keeps it exactly
T2=1015218368 # 2002-03-04T05:06:08Z

# ---- What each kind of volume keeps, as "rhsa" letters, and setting it its own way.

record_fat() { fatattr "$1" | cut -c1-8 | tr -d ' vd67'; }
give_fat() { fatattr "+$2" "$1" > /dev/null; }

ntfs_attrib() {
  local hex
  hex="$(getfattr --absolute-names -n system.ntfs_attrib -e hex "$1" |
    sed -n 's/^system.ntfs_attrib=0x//p')"
  le_number "$hex" 0 4
}
record_ntfs3() { letters_of "$(ntfs_attrib "$1")"; }
give_ntfs3() {
  local bits
  bits="$(ntfs_attrib "$1")"
  case "$2" in
    r) bits=$((bits | 0x01)) ;;
    h) bits=$((bits | 0x02)) ;;
    s) bits=$((bits | 0x04)) ;;
  esac
  setfattr -n system.ntfs_attrib -v "$(printf '0x%02x%02x%02x%02x' $((bits & 255)) \
    $((bits >> 8 & 255)) $((bits >> 16 & 255)) $((bits >> 24 & 255)))" "$1"
}

# The share's own file behind a path of a cifs mount.
served_file() {
  case "$1" in
    /mnt/smb-nodos/*) echo "$smb_data/nodos/${1#/mnt/smb-nodos/}" ;;
    /mnt/smb/*) echo "$smb_data/dos/${1#/mnt/smb/}" ;;
  esac
}
record_smb() {
  local kept
  kept="$(server_dosattrib "$(served_file "$1")")"
  [ "$kept" = none ] || letters_of "${kept% *}"
}
give_smb() {
  smbclient //127.0.0.1/dos -p "$smb_port" -U root%pass -m SMB3 \
    -c "setmode ${1#/mnt/smb/} +$2" > /dev/null
}

# A new file with some data in the folder given.
new_file() {
  echo data > "$1/$2"
  echo "$1/$2"
}

# ---- The checks, on the volume NAME of kind KIND (fat, ntfs3 or smb).

# Attributes: shown as the driver keeps them, changed, kept over a remount.
attribute_checks() {
  local name="$1" kind="$2" folder="/mnt/$1/attributes"
  mkdir -p "$folder"
  local given changed
  given="$(new_file "$folder" given)"
  changed="$(new_file "$folder" changed)"
  "give_$kind" "$given" h
  volume_remount "$name"  # the SMB client keeps what it read for a while
  expect_eq "shows the hidden attribute the driver keeps" "$(shown "$given")" -H-A--

  tempinex set --attrib +h+s-a --modified "@$T1" "$changed"
  expect_eq "sets hidden and system and clears archive" \
    "$status $("record_$kind" "$changed")" "0 hs"
  tempinex set --attrib +r "$changed"
  expect_eq "sets read-only" "$status $("record_$kind" "$changed")" "0 rhs"
  expect_eq "a read-only file has no write bits" "$(write_bits "$changed")" 000
  volume_remount "$name"
  expect_eq "the volume keeps attributes and time over a remount" \
    "$("record_$kind" "$changed") $(shown "$changed") $(mtime "$changed")" "rhs RHS--- $T1"
  tempinex set --attrib -r "$changed"
  volume_remount "$name"
  expect_eq "clearing read-only gives the owner's write bit back, kept over a remount" \
    "$status $("record_$kind" "$changed") $(write_bits "$changed")" "0 hs 200"
}

# Times: a batch refuses the read-only file, names it, leaves it and writes the others.
refusal_checks() {
  local name="$1" folder="/mnt/$1/refusal"
  mkdir -p "$folder"
  local locked plain before
  locked="$(new_file "$folder" locked)"
  plain="$(new_file "$folder" plain)"
  chmod a-w "$locked"
  before="$(mtime "$locked")"
  tempinex set --modified "@$T2" "$locked" "$plain"
  expect_eq "a batch with a read-only file exits 1" "$status" 1
  expect_in "the read-only file is named" "$err" "'$locked'"
  expect_eq "the refused file keeps its time, the other takes it" \
    "$(mtime "$locked") $(mtime "$plain")" "$before $T2"
}

# A creation time on a volume whose creation time is the birth time, which Linux cannot set:
# shown as the birth time, refused with that reason, and nothing of the change written.
birth_time_checks() {
  local name="$1" folder="/mnt/$1/birth"
  mkdir -p "$folder"
  local file before born
  file="$(new_file "$folder" file)"
  before="$(mtime "$file")"
  born="$(birth "$file")"
  expect_eq "the creation time shown is the birth time" "$(shown_created "$file")" "$born"
  tempinex set --created "@$T1" --modified "@$T2" "$file"
  expect_eq "a new creation time is refused" "$status" 1
  expect_in "the refusal says that the creation time cannot be set" "$err" \
    "the creation time of this file system cannot be set from Linux"
  LC_ALL=ja_JP.UTF-8 tempinex set --created "@$T1" "$file"
  expect_in "the Japanese refusal says so too" "$err" "作成日時は Linux から設定できません"
  expect_eq "nothing of the refused change is written" "$(mtime "$file") $(birth "$file")" \
    "$before $born"
}
