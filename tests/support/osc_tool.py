#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 the Varnolo developers
"""What the OSC test sends that oscsend cannot: bundles with time tags, and floods.

  osc_tool.py bundles PORT SECONDS PATH [SECONDS PATH]...
      one bundle per pair, each time-tagged SECONDS after one common "now", holding PATH
      without arguments; all sent at once.
  osc_tool.py flood PORT COUNT RATE
      COUNT messages at about RATE a second: every fifth a valid command that changes nothing
      (/varnolo/loop_volume_8 at its default), the others malformed in turn (an unknown address,
      a wrong type, a value out of range, bytes that are no OSC at all). Prints the numbers sent:
      "valid N malformed M".
"""
import socket
import struct
import sys
import time

NTP_EPOCH = 2208988800  # seconds from 1900 to 1970


def padded(b: bytes) -> bytes:
    return b + b"\0" * (4 - len(b) % 4)


def message(path: str, types: str = "", args: bytes = b"") -> bytes:
    return padded(path.encode()) + padded(("," + types).encode()) + args


def timetag(at: float) -> bytes:
    seconds = int(at) + NTP_EPOCH
    fraction = int((at - int(at)) * (1 << 32)) & 0xFFFFFFFF
    return struct.pack(">II", seconds, fraction)


def bundle(at: float, element: bytes) -> bytes:
    return b"#bundle\0" + timetag(at) + struct.pack(">i", len(element)) + element


def main() -> int:
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    port = int(sys.argv[2])
    target = ("127.0.0.1", port)

    if sys.argv[1] == "bundles":
        now = time.time()
        pairs = sys.argv[3:]
        for i in range(0, len(pairs), 2):
            sock.sendto(bundle(now + float(pairs[i]), message(pairs[i + 1])), target)
        return 0

    if sys.argv[1] == "flood":
        count, rate = int(sys.argv[3]), float(sys.argv[4])
        default_volume = 1.0  # the loop volume at its default, 127
        kinds = [
            message("/varnolo/loop_volume_8", "f", struct.pack(">f", default_volume)),
            message("/varnolo/no_such_control"),
            message("/varnolo/loop_volume_8", "s", padded(b"loud")),
            message("/varnolo/loop_volume_8", "f", struct.pack(">f", 7.5)),
            b"\xff\x00garbage!",
        ]
        valid = malformed = 0
        start = time.monotonic()
        for n in range(count):
            sock.sendto(kinds[n % 5], target)
            if n % 5 == 0:
                valid += 1
            else:
                malformed += 1
            # Paced in steps of twenty, so the receiver's socket never overflows: UDP drops what
            # a full socket cannot take, and the counts are of what arrived.
            if n % 20 == 19:
                ahead = start + (n + 1) / rate - time.monotonic()
                if ahead > 0:
                    time.sleep(ahead)
        print(f"valid {valid} malformed {malformed}")
        return 0

    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main())
