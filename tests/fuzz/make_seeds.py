#!/usr/bin/env python3
"""Writes the named seed inputs of corpus/<target>/. Run it again after changing a seed here; the
fuzzers' own finds are not kept in the repository (make fuzz works on a scratch copy)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("latin-1"))


def reply(text):
    return b"_" + (text if isinstance(text, bytes) else text.encode("latin-1")) + b"\0"


# --- switch_reply: raw switch replies -----------------------------------------------------------
for name, data in {
    "valid_0": reply("0"), "valid_1": reply("1"), "valid_255": reply("255"),
    "slot_255_zero_filled": b"_255\0\0\0", "out_of_range_256": reply("256"), "negative_1": reply("-1"),
    "minus_0": reply("-0"), "plus_7": reply("+7"), "blank_then_12": reply(" \t12"),
    "digits_then_letters_12ab": reply("12ab"), "no_digits": reply("x"), "header_only": b"_",
    "empty": b"", "no_header": b"0255\0", "other_header": b"A12\0", "overflow": reply("99999999999999999999"),
    "int_min": reply("-2147483648"), "int_max_plus_1": reply("2147483648"), "nul_inside": b"_1\0002",
}.items():
    write("switch_reply", name, data)

# --- reported_name: model-name value texts ------------------------------------------------------
names = ["RT-5600", "KD-240", "KD6", "RT-4300X", "RT-4300", "RT-5602", "KD250", "RT-6100", "RT-3200",
         "RT-5500E", "RT-5502", "RT-5500", "RT-5503", "RT-6400K", "MV75_USB", "MV71_USB", "RT-3206", "RT-3207"]
for n in names:
    write("reported_name", n, n)
for name, data in {
    "RT-3206X": "RT-3206X", "RT-3207_space": "RT-3207 ", "KD6_anything": "KD6 whatever", "RT-560_short": "RT-560",
    "RT-5600_firmware_suffix": "RT-5600 V1.05", "empty": "", "lower_case_rt-5600": "rt-5600",
    "RT-3206_nul_X": b"RT-3206\0X",
}.items():
    write("reported_name", name, data)

# --- model_choice: modelno.dat contents -------------------------------------------------------
for name, data in {
    "0006": "0006", "space_7_x": " 7x", "7_newline": "7\n", "empty": "", "minus_1": "-1", "99": "99",
    "16": "16", "14": "14", "15": "15", "6": "6", "10": "10", "1234": "1234", "plus_5": "+5", "tab_minus_0": "\t-0",
    "letters": "abc", "nul_first": b"\x007",
}.items():
    write("model_choice", name, data)

# --- language: operation byte, then its argument (int32 little-endian or length-prefixed text) ---
def op_int(op, value):
    return bytes([op]) + struct.pack("<i", value)


def op_text(op, text):
    text = text if isinstance(text, bytes) else text.encode("latin-1")
    return bytes([op, len(text)]) + text


CODE_PAGE, CHARSET, FONT, PICK_CODE_PAGE, PICK_CHARSET, TYPE_CHARSET, PICK_FONT, MAPPINGS = range(8)
for name, data in {
    "code_page_19": op_int(CODE_PAGE, 19),
    "code_page_20_unknown": op_int(CODE_PAGE, 20),
    "code_page_1_then_charset_3": op_int(CODE_PAGE, 1) + op_int(CHARSET, 3),
    "charset_16": op_int(CHARSET, 16), "charset_14": op_int(CHARSET, 14), "charset_15": op_int(CHARSET, 15),
    "charset_19": op_int(CHARSET, 19), "charset_minus_1": op_int(CHARSET, -1),
    "font_ON": op_text(FONT, "ON"), "font_empty": op_text(FONT, ""), "font_OFF": op_text(FONT, "OFF"),
    "font_ON_then_junk": op_text(FONT, "ON") + op_text(FONT, "ONX") + op_text(FONT, "xx"),
    "pick_japanese": op_int(PICK_CODE_PAGE, 1), "pick_code_page_99": op_int(PICK_CODE_PAGE, 99),
    "typed_charset_then_read": op_text(TYPE_CHARSET, "7 - Spain I") + op_int(CODE_PAGE, 19),
    "pick_font_2": op_int(PICK_FONT, 2), "mappings_int_min": op_int(MAPPINGS, -2**31),
    "mappings_int_max": op_int(MAPPINGS, 2**31 - 1),
}.items():
    write("language", name, data)

# --- read_series: mode byte, start model pick, then per command a control byte and its reply ----
SERIAL, TCP, DEVICE, DEVICE_VIA_READPRINTER = 0, 1, 2, 3
FAST = 4
TIMEOUT, SILENT, DROP, FAIL = b"\xfc", b"\xfd", b"\xfe", b"\xff"


def ans(data):
    return bytes([len(data)]) + data


def full_read(name="RT-6100", switches=("0",) * 5, rest=None):
    rest = rest if rest is not None else [reply(t) for t in
                                          ["V1.05", "1234", "5678", "2025-01-15", "0", "98765", "KS0001",
                                           "ENG", "ANK", "19", "16", "ON"]]
    return ans(reply(name)) + b"".join(ans(reply(s)) for s in switches) + b"".join(ans(r) for r in rest)


for name, data in {
    "serial_full_read_RT-6100": bytes([SERIAL, 0]) + full_read(),
    "serial_fast_full_read_RT-5600_255": bytes([SERIAL | FAST, 0]) + full_read("RT-5600", ("255",) * 5),
    "serial_three_unknown_names": bytes([SERIAL, 0]) + ans(reply("XYZ")) * 3,
    "serial_no_reply_to_SW1": bytes([SERIAL, 0]) + ans(reply("RT-5600")) + SILENT,
    "serial_send_fails": bytes([SERIAL, 0]) + ans(reply("RT-5600")) + FAIL,
    "serial_late_reply": bytes([SERIAL, 0]) + ans(reply("RT-5600")) + SILENT + ans(reply("1") + reply("2")),
    "tcp_full_read_RT-5500E": bytes([TCP, 0]) + full_read("RT-5500E"),
    "tcp_switch_third_attempt": bytes([TCP, 0]) + ans(reply("RT-3206")) + SILENT + ans(b"x") + ans(reply("7")),
    "tcp_long_reply": bytes([TCP, 0]) + ans(reply("RT-5600" + "x" * 150)),
    "tcp_drop": bytes([TCP, 0]) + ans(reply("RT-5600")) + DROP,
    "device_full_read_RT-4300_slow": bytes([DEVICE, 6]) + full_read("RT-4300"),
    "device_nothing_answers": bytes([DEVICE, 9]),
    "device_no_header": bytes([DEVICE, 0]) + ans(b"RT-5600\0") * 18,
    "device_via_readprinter_KD6": bytes([DEVICE_VIA_READPRINTER | FAST, 0]) + full_read("KD6-xx"),
    "device_link_lost_at_SW2": bytes([DEVICE, 0]) + ans(reply("RT-5600")) + ans(reply("1")) + FAIL,
    "device_write_times_out_at_SW2": bytes([DEVICE, 0]) + ans(reply("RT-5600")) + ans(reply("1")) + TIMEOUT
    + full_read()[len(ans(reply("RT-5600")) + ans(reply("0")) * 2):],
    "device_drop_after_model_name": bytes([DEVICE, 0]) + DROP,
    "device_font_off_code_page_20": bytes([DEVICE, 0]) + full_read(rest=[reply("")] * 9 + [reply("20"), reply("99"), reply("")]),
}.items():
    write("read_series", name, data)

# --- sim_commands: chunks as they arrive, each a length byte and its bytes ----------------------
def chunks(*parts):
    return b"".join(ans(p) for p in parts)


QUERIES = [b"\x1dIC\0", b"\x1dg4'", b"\x1dg4(", b"\x1dg4)", b"\x1dg4*", b"\x1dg4+", b"\x1dIA\0", b"\x1dg4\x10",
           b"\x1dg4\x15", b"\x1dg4\x09", b"\x1dg4\x16", b"\x1dg4\x1b", b"\x1dg4\x05", b"\x1dg4$", b"\x1dIE\0",
           b"\x1dg4!", b"\x1dg4\"", b"\x1dg4%"]
UNLOCK, LOCK = b"\x1dgunl\0", b"\x1dglck\0"


def set_cmd(f, text, length):
    body = text.encode("latin-1")[: length - 4]
    return b"\x1dg8" + bytes([f]) + body + b"\0" * (length - 4 - len(body))


for name, data in {
    "read_series_queries": chunks(*QUERIES),
    "device_queries_without_00": chunks(b"\x1dIC", b"\x1dg4'", b"\x1dIA"),
    "query_split_across_chunks": chunks(b"\x1d", b"g", b"4'"),
    "write_serial": chunks(UNLOCK, set_cmd(0x27, "255", 9), set_cmd(0x29, "8", 8), set_cmd(0x21, "19", 8),
                           set_cmd(0x24, "Multilingual (Latin+Euro)", 25), set_cmd(0x22, "16", 7),
                           set_cmd(0x25, "ON", 8), LOCK),
    "write_value_cut_by_command": chunks(UNLOCK + b"\x1dg8'12" + b"\x1dg4'"),
    "self_test": chunks(b"\x1d(A\x02\0\0\x02\0"),
    "font_test_blocks": chunks(b"\x1b!\x01FONT:08X16\r\n", bytes(range(0x21, 0x80)) + b"\r\n",
                               bytes(range(0x80, 0x100)) + b"\r\n", b"\x1b!\x02FONT:12X24\r\n", b"\x1b@\r\n\x1bi"),
    "font_block_held_back": chunks(bytes(range(0x80, 0xFF))),
    "garbage_text": chunks(b"hello printer\r\n", b"\x00\x01\x02"),
    "gs_garbage": chunks(b"\x1d\x1d\x1dX\x1dI\x00\x1dg4\xff"),
}.items():
    write("sim_commands", name, data)

# --- cli_arguments: argument words, one a line --------------------------------------------------
for name, data in {
    "read_tcp": "read\n--tcp\n127.0.0.1:9100",
    "read_tcp_json_fast": "read\n--tcp\nprinter.local\n--json\n--fast",
    "read_two_printers": "read\n--tcp\na:9100\n--tcp\nb:9101",
    "read_usb_model": "read\n--usb\n--model\nRT4300X",
    "read_serial_settings": "read\n--serial\n/dev/ttyS0\n--baud\n9600\n--parity\neven\n--handshake\nxon-xoff",
    "read_device": "read\n--device\n/dev/ttyUSB4",
    "explain": "explain\n--model\nRT5600\n--switches\n0,0,0,0,0\n--switches\n255,1,2,3,4",
    "explain_model_number": "explain\n--model\n13\n--switches\n12,0,0,0,0",
    "write_edits": "write\n--tcp\nh\n--switches\n1,2,3,4,5\n--set\nSW1-1=ON\n--set\nsw5-8=off\n--code-page\n19\n--charset\n16\n--font8x16\non",
    "write_from": "write\n--tcp\nh\n--from\n/etc/passwd",
    "write_charset_14": "write\n--tcp\nh\n--charset\n14",
    "self_test_baud": "self-test\n--serial\n/dev/ttyS0\n--baud\n9600",
    "font_test": "font-test\n--usb",
    "models_json": "models\n--json",
    "help": "--help", "version": "--version", "nothing": "",
    "tcp_port_0": "read\n--tcp\nh:0", "tcp_port_too_big": "read\n--tcp\nh:65536", "tcp_no_host": "read\n--tcp\n:9100",
    "unknown_command": "print\n--tcp\nh",
}.items():
    write("cli_arguments", name, data)
