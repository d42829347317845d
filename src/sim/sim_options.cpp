#include "sim/sim_options.h"

namespace kestrova::sim {

namespace {

const char kDescription[] =
    "A simulated receipt printer for the Kestrova Software Switch Utility.\n"
    "\n"
    "It answers the status queries (1D 49 n [00], 1D 67 34 m) with 5F, the value as ASCII text, 00;\n"
    "accepts the switch write (unlock 1D 67 75 6E 6C 00, values 1D 67 38 f ..., lock\n"
    "1D 67 6C 63 6B 00) in the serial, TCP/IP and device-handle shapes; records the self test and\n"
    "the font-test blocks. Written values are pending until the simulator restarts (--state keeps\n"
    "them). Unknown bytes are logged and ignored.\n"
    "\n"
    "At start it prints each address it serves on stdout, one per line:\n"
    "  listening tcp 127.0.0.1:9100\n"
    "  listening pty /tmp/printer -> /dev/pts/5\n"
    "\n"
    "Log lines (--log), flushed one by one:\n"
    "  <yyyy-MM-ddTHH:mm:ss.zzz> <link> rx <hex bytes>   one line per received chunk\n"
    "  <yyyy-MM-ddTHH:mm:ss.zzz> <link> tx <hex bytes>   one line per reply sent\n"
    "  <yyyy-MM-ddTHH:mm:ss.zzz> <link> event <text>     connect, disconnect, query <item>, unlock,\n"
    "        set <item>=<value>, ignored set ..., lock, self-test, font-test block <n>,\n"
    "        ignored <hex bytes>, ignored <n> more bytes, drop after <n> commands,\n"
    "        drop: <n> bytes unsent (limit <l>), discard <n> bytes unsent (limit <l>),\n"
    "        accept paused: <reason>, accept resumed\n"
    "  <link> is tcp:<port> or pty:<path>; hex bytes are lower case, separated by blanks. Of a run\n"
    "  of garbage the first 32 bytes are shown, the rest counted (\"(<n> more bytes)\" in rx lines).\n"
    "\n"
    "A link holds at most 64 KiB of unsent replies: a TCP client over it is dropped, the pty's\n"
    "unread replies are thrown away. At the open-file limit accepting pauses until a connection\n"
    "closes. A query sent with the client's half-close is answered before the close.";

struct TextOption {
  const char* name;
  const char* help;
  QByteArray PrinterValues::*field;
};

// The plain text values a printer reports.
const TextOption kTextOptions[] = {
    {"firmware", "Firmware revision text.", &PrinterValues::firmware},
    {"hours", "Hours powered.", &PrinterValues::hoursPowered},
    {"cut-count", "Cut paper count.", &PrinterValues::cutCount},
    {"installation-date", "Installation date text.", &PrinterValues::installationDate},
    {"failed-cuts", "Failed paper cut count.", &PrinterValues::failedCut},
    {"lines", "Lines printed.", &PrinterValues::linesPrinted},
    {"serial", "Serial number.", &PrinterValues::serialNumber},
    {"language-model", "Language model text.", &PrinterValues::languageModel},
    {"font-rom", "Font ROM text.", &PrinterValues::fontRom},
    {"code-page-name", "Code page name (written only, never queried).", &PrinterValues::codePageName},
};

bool ReadInt(const QCommandLineParser& p, const char* name, int min, int max, int& out, QString* error) {
  if (!p.isSet(name)) return true;
  bool ok = false;
  const int v = p.value(name).toInt(&ok);
  if (!ok || v < min || v > max) {
    *error = QStringLiteral("--%1 wants a number from %2 to %3").arg(name).arg(min).arg(max);
    return false;
  }
  out = v;
  return true;
}

}  // namespace

void AddOptions(QCommandLineParser& parser) {
  const PrinterValues d;
  parser.setApplicationDescription(QString::fromLatin1(kDescription));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addOptions({
      {"model", "Model code of the catalogue (RT3200, KD240, MV7500, ...); the printer reports its name "
                "(RT-3200, KD-240, MV75_USB, ...). Default RT5600.", "code"},
      {"name", "Reported model name instead of the model's own (any text, e.g. an unknown model).", "text"},
      {"tcp", "Serve TCP on a loopback address; port 0 picks a free port.", "host:port"},
      {"pty", "Create a raw pseudo-terminal and a symbolic link at path to its slave device.", "path"},
      {"baud", "The pty answers only while its port is set to this speed (9600, 19200, 38400 or 115200); "
               "a pseudo-terminal keeps no parity, so only the speed is checked.", "n"},
      {"count", "Number of independent printers, on consecutive TCP ports (default 1). The pty is "
                "served by the first.", "n"},
      {"switches", "Switch bytes SW1..SW5 as decimal numbers (default 0,0,0,0,0).", "b1,b2,b3,b4,b5"},
      {"code-page", QStringLiteral("Code page number (default %1).").arg(d.codePage), "n"},
      {"charset", QStringLiteral("International character set number (default %1).").arg(d.charset), "n"},
      {"font-8x16", "New 8x16 font, on or off (default off).", "on|off"},
      {"state", "Keep the current and pending values in this JSON file across runs; pending values "
                "take effect at the next start. The file's values win over the options.", "file"},
      {"log", "Append the log lines (see above) to this file.", "file"},
      {"silent", "Fault: never answer."},
      {"delay-ms", "Fault: send every reply n milliseconds late.", "n"},
      {"no-header", "Fault: replies start with 'X' instead of the 5F header."},
      {"drop-after", "Fault: close the connection or the pty after n commands.", "n"},
      {"garbage", "Fault: answer with garbage bytes (same length, never a 5F header)."},
      {"overlong", "Fault: pad every reply with '#' before its final 00 to n bytes.", "n"},
  });
  for (const auto& t : kTextOptions)
    parser.addOption({t.name, QStringLiteral("%1 Default \"%2\".").arg(t.help, QString::fromLatin1(d.*t.field)), "text"});
}

bool ReadOptions(const QCommandLineParser& p, SimOptions& o, QString* error) {
  if (p.isSet("model")) o.modelCode = p.value("model");
  o.values.modelName = ReportedNameOf(o.modelCode);
  if (p.isSet("name")) {
    o.values.modelName = p.value("name").toUtf8();
  } else if (o.values.modelName.isEmpty()) {
    *error = QStringLiteral("unknown model code %1 (give --name for a model outside the catalogue)").arg(o.modelCode);
    return false;
  }

  if (p.isSet("tcp")) {
    const QString hostPort = p.value("tcp");
    const int colon = hostPort.lastIndexOf(':');
    bool ok = colon > 0;
    const int port = ok ? hostPort.mid(colon + 1).toInt(&ok) : -1;
    QString host = hostPort.left(colon);
    if (host.startsWith('[') && host.endsWith(']')) host = host.mid(1, host.size() - 2);
    if (host == QLatin1String("localhost")) host = QStringLiteral("127.0.0.1");
    o.tcpAddress = QHostAddress(host);
    if (!ok || port < 0 || port > 65535 || o.tcpAddress.isNull()) {
      *error = QStringLiteral("--tcp wants host:port, e.g. 127.0.0.1:9100");
      return false;
    }
    if (!o.tcpAddress.isLoopback()) {
      *error = QStringLiteral("--tcp serves loopback addresses only");
      return false;
    }
    o.tcp = true;
    o.tcpPort = static_cast<quint16>(port);
  }
  o.ptyPath = p.value("pty");
  if (!o.tcp && o.ptyPath.isEmpty()) {
    *error = QStringLiteral("give --tcp, --pty or both");
    return false;
  }
  if (!ReadInt(p, "count", 1, 16384, o.count, error)) return false;
  if (p.isSet("baud")) {
    bool ok = false;
    o.ptyBaud = p.value("baud").toInt(&ok);
    if (!ok || (o.ptyBaud != 9600 && o.ptyBaud != 19200 && o.ptyBaud != 38400 && o.ptyBaud != 115200)) {
      *error = QStringLiteral("--baud: 9600, 19200, 38400 or 115200");
      return false;
    }
    if (o.ptyPath.isEmpty()) {
      *error = QStringLiteral("--baud applies to --pty");
      return false;
    }
  }
  if (o.tcpPort != 0 && o.tcpPort + o.count - 1 > 65535) {
    *error = QStringLiteral("--count goes past port 65535");
    return false;
  }

  if (p.isSet("switches")) {
    const QStringList parts = p.value("switches").split(',');
    bool ok = parts.size() == 5;
    for (int i = 0; ok && i < 5; ++i) {
      const int v = parts[i].trimmed().toInt(&ok);
      ok = ok && v >= 0 && v <= 255;
      if (ok) o.values.switches[static_cast<std::size_t>(i)] = static_cast<quint8>(v);
    }
    if (!ok) {
      *error = QStringLiteral("--switches wants five numbers 0..255, e.g. 0,0,128,0,0");
      return false;
    }
  }
  for (const auto& t : kTextOptions)
    if (p.isSet(t.name)) o.values.*t.field = p.value(t.name).toUtf8();
  if (!ReadInt(p, "code-page", 0, 9999, o.values.codePage, error)) return false;
  if (!ReadInt(p, "charset", -99, 999, o.values.charset, error)) return false;
  if (p.isSet("font-8x16")) {
    const QString v = p.value("font-8x16").toLower();
    if (v != QLatin1String("on") && v != QLatin1String("off")) {
      *error = QStringLiteral("--font-8x16 wants on or off");
      return false;
    }
    o.values.font8x16 = v == QLatin1String("on");
  }

  o.statePath = p.value("state");
  o.logPath = p.value("log");
  o.faults.silent = p.isSet("silent");
  o.faults.noHeader = p.isSet("no-header");
  o.faults.garbage = p.isSet("garbage");
  return ReadInt(p, "delay-ms", 0, 600000, o.faults.delayMs, error) &&
         ReadInt(p, "drop-after", 0, 1 << 30, o.faults.dropAfter, error) &&
         ReadInt(p, "overlong", 0, 1 << 24, o.faults.overlong, error);
}

}  // namespace kestrova::sim
