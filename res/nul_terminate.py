#!/usr/bin/env python3
"""Copies a document and appends one NUL byte: the licence page hands the resource's bytes to the rich edit
control as a single NUL-terminated string. A document that already holds a NUL would be cut short there, so
it is refused."""
import sys


def main(source, target):
    with open(source, 'rb') as f:
        data = f.read()
    if b'\0' in data:
        sys.exit('%s: holds a NUL byte; the control would stop reading there' % source)
    with open(target, 'wb') as f:
        f.write(data + b'\0')


if __name__ == '__main__':
    main(*sys.argv[1:])
