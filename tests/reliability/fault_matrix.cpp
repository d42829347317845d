#include "fault_matrix.h"


namespace kestrova::reliability {

namespace {

constexpr int kAtOnceMs = 2000;  // a port that cannot be had fails before the watchdog's first ticks

// clang-format off
std::vector<FaultRow> AllRows() {
  const QStringList none;
  return {
    // TCP/IP: one receive of at most 64 bytes (8 for a switch) after each 200 ms pause, waiting at
    // most 300 ms more; up to four tries of a switch query.
    {"tcp/none",         Link::Tcp, "none",                      none,                         Port::Simulator, Expect::WriteOk,          10000},
    {"tcp/silent",       Link::Tcp, "no answer",                 {"--silent"},                 Port::Simulator, Expect::ReadFailed,        8000},
    {"tcp/late-150",     Link::Tcp, "answers 150 ms late",       {"--delay-ms", "150"},        Port::Simulator, Expect::ReadOk,            6000},
    {"tcp/late-400",     Link::Tcp, "answers 400 ms late",       {"--delay-ms", "400"},        Port::Simulator, Expect::ReadOk,           10000},
    {"tcp/late-550",     Link::Tcp, "answers 550 ms late",       {"--delay-ms", "550"},        Port::Simulator, Expect::ReadOkShifted,    14000},
    {"tcp/no-header",    Link::Tcp, "replies without 0x5F",      {"--no-header"},              Port::Simulator, Expect::ReadOkNoSwitches,  9000},
    {"tcp/unknown",      Link::Tcp, "unknown model name",        {"--name", "XY-1234"},        Port::Simulator, Expect::ReadFailed,        7000},
    {"tcp/garbage",      Link::Tcp, "garbage bytes",             {"--garbage"},                Port::Simulator, Expect::ReadFailed,        7000},
    {"tcp/overlong",     Link::Tcp, "10 kB replies",             {"--overlong", "10240"},      Port::Simulator, Expect::ReadOkOverlong,    9000},
    {"tcp/drop-1",       Link::Tcp, "dropped after 1 command",   {"--drop-after", "1"},        Port::Simulator, Expect::ReadFailed,        7000},
    {"tcp/drop-5",       Link::Tcp, "dropped after 5 commands",  {"--drop-after", "5"},        Port::Simulator, Expect::ReadFailed,        7000},
    {"tcp/drop-12",      Link::Tcp, "dropped after 12 commands", {"--drop-after", "12"},       Port::Simulator, Expect::ReadFailed,        9000},
    {"tcp/drop-20",      Link::Tcp, "dropped after 20 commands", {"--drop-after", "20"},       Port::Simulator, Expect::WriteCut,         10000},
    {"tcp/drop-33",      Link::Tcp, "dropped after 33 commands (the last)", {"--drop-after", "33"}, Port::Simulator, Expect::WriteOk,     10000},
    {"tcp/refused",      Link::Tcp, "connection refused",        none,                         Port::Refused,   Expect::ReadFailed,   kAtOnceMs},

    // Serial component (COM1..COM4, --serial): whatever has arrived 200 ms after each command.
    {"serial/none",      Link::Serial, "none",                      none,                      Port::Simulator, Expect::WriteOk,          10000},
    {"serial/silent",    Link::Serial, "no answer",                 {"--silent"},              Port::Simulator, Expect::ReadFailed,        7000},
    {"serial/late-150",  Link::Serial, "answers 150 ms late",       {"--delay-ms", "150"},     Port::Simulator, Expect::ReadOk,            6000},
    {"serial/late-400",  Link::Serial, "answers 400 ms late",       {"--delay-ms", "400"},     Port::Simulator, Expect::ReadOkShifted,     9000},
    {"serial/no-header", Link::Serial, "replies without 0x5F",      {"--no-header"},           Port::Simulator, Expect::ReadOkNoSwitches,  6000},
    {"serial/unknown",   Link::Serial, "unknown model name",        {"--name", "XY-1234"},     Port::Simulator, Expect::ReadFailed,        7000},
    {"serial/garbage",   Link::Serial, "garbage bytes",             {"--garbage"},             Port::Simulator, Expect::ReadFailed,        7000},
    {"serial/overlong",  Link::Serial, "10 kB replies",             {"--overlong", "10240"},   Port::Simulator, Expect::ReadOkPadded,      6000},
    {"serial/drop-1",    Link::Serial, "pty closed after 1 command",   {"--drop-after", "1"},  Port::Simulator, Expect::ReadFailed,        7000},
    {"serial/drop-5",    Link::Serial, "pty closed after 5 commands",  {"--drop-after", "5"},  Port::Simulator, Expect::ReadFailed,        8000},
    {"serial/drop-12",   Link::Serial, "pty closed after 12 commands", {"--drop-after", "12"}, Port::Simulator, Expect::ReadFailed,        9000},
    {"serial/drop-20",   Link::Serial, "pty closed after 20 commands", {"--drop-after", "20"}, Port::Simulator, Expect::WriteCut,         10000},
    {"serial/drop-29",   Link::Serial, "pty closed after 29 commands (the last)", {"--drop-after", "29"}, Port::Simulator, Expect::WriteOk, 10000},
    {"serial/absent",    Link::Serial, "port absent",               none,                      Port::Absent,    Expect::ReadFailed,   kAtOnceMs},
    {"serial/held",      Link::Serial, "port held by another program", none,                   Port::Held,      Expect::ReadFailed,   kAtOnceMs},

    // Device handle (COM5..COM20, --device): three tries of 250 ms (and at most 50 ms more) per
    // query; a reply counts only when it begins with 0x5F.
    {"device/none",      Link::Device, "none",                      none,                      Port::Simulator, Expect::WriteOk,          10000},
    {"device/silent",    Link::Device, "no answer",                 {"--silent"},              Port::Simulator, Expect::ReadFailed,       23000},
    {"device/late-150",  Link::Device, "answers 150 ms late",       {"--delay-ms", "150"},     Port::Simulator, Expect::ReadOk,            7000},
    {"device/late-400",  Link::Device, "answers 400 ms late",       {"--delay-ms", "400"},     Port::Simulator, Expect::ReadOk,           14000},
    {"device/late-1000", Link::Device, "answers 1000 ms late",      {"--delay-ms", "1000"},    Port::Simulator, Expect::ReadOkShifted,    22000},
    {"device/no-header", Link::Device, "replies without 0x5F",      {"--no-header"},           Port::Simulator, Expect::ReadFailed,       23000},
    {"device/unknown",   Link::Device, "unknown model name",        {"--name", "XY-1234"},     Port::Simulator, Expect::ReadOkUnknownModel, 7000},
    {"device/garbage",   Link::Device, "garbage bytes",             {"--garbage"},             Port::Simulator, Expect::ReadFailed,       23000},
    {"device/overlong",  Link::Device, "10 kB replies",             {"--overlong", "10240"},   Port::Simulator, Expect::ReadOkOverlong,   17000},
    {"device/drop-1",    Link::Device, "pty closed after 1 command",   {"--drop-after", "1"},  Port::Simulator, Expect::ReadFailed,        7000},
    {"device/drop-5",    Link::Device, "pty closed after 5 commands",  {"--drop-after", "5"},  Port::Simulator, Expect::ReadFailed,        8000},
    {"device/drop-12",   Link::Device, "pty closed after 12 commands", {"--drop-after", "12"}, Port::Simulator, Expect::ReadFailed,       10000},
    {"device/drop-20",   Link::Device, "pty closed after 20 commands", {"--drop-after", "20"}, Port::Simulator, Expect::WriteCut,         10000},
    {"device/drop-29",   Link::Device, "pty closed after 29 commands (the last)", {"--drop-after", "29"}, Port::Simulator, Expect::WriteOk, 10000},
    {"device/absent",    Link::Device, "port absent",               none,                      Port::Absent,    Expect::ReadFailed,   kAtOnceMs},
    {"device/held",      Link::Device, "port held by another program", none,                   Port::Held,      Expect::ReadFailed,   kAtOnceMs},
  };
}
// clang-format on

}  // namespace

QStringList CommonSimArgs() { return {"--model", "RT5600", "--switches", "1,2,3,4,5"}; }

std::vector<FaultRow> Rows(Link link) {
  std::vector<FaultRow> rows;
  for (const FaultRow& row : AllRows())
    if (row.link == link) rows.push_back(row);
  return rows;
}

QStringList ExpectedLog() {
  return {
      "Read Model Name = RT-5600\r\n",         "Read Software Switch 1 = 1\r\n",
      "Read Software Switch 2 = 2\r\n",        "Read Software Switch 3 = 3\r\n",
      "Read Software Switch 4 = 4\r\n",        "Read Software Switch 5 = 5\r\n",
      "Read Firmware Revision = V1.05\r\n",    "Read Hours Powered = 1234\r\n",
      "Read Cut Paper Count = 5678\r\n",       "Read Installation Date = 2025-01-15\r\n",
      "Read Failed Paper Cut = 0\r\n",         "Read Line Printed = 98765\r\n",
      "Read Serial Number = KS00000001\r\n",   "Read Language Model = ENG\r\n",
      "Read Font ROM = ANK\r\n",               "Read Code Page = 0\r\n",
      "Read International Character Set = 0\r\n", "Read New 8x16 Font = \r\n",
  };
}

QStringList WriteEvents(const QStringList& events) {
  QStringList out;
  for (const QString& e : events)
    if (e == "unlock" || e == "lock" || e.startsWith("set ") || e.startsWith("ignored set ")) out << e;
  return out;
}

QStringList ExpectedWriteEvents(Link link) {
  const QStringList language = {"set code-page=0", "set code-page-name=Standard", "set charset=0", "set font-8x16="};
  if (link == Link::Tcp)
    return QStringList{"unlock", "set SW2=2", "set SW3=3", "set SW5=5"} + language +
           QStringList{"lock", "unlock", "set SW4=4", "lock", "unlock", "set SW1=1", "lock"};
  return QStringList{"unlock", "set SW1=1", "set SW2=2", "set SW3=3", "set SW4=4", "set SW5=5"} + language +
         QStringList{"lock"};
}

// A field of an overlong reply: the value followed by '#', or '#' alone; never more than the
// 126 characters a 128-byte reply buffer holds.
bool PaddedOrLeftover(const QString& text, const QString& value) {
  if (text.size() > 126) return false;
  QString rest = text.startsWith(value) ? text.mid(value.size()) : text;
  return rest.count('#') == rest.size();
}

}  // namespace kestrova::reliability
