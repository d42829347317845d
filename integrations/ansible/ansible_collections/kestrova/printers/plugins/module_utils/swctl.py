# -*- coding: utf-8 -*-
# Running kestrova-swctl for one printer: the link options, the command line, the JSON object it
# prints and the failure message it gives.
# GNU General Public License v3.0+ (see https://www.gnu.org/licenses/gpl-3.0.txt)

from __future__ import absolute_import, division, print_function
__metaclass__ = type

import json
import os

LINK_OPTIONS = dict(
    swctl=dict(type='path', default='kestrova-swctl'),
    tcp=dict(type='str'),
    serial=dict(type='path'),
    baud=dict(type='int', choices=[9600, 19200, 38400, 115200]),
    parity=dict(type='str', choices=['none', 'even']),
    handshake=dict(type='str', choices=['dtr-dsr', 'xon-xoff']),
    device=dict(type='path'),
    usb=dict(type='bool', default=False),
    model=dict(type='str'),
    fast=dict(type='bool', default=False),
)

LINK_KINDS = ['tcp', 'serial', 'device', 'usb']

LINK_RULES = dict(
    mutually_exclusive=[LINK_KINDS],
    required_one_of=[LINK_KINDS],
    required_by=dict(baud='serial', parity='serial', handshake='serial', model='usb'),
)


def link_arguments(params):
    """The link options of kestrova-swctl for the module's parameters."""
    args = []
    for name in ('tcp', 'serial', 'baud', 'parity', 'handshake', 'device', 'model'):
        if params.get(name) is not None:
            args += ['--' + name, str(params[name])]
    if params.get('usb'):
        args.append('--usb')
    if params.get('fast'):
        args.append('--fast')
    return args


def run_swctl(module, args):
    """Runs the program with --json; returns its one object, or fails the task with its message."""
    program = module.params['swctl']
    # A bare name is looked up on PATH; a path is taken as it is.
    if os.sep not in program:
        program = module.get_bin_path(program, required=True)
    command = [program] + args + ['--json'] + link_arguments(module.params)
    rc, out, err = module.run_command(command)
    lines = [line for line in out.splitlines() if line.strip()]
    result = None
    if lines:
        try:
            result = json.loads(lines[0])
        except ValueError:
            result = None
    if not isinstance(result, dict):
        # A usage error (status 2) prints no object, only its message.
        module.fail_json(msg=err.strip() or 'kestrova-swctl printed no result (status %d)' % rc,
                         rc=rc, stdout=out, stderr=err, cmd=command)
    if not result.get('ok'):
        message = result.get('error') or 'kestrova-swctl failed'
        if result.get('cause'):
            message += ': ' + result['cause']
        module.fail_json(msg=message, rc=rc, stderr=err, cmd=command, **_failure_details(result))
    return result


def _failure_details(result):
    details = {}
    if 'differences' in result:
        details['differences'] = result['differences']
    if result.get('backup'):
        details['backup_path'] = result['backup']
    return details
