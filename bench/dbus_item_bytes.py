#!/usr/bin/env python3
"""Bytes of the D-Bus messages in a dbus-monitor --pcap capture that one
connection sent or that were addressed to it (by unique or well-known name).
   dbus_item_bytes.py CAPTURE NAME...  ->  "<bytes> <messages>" """
import struct
import sys


def header_fields(message):
    endian = '<' if message[0:1] == b'l' else '>'
    fields_len = struct.unpack(endian + 'I', message[12:16])[0]
    pos, end, fields = 16, 16 + fields_len, {}
    while pos < end:
        pos = (pos + 7) & ~7
        if pos >= end:
            break
        code = message[pos]
        sig_len = message[pos + 1]
        sig = message[pos + 2:pos + 2 + sig_len].decode()
        pos += 3 + sig_len
        if sig in ('s', 'o'):
            pos = (pos + 3) & ~3
            n = struct.unpack(endian + 'I', message[pos:pos + 4])[0]
            fields[code] = message[pos + 4:pos + 4 + n].decode(errors='replace')
            pos += 5 + n
        elif sig == 'g':
            n = message[pos]
            pos += 2 + n
        elif sig == 'u':
            pos = (pos + 3) & ~3
            pos += 4
        else:
            break
    return fields


def main():
    names = set(sys.argv[2:])
    with open(sys.argv[1], 'rb') as capture:
        data = capture.read()
    magic = struct.unpack('<I', data[:4])[0]
    endian = '<' if magic in (0xa1b2c3d4, 0xa1b23c4d) else '>'
    pos, total, count = 24, 0, 0
    while pos + 16 <= len(data):
        incl = struct.unpack(endian + 'IIII', data[pos:pos + 16])[2]
        message = data[pos + 16:pos + 16 + incl]
        pos += 16 + incl
        if len(message) < 16:
            continue
        fields = header_fields(message)
        # 6: destination, 7: sender
        if fields.get(7) in names or fields.get(6) in names:
            total += len(message)
            count += 1
    print(total, count)


main()
