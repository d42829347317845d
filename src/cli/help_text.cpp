// The --help text and the --version line of kestrova-swctl.
#include "cli/cli_request.h"

#ifndef KESTROVA_VERSION
#define KESTROVA_VERSION "unknown"
#endif

namespace kestrova::cli {

std::string VersionText() { return std::string("kestrova-swctl ") + KESTROVA_VERSION + "\n"; }

std::string HelpText() {
  return R"(Usage:
  kestrova-swctl models [--json]
  kestrova-swctl usb-list
  kestrova-swctl explain --model MODEL --switches B1,B2,B3,B4,B5 [--switches ...] [--json]
  kestrova-swctl read      LINK [--json] [--fast]
  kestrova-swctl write     LINK [--switches B1,B2,B3,B4,B5] [--set SWn-b=ON|OFF]...
                           [--code-page N] [--charset N] [--font8x16 ON|OFF] [--fast] [--backup-dir DIR]
  kestrova-swctl write     LINK... --from FILE.json [--set ...]... [--code-page N] ... [--dry-run]
  kestrova-swctl check     LINK... --from FILE.json [--json] [--fast]
  kestrova-swctl apply     LINK... [--from FILE.json] [--set SWn-b=ON|OFF]... [--code-page N]
                           [--charset N] [--font8x16 ON|OFF] [--check] [--json] [--fast]
                           [--backup-dir DIR]
  kestrova-swctl backups   [PRINTER] [--backup-dir DIR]
  kestrova-swctl restore   LINK... [--backup FILE.json] [--json] [--fast] [--backup-dir DIR]
  kestrova-swctl metrics   LINK... [--from FILE.json] [--output FILE] [--fast]
  kestrova-swctl probe     --serial DEVICE [--json]
  kestrova-swctl discover  RANGE... [--port N] [--timeout MS] [--max-parallel N] [--force]
                           [--json | --format file-sd|ansible-inventory]
  kestrova-swctl self-test LINK
  kestrova-swctl font-test LINK
  kestrova-swctl --help | --version

Reads, explains and writes the five software-switch bytes SW1 to SW5 of a Kestrova receipt
printer, with its model name, firmware revision, counters and language settings, exactly as the
Kestrova Software Switch Utility window does.

Commands:
  models      List the printer models of the catalogue: number, code, and whether the window's
              model list offers it.
  usb-list    The supported USB printers present, one line each in product-table order:
              BUS-ADDRESS (for --usb-device), vendor:product id, the model the table row
              needs (or the device family), and whether this user may open it.
  explain     Without a printer: the 40 switch definitions the window shows after a successful
              read of a printer of MODEL whose switch bytes are B1..B5 (decimal 0 to 255), with
              the print-density and Thai 1Pass/3Pass texts (empty where the window leaves them
              empty). --switches may be given several times; each gives one result (with --json,
              one object per line, in the order given).
  read        Read the printer: model, printer information, language information, the five
              switch bytes, the 40 switches with their meanings, and the Log History lines.
              Several --tcp options read those printers concurrently (with --json one object
              per line, in the order given, each with a "link" key "HOST:PORT").
  write       Read the printer first (a write needs a successful read), change what was read
              as the options say, then send exactly what "Write Settings" sends on that kind of
              link. Prints each change (switch by switch, the meaning before and after) and,
              only when every command went out in full,
                "Write software switch settings OK, please reboot your printer"
              Several --tcp options write those printers concurrently, each with its own read,
              one result line per printer.
  check       Read each printer and compare it with FILE.json (a profile: what `read --json`
              printed): model, the five switch bytes, code page, character set, 8x16 font. One
              line per printer in the order given: "matches the file", the differences (switch,
              meaning in the file, meaning on the printer), or the failed read with its cause.
              With --json one object per printer: {"link", "ok", "match", "differences":
              [{"switch", "file", "printer"}]}. Exit 0 when all match, 1 otherwise.
  apply       Bring each printer to FILE.json and the options (as write takes them; either
              may be left out, not both), writing only where needed: each printer is read, and a printer that holds the values
              already (model, the five switch bytes, code page, character set, 8x16 font) is
              sent nothing more; otherwise write's write follows. One line per printer:
                HOST:PORT: unchanged
                HOST:PORT: changed: SW3-8 ON (Auto cutter - Disable) -> OFF (Auto cutter - Enable)
              with several differences separated by "; ".
              A printer of another model is refused, nothing sent. With --json one object per
              printer: {"link", "ok", "changed", "differences": [{"setting", "before",
              "after"}], "backup", "error"} ("backup": the file saved before the write, or
              null). Exit 0 when every printer ends as the file says, 1 otherwise.
  backups     The backups every write keeps (see Backups below), newest first, one line each:
                2026-12-06 20:31:02 UTC  127.0.0.1:9100  RT5600  KS00000001  FILE
              (the time of the write, the link, the model, the serial number or "-", the file).
              PRINTER (a link as shown, or a serial number) lists that printer's only. Exit 1
              when there are none.
  restore     Bring each printer back to a backup through apply: to FILE.json, or without
              --backup to that printer's newest backup (the state before its last write). Only
              what differs is sent; a printer of another model and a backup with values not
              read cleanly are refused. Says "LINK: Restoring from FILE" on standard error,
              then prints as apply does (with --json also "restoredFrom"). Restoring is a
              write: it keeps a backup of its own first.
  metrics     Read each printer once and print the results in the Prometheus text format:
              kestrova_printer_up (1 read, 0 failed), kestrova_printer_read_duration_seconds,
              kestrova_printer_info (model_name, firmware, code_page, charset labels; value 1),
              kestrova_printer_power_on_seconds_total (the hours reported times 3600),
              kestrova_printer_cut_paper_total, kestrova_printer_failed_paper_cut_total,
              kestrova_printer_lines_printed_total (each only where the printer's reply is a
              decimal number) and, with --from,
              kestrova_printer_profile_match and kestrova_printer_profile_differences (settings
              that differ, as check counts them). Every sample has the label link, and model
              and serial where the read gave them. Exit 1 when any printer failed (its up is 0
              and everything else is still written).
  probe       Find the line settings of a serial printer: the model-name query at 115200,
              38400, 19200 and 9600 bit/s, each with parity none and even; prints each setting at
              which the printer answers with a known model ("DEVICE: answers at 38400 bit/s,
              parity none: RT5600"); with --json {"device", "answers": [{"baud", "parity",
              "model"}]}. Exit 1 when none answers.
  discover    Find the printers of the catalogue among the addresses RANGE names: A.B.C.D,
              A.B.C.D/NN (without its network and broadcast addresses from /30 on) or
              A.B.C.D-E; more than 65536 addresses only with --force. Each address gets a TCP
              connect to PORT and the model-name query; a peer that answers with a model name
              of the catalogue is asked its serial number too, any other is sent nothing more
              and reported on standard error as "A.B.C.D:PORT: not a Kestrova printer". One line
              per printer found, in address order: "A.B.C.D:PORT MODEL [SERIAL]"; with --json
              {"link", "address", "port", "model", "model_name", "serial"}; --format file-sd a
              Prometheus file_sd list of the printers as targets, --format ansible-inventory an
              inventory for the kestrova.printers collection. Exit 1 when none is found.
  self-test   Make the printer print its self test (the test bytes only, no read first).
  font-test   Make the printer print every character code in two fonts and cut the paper.

