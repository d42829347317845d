#!/usr/bin/env python3
"""Peak memory of kestrova-swctl over a long --tcp-list of printers that refuse the connection.

Writes a list of N lines (default 100000) of 127.0.0.1:PORT, PORT taken from a set of ports
nobody listens on, runs each command under /usr/bin/time -v and prints the maximum resident set
size, the wall time and the number of result lines. Nothing leaves the machine: every connect
goes to 127.0.0.1 and is refused at once.

    bench/fleet_memory.py --swctl build/bin/kestrova-swctl --count 100000

Standard library only. Not run by the tests: a figure, not a pass or fail.
"""

import argparse
import os
import re
import socket
import subprocess
import sys
import tempfile
import time


def closed_ports(count):
    """Ports of 127.0.0.1 that were free when asked (bound once, then released)."""
    ports = set()
    while len(ports) < count:
        with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
            s.bind(("127.0.0.1", 0))
            ports.add(s.getsockname()[1])
    return sorted(ports)


def write_list(path, count, ports):
    with open(path, "w") as f:
        f.write("# printers that refuse the connection\n")
        for i in range(count):
            f.write("127.0.0.1:%d\n" % ports[i % len(ports)])


def measure(swctl, args):
    """(peak RSS in MiB, wall seconds, exit status, lines on stdout)"""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        started = time.monotonic()
        proc = subprocess.run(["/usr/bin/time", "-v", swctl] + args, stdout=out, stderr=err)
        wall = time.monotonic() - started
        out.seek(0)
        err.seek(0)
        out_lines = sum(1 for _ in out)
        # /usr/bin/time writes its figures after the program's own standard error.
        err.seek(max(0, os.fstat(err.fileno()).st_size - 4096))
        err_text = err.read().decode("utf-8", "replace")
    match = re.search(r"Maximum resident set size \(kbytes\): (\d+)", err_text)
    if not match:
        raise SystemExit("no figure from /usr/bin/time:\n" + err_text[-2000:])
    return int(match.group(1)) / 1024.0, wall, proc.returncode, out_lines


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--swctl", default="build/bin/kestrova-swctl")
    parser.add_argument("--count", type=int, default=100000)
    parser.add_argument("--ports", type=int, default=50, help="distinct closed ports in the list")
    parser.add_argument("--commands", default="read,read-json,check,write",
                        help="comma-separated: read, read-json, check, write")
    opts = parser.parse_args()
    if not os.access("/usr/bin/time", os.X_OK):
        raise SystemExit("/usr/bin/time is needed (Debian package: time)")

    with tempfile.TemporaryDirectory() as tmp:
        fleet = os.path.join(tmp, "fleet.txt")
        write_list(fleet, opts.count, closed_ports(opts.ports))
        golden = os.path.join(tmp, "golden.json")
        with open(golden, "w") as f:
            f.write('{"ok": true, "model": {"no": 9, "code": "RT5600"}, "bytes": [0, 0, 112, 0, 0]}\n')
        commands = {
            "read": ["read", "--fast", "--tcp-list", fleet],
            "read-json": ["read", "--fast", "--json", "--tcp-list", fleet],
            "check": ["check", "--fast", "--from", golden, "--tcp-list", fleet],
            "write": ["write", "--fast", "--set", "SW1-1=ON", "--tcp-list", fleet],
        }
        print("%-10s %8s %12s %8s %6s %10s" % ("command", "printers", "peak RSS MiB", "wall s", "exit", "out lines"))
        for name in opts.commands.split(","):
            rss, wall, status, out_lines = measure(opts.swctl, commands[name])
            print("%-10s %8d %12.1f %8.1f %6d %10d" % (name, opts.count, rss, wall, status, out_lines))
            sys.stdout.flush()


if __name__ == "__main__":
    main()
