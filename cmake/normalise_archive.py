#!/usr/bin/env python3
"""Rewrites in place what an archive records besides its contents, so that the same files always
give the same bytes:

  normalise_archive.py zip FILE EPOCH   every entry's time becomes EPOCH (seconds since 1970, UTC)
  normalise_archive.py deb FILE         every member's mode becomes 0644, whatever the umask was
                                        when the members were written"""

import sys
import time
import zipfile


def normalise_zip(path, epoch):
    # Zip times have two-second steps and start in 1980.
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    with zipfile.ZipFile(path) as source:
        entries = [(info, source.read(info)) for info in source.infolist()]
    with zipfile.ZipFile(path, "w") as target:
        for info, data in entries:
            fixed = zipfile.ZipInfo(info.filename, stamp)
            fixed.compress_type = info.compress_type
            fixed.external_attr = info.external_attr
            fixed.create_system = 3
            target.writestr(fixed, data)


def normalise_deb(path):
    # An ar archive: a signature, then per member a 60-byte header (name, time, owner, group,
    # mode, size) and the data, padded to an even length.
    with open(path, "rb") as f:
        data = bytearray(f.read())
    if data[:8] != b"!<arch>\n":
        sys.exit(f"{path}: not an ar archive")
    at = 8
    while at < len(data):
        size = int(data[at + 48 : at + 58].decode("ascii").strip())
        data[at + 40 : at + 48] = b"100644  "
        at += 60 + size + (size & 1)
    with open(path, "wb") as f:
        f.write(data)


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "zip":
        normalise_zip(sys.argv[2], int(sys.argv[3]))
    elif len(sys.argv) == 3 and sys.argv[1] == "deb":
        normalise_deb(sys.argv[2])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
