#!/usr/bin/python3
"""Devices of our own on pseudo-terminals for the end-to-end runs.

  serial_devices.py mount <folder>   an LX200 mount: ACK gets "P", a set
      command "1" ("0" when its field is malformed), "#:MS#" gets "0" and moves
      the mount to the target, less <offset> degrees of declination (a mount
      that points off, so the view can be told to follow the mount and not the
      target); the get commands its place. Everything received is appended
      to <folder>/received.
  serial_devices.py gps <folder>     a GPS receiver sending a fix over Munich
      (GGA, RMC, GSA, GSV with valid checksums) twice a second.

The terminal's path is written to <folder>/path. The device stops on SIGTERM,
when its parent goes away, or after ten minutes at most.
"""
import os
import re
import select
import signal
import sys
import time
import tty

LIFETIME = 600.0


def checksum(body):
    value = 0
    for c in body.encode('ascii'):
        value ^= c
    return '$%s*%02X\r\n' % (body, value)


def open_terminal(folder):
    master, slave = os.openpty()
    tty.setraw(slave)
    os.set_blocking(master, False)
    path = os.ttyname(slave)
    with open(os.path.join(folder, 'path.tmp'), 'w') as f:
        f.write(path)
    os.rename(os.path.join(folder, 'path.tmp'), os.path.join(folder, 'path'))
    # The slave stays open here too, so the master never sees the line hang up
    # between the program's openings.
    return master, slave


def write_all(fd, data):
    try:
        os.write(fd, data)
    except (BlockingIOError, OSError):
        pass  # nobody reads: the device talks on regardless, as a real one does


FIELDS = {
    't': rb':St [+-][0-9]{2}\xdf[0-5][0-9]#',
    'g': rb':Sg [0-3][0-9]{2}\xdf[0-5][0-9]#',
    'G': rb':SG [+-][0-9]{2}#',
    'L': rb':SL [0-2][0-9]:[0-5][0-9]:[0-5][0-9]#',
    'C': rb':SC [01][0-9]/[0-3][0-9]/[0-9]{2}#',
    'r': rb':Sr [0-2][0-9]:[0-5][0-9]\.[0-9]#',
    'd': rb':Sd [+-][0-9]{2}\xdf[0-5][0-9]#',
}


class Mount:
    def __init__(self, offset):
        self.offset = offset  # degrees of declination the mount points off
        self.ra = b'12:34.5'
        self.dec = b'+45\xdf30'
        self.target_ra = None
        self.target_dec = None

    def moved_declination(self, text):
        sign = -1 if text[:1] == b'-' else 1
        minutes = sign * (int(text[1:3]) * 60 + int(text[4:6])) - round(self.offset * 60)
        sign_char = b'-' if minutes < 0 else b'+'
        minutes = abs(minutes)
        return sign_char + b'%02d\xdf%02d' % (minutes // 60, minutes % 60)

    def answer(self, command):
        if command == b'\x06':
            return b'P'
        if command.startswith(b':S'):
            kind = chr(command[2]) if len(command) > 2 else ''
            pattern = FIELDS.get(kind)
            if pattern is None:
                return b'0'
            good = re.fullmatch(pattern, command) is not None
            if good and kind == 'r':
                self.target_ra = command[4:11]
            if good and kind == 'd':
                self.target_dec = command[4:10]
            return b'1' if good else b'0'
        if command == b':MS#':
            if self.target_ra and self.target_dec:
                self.ra = self.target_ra
                self.dec = self.moved_declination(self.target_dec)
            return b'0'
        if command == b':GR#':
            return self.ra + b'#'
        if command == b':GD#':
            return self.dec + b'#'
        if command == b':GA#':
            return b'+45\xdf30#'
        if command == b':GZ#':
            return b'123\xdf45#'
        return b''


def run_mount(folder, offset):
    master, _slave = open_terminal(folder)
    mount = Mount(offset)
    pending = b''
    received = open(os.path.join(folder, 'received'), 'ab', buffering=0)
    end = time.monotonic() + LIFETIME
    parent = os.getppid()
    while time.monotonic() < end and os.getppid() == parent:
        ready, _, _ = select.select([master], [], [], 0.2)
        if not ready:
            continue
        try:
            data = os.read(master, 4096)
        except (BlockingIOError, OSError):
            time.sleep(0.05)
            continue
        received.write(data)
        reply = b''
        for byte in data:
            c = bytes([byte])
            if not pending and c == b'\x06':
                reply += mount.answer(c)
            elif not pending and c == b':':
                pending = c
            elif pending:
                if c == b'#':
                    reply += mount.answer(pending + c)
                    pending = b''
                elif len(pending) < 64:
                    pending += c
        if reply:
            write_all(master, reply)


def munich_sentences(now):
    stamp = time.strftime('%H%M%S', time.gmtime(now))
    day = time.strftime('%d%m%y', time.gmtime(now))
    return ''.join(checksum(s) for s in (
        'GPGGA,%s,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,' % stamp,
        'GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1',
        'GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45',
        'GPRMC,%s,A,4807.038,N,01131.000,E,022.4,084.4,%s,003.1,W' % (stamp, day),
    )).encode('ascii')


def run_gps(folder):
    master, _slave = open_terminal(folder)
    end = time.monotonic() + LIFETIME
    parent = os.getppid()
    while time.monotonic() < end and os.getppid() == parent:
        write_all(master, munich_sentences(time.time()))
        # What the program sends is read and dropped, so the line never fills.
        ready, _, _ = select.select([master], [], [], 0.5)
        if ready:
            try:
                os.read(master, 4096)
            except (BlockingIOError, OSError):
                pass


def main():
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    if len(sys.argv) < 3 or sys.argv[1] not in ('mount', 'gps'):
        sys.exit('usage: serial_devices.py mount|gps <folder> [declination offset]')
    if sys.argv[1] == 'mount':
        run_mount(sys.argv[2], float(sys.argv[3]) if len(sys.argv) > 3 else 0.0)
    else:
        run_gps(sys.argv[2])


if __name__ == '__main__':
    main()