LINK (exactly one kind):
  --tcp HOST[:PORT]    The TCP/IP link; PORT is 9100 when left out. HOST is an IPv4 address or
                       a name. read, write, check, apply and metrics take several --tcp options (a fleet).
  --tcp-list FILE      The printers of a fleet, one HOST[:PORT] a line; empty lines and text
                       after '#' are skipped. May be combined with --tcp.
  --serial DEVICE      A serial port as COM1 to COM4 in the window: the serial component with
                       the line settings below, its read and write lengths.
      --baud 9600|19200|38400|115200   (default 115200)
      --parity none|even               (default none)
      --handshake dtr-dsr|xon-xoff     (default dtr-dsr; xon-xoff is software handshaking)
  --device DEVICE      A serial port as COM5 to COM20 in the window: opened as a device handle,
                       keeping the line settings the system holds; the device-handle read (each
                       value shown followed by one space) and write.
  --usb [--model MODEL]
                       USB discovery in the product table's order, MODEL being the model chosen
                       in the window's model list (RT5600 when left out).
  --usb-device BUS-ADDRESS [--model MODEL]
                       The USB printer at BUS-ADDRESS as `kestrova-swctl usb-list` shows it
                       (or its whole path); without --model it takes the model its table row
                       needs. Several --usb-device options read or write those printers
                       concurrently, as several --tcp.
  self-test and font-test over --serial or --device open the port as a device handle with the
  line settings the system holds and send the 8-byte self test; --baud, --parity and
  --handshake do not apply to them.

MODEL is a model code of the catalogue (RT3200 ... RT3207, RT5602 included; any case) or a model
number of the catalogue (0, 1, 3, 4, 6 to 19; 0 is "no model"). See `kestrova-swctl models`.

