"""Reads and makes user.DOSATTRIB values with Samba's own marshalling code.

  samba_dosattrib.py check
      exits 0 when Samba's Python bindings can be loaded
  samba_dosattrib.py parse HEX
      prints "version attrib valid_flags create_time" of a value, numbers in decimal
      (valid_flags is -1 for version 1, which has none)
  samba_dosattrib.py pack VERSION ATTRIB CREATE_TIME VALID_FLAGS
      prints in hex the value Samba writes for that version (1, 3, 4 or 5)
  samba_dosattrib.py text ATTRIB [nul]
      prints in hex the old text form, with its terminating NUL when asked
"""

import sys


def load():
    from samba.dcerpc import xattr
    from samba.ndr import ndr_pack, ndr_unpack
    return xattr, ndr_pack, ndr_unpack


def parse(hex_value):
    xattr, _, ndr_unpack = load()
    value = ndr_unpack(xattr.DOSATTRIB, bytes.fromhex(hex_value))
    info = value.info
    flags = -1 if value.version == 1 else info.valid_flags
    print(value.version, info.attrib, flags, info.create_time)


def pack(version, attrib, create_time, valid_flags):
    xattr, ndr_pack, _ = load()
    classes = {1: xattr.DosInfo1, 3: xattr.DosInfo3, 4: xattr.DosInfo4, 5: xattr.DosInfo5}
    info = classes[version]()
    info.attrib = attrib
    info.create_time = create_time
    if version != 1:
        info.valid_flags = valid_flags
    value = xattr.DOSATTRIB()
    value.version = version
    # The text copy of the attribute (versions 1 to 3 only) is filled in by ndr_pack.
    value.info = info
    print(ndr_pack(value).hex())


def text(attrib, with_nul):
    value = ("0x%x" % attrib).encode("ascii")
    print((value + b"\0" if with_nul else value).hex())


def main(args):
    command = args[0]
    if command == "check":
        load()
    elif command == "parse":
        parse(args[1])
    elif command == "pack":
        pack(int(args[1]), int(args[2], 0), int(args[3], 0), int(args[4], 0))
    elif command == "text":
        text(int(args[1], 0), len(args) > 2 and args[2] == "nul")
    else:
        sys.exit("unknown command " + command)


if __name__ == "__main__":
    main(sys.argv[1:])
