#pragma once
// The fault matrix: for every link kind and every fault the simulated printer can show, what the
// user must see. One table serves the window's suites and the command-line tool's suite, and
// docs/reliability.md ("Fault matrix") describes the same rows.
#include <QString>
#include <QStringList>
#include <vector>

namespace kestrova::reliability {

enum class Link { Tcp, Serial, Device };

// What the user sees. Every outcome also means: no crash, no wait beyond the row's limit, exactly
// one message for the read (none on success), the window ready for the next read.
enum class Expect {
  ReadOk,            // read OK; every value exactly as the printer holds it
  ReadFailed,        // "Read software switch FAILED" once; nothing shown
  ReadOkShifted,     // replies later than a query's window: each reply is taken by a later query,
                     // so fields show earlier replies, and the write is refused as not read
                     // cleanly, nothing sent; or, when a take after the model name finds nothing,
                     // "Read software switch FAILED"
  ReadOkNoSwitches,  // read OK with the values shown, but no switch reply valid: no switch has a
                     // position; the write is refused (not read cleanly) and nothing is sent
  ReadOkPadded,      // serial, overlong replies: each value followed by '#', cut to 126 characters,
                     // or (when the pty has not passed the whole 10 kB of the previous reply in
                     // time) '#' alone; a switch shows its own byte or no position
  ReadOkOverlong,    // TCP/IP and device handle, overlong replies: the model name shows
                     // "RT-5600#..."; the rest of a reply is dropped before the next query, so each
                     // field shows the start of its own reply or '#'; the read is out of step and
                     // the write is refused, nothing sent
  ReadOkUnknownModel,// device handle, unknown model: read OK as model 0, every switch "Reserve"
  WriteOk,           // read OK, then the write OK ("FINISH"); the printer took every command
  WriteCut,          // read OK, then the write cut short: "Write software switch FAILED"
};

// How the port itself is made faulty, besides the simulator's options.
enum class Port { Simulator, Refused, Absent, Held };

struct FaultRow {
  const char* name;     // test row name: "<link>/<fault>"
  Link link;
  const char* fault;    // as docs/reliability.md names it
  QStringList simArgs;  // fault options of the simulator (on top of the common ones)
  Port port;
  Expect expect;
  int limitMs;          // longest the read (and the write, for Write* rows) may take, each
};

// Options every simulated printer of the matrix gets: an RT5600 with switch bytes 1,2,3,4,5.
QStringList CommonSimArgs();
// The rows of one link kind, in table order.
std::vector<FaultRow> Rows(Link link);

// The 18 Log History lines of a full read of the matrix's printer.
QStringList ExpectedLog();
// The write events of the simulator's log ("unlock", "set SW3=3", "lock", ...), in order.
QStringList WriteEvents(const QStringList& events);
// What the simulator logs for a complete write of the values read, on a link kind.
QStringList ExpectedWriteEvents(Link link);
// A field of an overlong reply over the serial component: the value followed by '#', or '#'
// alone; never more than the 126 characters a 128-byte reply buffer holds.
bool PaddedOrLeftover(const QString& text, const QString& value);

}  // namespace kestrova::reliability
