# -*- coding: utf-8 -*-
# The options every module of the collection takes to reach one printer, as kestrova-swctl does.
# GNU General Public License v3.0+ (see https://www.gnu.org/licenses/gpl-3.0.txt)

from __future__ import absolute_import, division, print_function
__metaclass__ = type


class ModuleDocFragment(object):
    DOCUMENTATION = r'''
options:
  swctl:
    description: The kestrova-swctl program on the managed host; a name is looked up on PATH.
    type: path
    default: kestrova-swctl
  tcp:
    description: The printer's TCP/IP link, C(HOST) or C(HOST:PORT) (port 9100 when left out).
    type: str
  serial:
    description: A serial port taken as COM1 to COM4 (the serial component with I(baud), I(parity), I(handshake)).
    type: path
  baud:
    description: The line speed of I(serial).
    type: int
    choices: [9600, 19200, 38400, 115200]
  parity:
    description: The parity of I(serial).
    type: str
    choices: [none, even]
  handshake:
    description: The handshaking of I(serial).
    type: str
    choices: [dtr-dsr, xon-xoff]
  device:
    description: A serial port taken as COM5 to COM20 (a device handle keeping the line settings the system holds).
    type: path
  usb:
    description: Find the printer over USB.
    type: bool
    default: false
  model:
    description: With I(usb), the model chosen in the model list (a code such as C(RT5600), or a number).
    type: str
  fast:
    description: Take each reply of the read as soon as it has arrived instead of after the full pause.
    type: bool
    default: false
notes:
  - Exactly one of I(tcp), I(serial), I(device), I(usb) names the printer.
  - The program runs on the managed host, which must reach the printer.
'''
