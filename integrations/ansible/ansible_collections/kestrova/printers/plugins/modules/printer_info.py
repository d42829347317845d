#!/usr/bin/python
# -*- coding: utf-8 -*-
# GNU General Public License v3.0+ (see https://www.gnu.org/licenses/gpl-3.0.txt)

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
module: printer_info
short_description: Read the software switches and information of a Kestrova receipt printer
description:
  - Reads one printer with C(kestrova-swctl read --json) on the managed host and returns what it
    printed. Only the read's queries are sent; nothing on the printer is changed.
  - The result can be saved as a profile for M(kestrova.printers.printer_switches).
version_added: 1.0.0
author: Kestrova switch utility developers
extends_documentation_fragment:
  - kestrova.printers.link
attributes:
  check_mode:
    support: full
    description: The read runs in check mode as well; it changes nothing.
'''

EXAMPLES = r'''
- name: Read the till printer of a store
  kestrova.printers.printer_info:
    tcp: 10.1.0.21
  register: till

- name: Show its model and auto cutter switch
  ansible.builtin.debug:
    msg: "{{ till.printer.model.code }}: {{ till.printer.switches[23].definition }}"

- name: Keep the read of the golden printer as the profile for the fleet
  ansible.builtin.copy:
    content: "{{ till.printer | to_nice_json }}"
    dest: /etc/kestrova/golden.json
    mode: "0644"

- name: Read a serial printer at 38400 bit/s
  kestrova.printers.printer_info:
    serial: /dev/ttyUSB0
    baud: 38400
'''

RETURN = r'''
printer:
  description: The object C(kestrova-swctl read --json) printed for the printer.
  returned: success
  type: dict
  contains:
    model:
      description: The model number and code, for example C(no) 9 and C(code) RT5600.
      type: dict
    printer:
      description: The printer's fields (model name, firmware revision, counters, code page, ...).
      type: dict
    bytes:
      description: The five switch bytes SW1 to SW5; null where a reply was not valid.
      type: list
      elements: int
    switches:
      description: The 40 switches, each with C(name), C(position) and C(definition).
      type: list
      elements: dict
    unclean:
      description: The values the read did not take cleanly.
      type: list
      elements: str
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.kestrova.printers.plugins.module_utils.swctl import LINK_OPTIONS, LINK_RULES, run_swctl


def main():
    module = AnsibleModule(argument_spec=dict(LINK_OPTIONS), supports_check_mode=True, **LINK_RULES)
    printer = run_swctl(module, ['read'])
    module.exit_json(changed=False, printer=printer)


if __name__ == '__main__':
    main()
