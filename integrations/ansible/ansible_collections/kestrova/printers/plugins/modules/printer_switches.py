#!/usr/bin/python
# -*- coding: utf-8 -*-
# GNU General Public License v3.0+ (see https://www.gnu.org/licenses/gpl-3.0.txt)

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
module: printer_switches
short_description: Bring the software switches of a Kestrova receipt printer to a profile
description:
  - Runs C(kestrova-swctl apply --json) on the managed host. The printer is read; the values it
    should hold are the I(profile) changed by I(switches), I(code_page), I(charset) and
    I(font8x16). Only when they differ from what was read is the write sent, so the task reports
    C(changed) only when something was written into the printer's memory.
  - The printer takes written values at its next start.
version_added: 1.0.0
author: Kestrova switch utility developers
extends_documentation_fragment:
  - kestrova.printers.link
options:
  profile:
    description:
      - A profile on the managed host, the JSON C(kestrova-swctl read --json) printed (or the
        C(printer) that M(kestrova.printers.printer_info) returned). A printer of another model
        than the profile's is refused and nothing is written to it.
    type: path
  switches:
    description:
      - Single switches, C(SWn-b) (n 1 to 5, b 1 to 8) to C(ON) or C(OFF), applied after the profile.
      - ON is a clear bit. Unquoted YAML C(ON) and C(OFF) arrive as booleans and are taken as the
        same positions.
    type: dict
  code_page:
    description: The code page number, picked as the window's list does (the character set follows it).
    type: int
  charset:
    description: The international character set number (0 to 13, 15 to 18), after I(code_page).
    type: int
  font8x16:
    description: The new 8x16 font, C(ON) or C(OFF).
    type: raw
  backup_dir:
    description:
      - Where the backup of what the printer held is saved before a write (C(kestrova-swctl
        --backup-dir)), for example a share. By default the state folder of the user on the
        managed host, C(~/.local/state/kestrova-swutil/backups/). A write whose backup cannot be
        saved sends nothing and fails.
    type: path
attributes:
  check_mode:
    support: full
    description: Runs C(apply --check); only the read is sent and C(changed) tells whether a write would change the printer.
  diff_mode:
    support: full
    description: The before and after of every differing switch or setting, with its meaning.
notes:
  - At least one of I(profile), I(switches), I(code_page), I(charset), I(font8x16) is needed.
'''

EXAMPLES = r'''
- name: Bring the till printer to the golden profile
  kestrova.printers.printer_switches:
    tcp: 10.1.0.21
    profile: /etc/kestrova/golden.json

- name: Disable the auto cutter of a serial printer, whatever else it holds
  kestrova.printers.printer_switches:
    serial: /dev/ttyUSB0
    baud: 38400
    switches:
      SW3-8: "ON"

- name: Every printer of the store, as its host variables list them
  kestrova.printers.printer_switches:
    tcp: "{{ item.tcp }}"
    profile: /etc/kestrova/golden.json
    code_page: "{{ item.code_page | default(omit) }}"
  loop: "{{ printers }}"
'''

RETURN = r'''
link:
  description: The printer as kestrova-swctl names it, C(HOST:PORT) or the device path.
  returned: always
  type: str
  sample: 10.1.0.21:9100
backup_path:
  description:
    - The backup of what the printer held before the write (a profile, as C(read --json) prints
      it, with the serial number, firmware and link); C(kestrova-swctl restore --backup) brings
      the printer back to it.
  returned: when something was written
  type: str
  sample: /home/ops/.local/state/kestrova-swutil/backups/KS00000001/2026-12-06T20-31-02Z.json
differences:
  description: Each switch or setting the write changed (in check mode, would change).
  returned: always
  type: list
  elements: dict
  contains:
    setting:
      description: C(SW3-8), C(Code Page), C(International Character Set), C(New 8x16 Font), ...
      type: str
    before:
      description: The value read, with its meaning.
      type: str
      sample: OFF (Auto cutter - Enable)
    after:
      description: The value written, with its meaning.
      type: str
      sample: ON (Auto cutter - Disable)
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.kestrova.printers.plugins.module_utils.swctl import LINK_OPTIONS, LINK_RULES, run_swctl


def position(value, option):
    """ON or OFF from a string of any case or from the boolean that unquoted YAML makes of it."""
    if isinstance(value, bool):
        return 'ON' if value else 'OFF'
    text = str(value).upper()
    if text not in ('ON', 'OFF'):
        raise ValueError('%s: expected ON or OFF, got %r' % (option, value))
    return text


def apply_arguments(params, check):
    args = ['apply']
    if params['profile']:
        args += ['--from', params['profile']]
    for name, value in sorted((params['switches'] or {}).items()):
        args += ['--set', '%s=%s' % (name, position(value, name))]
    if params['code_page'] is not None:
        args += ['--code-page', str(params['code_page'])]
    if params['charset'] is not None:
        args += ['--charset', str(params['charset'])]
    if params['font8x16'] is not None:
        args += ['--font8x16', position(params['font8x16'], 'font8x16')]
    if params['backup_dir']:
        args += ['--backup-dir', params['backup_dir']]
    if check:
        args.append('--check')
    return args


def diff_text(differences, side):
    return ''.join('%s: %s\n' % (d['setting'], d[side]) for d in differences)


def main():
    options = dict(LINK_OPTIONS)
    options.update(profile=dict(type='path'), switches=dict(type='dict'), code_page=dict(type='int'),
                charset=dict(type='int'), font8x16=dict(type='raw'), backup_dir=dict(type='path'))
    module = AnsibleModule(argument_spec=options, supports_check_mode=True,
                           required_one_of=[['profile', 'switches', 'code_page', 'charset', 'font8x16']] + LINK_RULES['required_one_of'],
                           mutually_exclusive=LINK_RULES['mutually_exclusive'], required_by=LINK_RULES['required_by'])
    try:
        args = apply_arguments(module.params, module.check_mode)
    except ValueError as e:
        module.fail_json(msg=str(e))
    result = run_swctl(module, args)
    differences = result.get('differences', [])
    output = dict(changed=bool(result.get('changed')), link=result.get('link'), differences=differences)
    if result.get('backup'):
        output['backup_path'] = result['backup']
    if module._diff and differences:
        output['diff'] = dict(before_header=result.get('link'), after_header=result.get('link'),
                              before=diff_text(differences, 'before'), after=diff_text(differences, 'after'))
    module.exit_json(**output)


if __name__ == '__main__':
    main()
