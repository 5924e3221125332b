# The volumes the checks of scripts/vm/guest.sh run on, inside the virtual machine: images in
# the guest's memory on loop devices, and a local smbd whose shares the kernel's client mounts.
# Each is made on first use and mounted at /mnt/NAME:
#   vfat, vfat-si (vfat mounted sys_immutable), exfat, ntfs3 (a volume made by mkntfs, mounted
#   by the kernel's ntfs3), smb (Samba's defaults) and smb-nodos (store dos attributes = no);
# the shares live on an ext4 image, since tmpfs keeps user.* attributes only from Linux 6.6.
# Sourced by guest.sh; the functions return non-zero and say why on standard error when a
# volume cannot be made.

images=/tmp/images
smb_port=445
smb_state=/run/tempinex-smb
smb_data=/srv/smb
smbd_pid=""

declare -A mounted=()

# The mount command of NAME, run again by volume_remount.
volume_mount() {
  case "$1" in
    vfat) mount -t vfat -o loop "$images/vfat.img" /mnt/vfat ;;
    vfat-si) mount -t vfat -o loop,sys_immutable "$images/vfat-si.img" /mnt/vfat-si ;;
    exfat) mount -t exfat -o loop "$images/exfat.img" /mnt/exfat ;;
    ntfs3) mount -t ntfs3 -o loop "$images/ntfs.img" /mnt/ntfs3 ;;
    smb) mount -t cifs //127.0.0.1/dos /mnt/smb -o "username=root,password=pass,port=$smb_port" ;;
    smb-nodos)
      mount -t cifs //127.0.0.1/nodos /mnt/smb-nodos \
        -o "username=root,password=pass,port=$smb_port"
      ;;
  esac
}

volume_make() {
  mkdir -p "$images" "/mnt/$1"
  case "$1" in
    vfat | vfat-si)
      modprobe vfat || return 1
      mkfs.vfat -C "$images/$1.img" 32768 > /dev/null || return 1
      ;;
    exfat)
      modprobe exfat || return 1
      truncate -s 32M "$images/exfat.img"
      mkfs.exfat "$images/exfat.img" > /dev/null || return 1
      ;;
    ntfs3)
      modprobe ntfs3 2> /dev/null || {
        echo "no ntfs3 driver in $(uname -r)" >&2
        return 1
      }
      truncate -s 64M "$images/ntfs.img"
      mkntfs -F -Q -L TEST "$images/ntfs.img" > /dev/null 2>&1 || return 1
      ;;
    smb | smb-nodos) smb_serve || return 1 ;;
  esac
  volume_mount "$1"
}

# Mounts NAME unless it is.
volume_ready() {
  [ -n "${mounted[$1]:-}" ] && return 0
  volume_make "$1" || return 1
  mounted[$1]=1
}

# Unmounts and mounts NAME again: what it shows then is what the volume keeps.
volume_remount() {
  sync
  umount "/mnt/$1" && volume_mount "$1"
}

port_answers() {
  (exec 3<> "/dev/tcp/127.0.0.1/$1") 2> /dev/null
}

# smbd on the guest's own 127.0.0.1 with two shares on an ext4 image.
smb_serve() {
  [ -n "$smbd_pid" ] && return 0
  modprobe cifs || return 1
  busybox ip link set lo up  # busybox-static: iproute2 need not be installed
  mkdir -p "$smb_state" "$smb_data"
  truncate -s 64M "$images/smb.img"
  mkfs.ext4 -q "$images/smb.img" && mount -o loop "$images/smb.img" "$smb_data" || return 1
  mkdir -p "$smb_data/dos" "$smb_data/nodos"
  cat > "$smb_state/smb.conf" << CONF
[global]
interfaces = 127.0.0.1
bind interfaces only = yes
smb ports = $smb_port
disable netbios = yes
server role = standalone server
passdb backend = tdbsam:$smb_state/passdb.tdb
state directory = $smb_state
lock directory = $smb_state
cache directory = $smb_state
private dir = $smb_state
pid directory = $smb_state
ncalrpc dir = $smb_state/ncalrpc
binddns dir = $smb_state/binddns
log file = $smb_state/log
load printers = no
printing = bsd
printcap name = /dev/null
disable spoolss = yes
[dos]
path = $smb_data/dos
read only = no
[nodos]
path = $smb_data/nodos
read only = no
store dos attributes = no
CONF
  printf 'pass\npass\n' | smbpasswd -c "$smb_state/smb.conf" -s -a root > /dev/null || return 1
  setsid smbd --foreground --no-process-group -s "$smb_state/smb.conf" < /dev/null &
  smbd_pid=$!
  for _ in $(seq 100); do
    port_answers "$smb_port" && return 0
    sleep 0.2
  done
  echo "smbd did not answer on port $smb_port" >&2
  return 1
}

smb_stop() {
  if [ -n "$smbd_pid" ]; then
    kill "$smbd_pid" 2> /dev/null
    wait "$smbd_pid" 2> /dev/null
  fi
}

# The little-endian number of COUNT bytes at byte OFFSET of the hex text HEX, in decimal.
le_number() {
  local hex="$1" offset="$2" count="$3" text="" i
  for ((i = count - 1; i >= 0; i--)); do
    text+="${hex:$(((offset + i) * 2)):2}"
  done
  echo $((16#$text))
}

# The server's own record of FILE (a path on the share's ext4): "ATTRIBUTE CREATED" in decimal
# from the user.DOSATTRIB value smbd keeps (an attribute text and its NUL, padding to an even
# offset, the version twice as u16, padding to 4, then the version's body), CREATED 0 when the
# value has none; "none" when the file has no value.
server_dosattrib() {
  local value hex at version body created=0
  value="$(getfattr --absolute-names -n user.DOSATTRIB -e hex "$1" 2> /dev/null |
    sed -n 's/^user.DOSATTRIB=0x//p')"
  if [ -z "$value" ]; then
    echo none
    return
  fi
  hex="$value"
  at=0
  while [ "${hex:$((at * 2)):2}" != 00 ]; do
    at=$((at + 1))
  done
  at=$(((at + 2) / 2 * 2))
  version="$(le_number "$hex" "$at" 2)"
  body=$(((at + 4 + 3) / 4 * 4))
  case "$version" in
    3) created="$(le_number "$hex" $((body + 28)) 8)" ;;
    4) created="$(le_number "$hex" $((body + 16)) 8)" ;;
    5) created="$(le_number "$hex" $((body + 8)) 8)" ;;
  esac
  if ((($(le_number "$hex" "$body" 4) & 0x10) == 0)); then
    created=0
  fi
  echo "$(le_number "$hex" $((body + 4)) 4) $created"
}