Options:
  --json               Machine-readable output (see below).
  --fast               read (and the read of write): take each reply as soon as it has
                       arrived instead of after the full pause; the same replies, in a fraction
                       of the 3.6 s the window's pacing takes.
  --switches B1,B2,B3,B4,B5
                       The five switch bytes, decimal 0 to 255 (write: sets all five).
  --set SWn-b=ON|OFF   write: set one switch (n 1 to 5, b 1 to 8) after --switches and --from;
                       may be given several times. ON is a clear bit, OFF a set bit.
  --code-page N        write: pick code page number N of the table (0, 1, 2, 3, 4, 5, 17, 18,
                       19, 21, 22, 24, 25, 26, 27, 28, 29, 31, 33, 34, 36, 37) as the window's
                       list does: the code page name follows, and the international character
                       set is reset to 8 for code page 1 and to 0 for any other.
  --charset N          write: the international character set number (0 to 13, 15 to 18),
                       applied after --code-page.
  --font8x16 ON|OFF    write: the new 8x16 font.
  --from FILE.json     check, metrics: the profile to compare each printer with.
                       write: the values to write are those of FILE.json, the JSON that
                       `read --json` printed (its model, bytes and language fields; a null byte
                       or an empty text keeps what the printer holds). Further options change
                       them. A printer whose model differs from the file's is refused: nothing
                       is written to it.
  --output FILE        metrics: write FILE instead of standard output, whole: under a
                       temporary name in the same folder, then renamed over FILE, so a reader
                       never sees half a file; mode 0644 whatever the umask (a collector
                       running as another user reads it), on disk before the rename. The folder
                       must exist.
  --backup-dir DIR     write, apply, restore, backups: the backups folder instead of
                       $XDG_STATE_HOME/kestrova-swutil/backups (~/.local/state/... by default).
  --backup FILE.json   restore: the backup to bring the printer back to.
  --dry-run            write: read, print the changes as a write does, then
                       "Dry run: nothing written"; nothing is sent but the read's queries.
  --check              apply: read and print what a write would change ("HOST:PORT: would
                       change: ..."); nothing is sent but the read's queries.
  --port N             discover: the TCP port asked at every address (default 9100).
  --timeout MS         discover: how long one connect may take (default 1000).
  --max-parallel N     discover: addresses contacted at once (default 256, at most what the
                       open-file limit allows).
  --format FORMAT      discover: file-sd or ansible-inventory instead of the lines.
  --force              discover: contact more than 65536 addresses.
  -h, --help           This text.
  --version            The version.

JSON:
  models:  [{"no": 9, "code": "RT5600", "listed": true}, ...]
  explain: {"model": {"no": 9, "code": "RT5600"},
            "switches": [{"name": "SW1-1", "position": "ON", "definition": "Baud Rate - 38400"},
                         ... 40 entries, SW1-1 .. SW5-8],
            "printDensity": "100%", "thaiPass": ""}
  read:    {"ok": true, "model": {...}, "printer": {"modelName", "firmwareRevision",
            "hoursPowered", "cutPaperCount", "installationDate", "failedPaperCut", "linePrinted",
            "serialNumber", "languageModel", "fontRom", "codePage", "internationalCharSet",
            "new8x16Font", "printDensity", "thaiPass"}, "bytes": [b1, b2, b3, b4, b5],
            "switches": [...], "log": ["Read Model Name = RT-5600\r\n", ...]}
           Every text is what the window shows in the matching field after the same read.
           "code" is null for model 0; "position" is "ON", "OFF" or null; a byte is null when
           its reply was not valid. A failed read: {"ok": false, "error": "...", "cause": "..."}.

Backups: before write, apply or restore sends anything to a printer, what its read got is saved
as a profile (model, the five switch bytes, the language settings, the values not read cleanly,
the printer's serial number and firmware, the link; no counters) in the backups folder: one
folder per printer (its serial number, or the link where it reports none), one file per write,
named by the UTC time of the write (YYYY-MM-DDTHH-MM-SSZ.json; _002, _003, ... when two land
in the same second). Files are written whole and never replaced; nothing deletes them. Each
write says "Backup saved to FILE" on standard error (apply --json: "backup"). When the backup
cannot be saved, nothing is sent and the write fails with the reason.

Fleets: the open-file limit is raised to the hard limit at start; as many printers are read at
once as it allows, the rest wait their turn, and every printer gets its line in the order given.

Progress: while reading, a one-line indicator is shown on standard error when it is a terminal.

Exit status:
  0  success
  1  the printer or the link failed; the window's message ("Read software switch FAILED",
     "Open usb FAILED", "Write software switch FAILED") on standard error, followed by ": " and
     the cause where it is known (with read --json also as a failed-read object on standard
     output). For a fleet: 1 when any printer failed.
  2  a usage error (unknown command or option, unknown model, byte out of range, no such code
     page or character set, an IPv6 address, a --from or --tcp-list file that cannot be read
     or is no regular file, an --output folder that does not exist, a --backup file that
     cannot be read or holds values not read cleanly); nothing is sent.
)";
}

}  // namespace kestrova::cli
