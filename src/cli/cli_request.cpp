#include "cli/cli_request.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>

#include "cli/json_report.h"
#include "profile/backup_store.h"
#include "profile/regular_file.h"
#include "cli/tcp_list.h"
#include "cli/write_edits.h"
#include "model/catalogue.h"
#include "model/language_settings.h"

namespace kestrova::cli {

namespace {

std::string S(const QString& text) { return text.toStdString(); }

// Only digits, no sign, no blanks: a count or a byte, never a surprise.
std::optional<long> ParseDigits(const std::string& text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
  return std::stol(text);
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

const std::map<std::string, Command>& Commands() {
  static const std::map<std::string, Command> commands = {
      {"models", Command::Models}, {"explain", Command::Explain},    {"read", Command::Read},
      {"write", Command::Write},   {"self-test", Command::SelfTest}, {"font-test", Command::FontTest},
      {"usb-list", Command::UsbList}, {"check", Command::Check},   {"probe", Command::Probe},
      {"apply", Command::Apply},
      {"metrics", Command::Metrics}, {"discover", Command::Discover},
      {"backups", Command::Backups}, {"restore", Command::Restore},
  };
  return commands;
}

// Options each command accepts (besides --help and --version).
const QSet<QString>& AllowedOptions(Command command) {
  static const QSet<QString> models = {"json"};
  static const QSet<QString> explain = {"model", "switches", "json"};
  static const QSet<QString> read = {"tcp", "tcp-list", "serial", "device", "usb", "usb-device", "model", "baud",
                                     "parity", "handshake", "json", "fast"};
  static const QSet<QString> write = {"tcp", "tcp-list", "serial", "device", "usb", "usb-device", "model",
                                      "baud",     "parity", "handshake", "switches", "set",
                                      "code-page", "charset", "font8x16", "from",     "fast",
                                      "dry-run", "backup-dir"};
  static const QSet<QString> check = {"tcp", "tcp-list", "serial", "device", "usb", "usb-device", "model", "baud",
                                      "parity", "handshake", "json", "fast", "from"};
  static const QSet<QString> apply = {"tcp",      "tcp-list", "serial",  "device", "usb",      "usb-device",
                                      "model",    "baud",     "parity",  "handshake", "set",    "code-page",
                                      "charset",  "font8x16", "from",    "fast",      "json",   "check",
                                      "backup-dir"};
  static const QSet<QString> restore = {"tcp", "tcp-list", "serial", "device", "usb", "usb-device", "model", "baud",
                                        "parity", "handshake", "fast", "json", "backup", "backup-dir"};
  static const QSet<QString> backups = {"backup-dir"};
  static const QSet<QString> metrics = {"tcp", "tcp-list", "serial", "device", "usb", "usb-device", "model", "baud",
                                        "parity", "handshake", "fast", "from", "output"};
  static const QSet<QString> probe = {"serial", "handshake", "json"};
  static const QSet<QString> discover = {"port", "timeout", "max-parallel", "json", "format", "force"};
  // The line settings are refused below, with the reason.
  static const QSet<QString> test = {"tcp",  "serial", "device", "usb", "usb-device", "model", "baud", "parity",
                                     "handshake"};
  static const QSet<QString> none = {};
  switch (command) {
    case Command::Models: return models;
    case Command::Explain: return explain;
    case Command::Read: return read;
    case Command::Write: return write;
    case Command::Check: return check;
    case Command::Apply: return apply;
    case Command::Restore: return restore;
    case Command::Backups: return backups;
    case Command::Probe: return probe;
    case Command::Metrics: return metrics;
    case Command::Discover: return discover;
    case Command::SelfTest:
    case Command::FontTest: return test;
    default: return none;
  }
}

std::string CommandName(Command command) {
  for (const auto& [name, c] : Commands())
    if (c == command) return name;
  return {};
}

struct Fail {
  std::string message;
};

Request Only(Command command) {
  Request r;
  r.command = command;
  return r;
}

// How often an option was given (a flag has no values to count).
int Count(const QCommandLineParser& parser, const char* name) {
  return static_cast<int>(parser.optionNames().count(QString::fromLatin1(name)));
}

LinkTarget ParseTcp(const std::string& text) {
  LinkTarget t;
  t.kind = LinkTarget::Kind::Tcp;
  // The printers speak IPv4 only, and the link connects over IPv4. A host name holds no colon,
  // so a second colon (or an opening bracket) can only be an IPv6 address, which would otherwise
  // be split at its last colon and fail at the connect.
  if ((!text.empty() && text.front() == '[') || std::count(text.begin(), text.end(), ':') > 1)
    throw Fail{"--tcp " + text + ": an IPv6 address; only IPv4 addresses and host names are supported"};
  std::string host = text;
  const auto colon = text.rfind(':');
  if (colon != std::string::npos) {
    host = text.substr(0, colon);
    const auto port = ParseDigits(text.substr(colon + 1));
    if (!port || *port < 1 || *port > 65535)
      throw Fail{"--tcp " + text + ": the port must be a number from 1 to 65535"};
    t.port = static_cast<int>(*port);
  }
  if (host.empty()) throw Fail{"--tcp " + text + ": no host given"};
  t.host = host;
  return t;
}

int ParseBaud(const std::string& text) {
  const auto rate = ParseDigits(text);
  for (int allowed : kBaudRates)
    if (rate && *rate == allowed) return allowed;
  throw Fail{"--baud " + text + ": the baud rate is one of 9600, 19200, 38400, 115200"};
}

Parity ParseParity(const std::string& text) {
  const std::string v = Upper(text);
  if (v == "NONE") return Parity::None;
  if (v == "EVEN") return Parity::Even;
  throw Fail{"--parity " + text + ": the parity is none or even"};
}

Handshaking ParseHandshake(const std::string& text) {
  const std::string v = Upper(text);
  if (v == "DTR-DSR" || v == "DTR/DSR") return Handshaking::DtrDsr;
  if (v == "XON-XOFF" || v == "XON/XOFF") return Handshaking::XonXoff;
  throw Fail{"--handshake " + text + ": the handshaking is dtr-dsr or xon-xoff"};
}

ModelNo ParseModelOption(const std::string& text) {
  if (const auto m = ParseModel(text)) return *m;
  throw Fail{"--model " + text + ": no such model; `kestrova-swctl models` lists the model codes and numbers"};
}

// The window selects a USB model only through its model list: a model without an entry there
// (RT5602) is never selected, so its product-table row is never taken.
ModelNo ParseUsbModelOption(const std::string& text) {
  const ModelNo m = ParseModelOption(text);
  const PrinterModel* model = FindModel(m);
  if (!model || model->listPosition < 0)
    throw Fail{"--model " + text + ": not in the model list, so no USB printer is taken for it"};
  return m;
}

SwitchSetting ParseSet(const std::string& text) {
  const auto eq = text.find('=');
  const std::string usage = "--set " + text + ": expected SWn-b=ON or SWn-b=OFF (n 1 to 5, b 1 to 8)";
  if (eq == std::string::npos) throw Fail{usage};
  const auto index = ParseSwitchName(Upper(text.substr(0, eq)));
  const std::string value = Upper(text.substr(eq + 1));
  if (!index || (value != "ON" && value != "OFF")) throw Fail{usage};
  return {*index, value == "ON" ? kPositionOn : kPositionOff};
}

int ParseCodePage(const std::string& text) {
  const auto n = ParseDigits(text);
  if (n && CodePagePositionOfNumber(static_cast<int>(*n))) return static_cast<int>(*n);
  std::string numbers;
  for (const auto& e : CodePageTable()) numbers += (numbers.empty() ? "" : ", ") + std::to_string(e.number);
  throw Fail{"--code-page " + text + ": no such code page; the code pages are " + numbers};
}

int ParseCharset(const std::string& text) {
  const auto n = ParseDigits(text);
  if (n && *n <= 18) {
    for (int p = 0; p < static_cast<int>(CharsetEntries().size()); ++p)
      if (CharsetNumberAt(p) == static_cast<int>(*n)) return static_cast<int>(*n);
  }
  throw Fail{"--charset " + text + ": no such international character set; the numbers are 0 to 13 and 15 to 18"};
}

bool ParseFont(const std::string& text) {
  const std::string v = Upper(text);
  if (v == "ON") return true;
  if (v == "OFF") return false;
  throw Fail{"--font8x16 " + text + ": expected ON or OFF"};
}

SavedConfiguration ReadConfigurationFile(const std::string& path, const std::string& option = "--from") {
  std::string error;
  const auto data = profile::ReadProfileFile(path, error);
  if (!data) throw Fail{option + " " + path + ": " + error};
  const auto saved = profile::ParseProfile(*data, error);
  if (!saved) throw Fail{option + " " + path + ": " + error};
  return *saved;
}

// The folder of --output must exist and take new files (the file is written there under a
// temporary name, then renamed), so that a wrong path fails before any printer is read.
std::string CheckOutputPath(const std::string& path) {
  if (path.empty()) throw Fail{"--output needs a file name"};
  const QFileInfo file(QString::fromStdString(path));
  if (file.isDir()) throw Fail{"--output " + path + ": a directory; give a file name"};
  // The rename would replace a device node or a FIFO, not write into it.
  if (file.exists() && !file.isFile()) throw Fail{"--output " + path + ": not a regular file"};
  const QFileInfo folder(file.absolutePath());
  if (!folder.isDir()) throw Fail{"--output " + path + ": the folder " + S(folder.filePath()) + " does not exist"};
  if (!folder.isWritable()) throw Fail{"--output " + path + ": the folder " + S(folder.filePath()) + " is not writable"};
  return path;
}

// A number option from min to max.
int NumberOption(const QCommandLineParser& parser, const char* name, int min, int max, int fallback) {
  if (!parser.isSet(name)) return fallback;
  if (Count(parser, name) > 1) throw Fail{std::string("--") + name + " given more than once"};
  const std::string text = S(parser.value(name));
  const auto n = ParseDigits(text);
  if (!n || *n < min || *n > max)
    throw Fail{std::string("--") + name + " " + text + ": a number from " + std::to_string(min) + " to " + std::to_string(max)};
  return static_cast<int>(*n);
}

Request BuildDiscover(const QCommandLineParser& parser, Request& r) {
  const QStringList ranges = parser.positionalArguments().mid(1);
  if (ranges.isEmpty()) throw Fail{"discover needs a RANGE: A.B.C.D, A.B.C.D/NN or A.B.C.D-E"};
  for (const QString& text : ranges) {
    std::string error;
    const auto range = ParseAddressRange(S(text), error);
    if (!range) throw Fail{error};
    r.ranges.push_back(*range);
  }
  r.ranges = MergedRanges(r.ranges);
  std::uint64_t total = 0;
  for (const AddressRange& range : r.ranges) total += range.size();
  if (total > kMaxDiscoverAddresses && !parser.isSet("force"))
    throw Fail{"the ranges name " + std::to_string(total) + " addresses, more than " + std::to_string(kMaxDiscoverAddresses) +
               "; give --force to contact them all"};
  r.port = NumberOption(parser, "port", 1, 65535, kDefaultTcpPort);
  r.timeoutMs = NumberOption(parser, "timeout", 1, 60000, r.timeoutMs);
  r.maxParallel = NumberOption(parser, "max-parallel", 1, 4096, r.maxParallel);
  if (parser.isSet("format")) {
    if (r.json) throw Fail{"give --json or --format, not both"};
    r.format = S(parser.value("format"));
    if (r.format != "file-sd" && r.format != "ansible-inventory")
      throw Fail{"--format " + r.format + ": the formats are file-sd and ansible-inventory"};
  } else if (r.json) {
    r.format = "json";
  }
  return r;
}

// The link options: which printers, over which link (the --tcp-list file read here).
void BuildLinks(const QCommandLineParser& parser, Request& r, const std::string& name) {
  const bool tcp = parser.isSet("tcp") || parser.isSet("tcp-list");
  const int kinds = (tcp ? 1 : 0) + (parser.isSet("serial") ? 1 : 0) + (parser.isSet("device") ? 1 : 0) +
                    (parser.isSet("usb") || parser.isSet("usb-device") ? 1 : 0);
  if (kinds == 0) throw Fail{name + " needs a link: --tcp HOST[:PORT], --serial DEVICE, --device DEVICE or --usb"};
  if (kinds > 1) throw Fail{"give one kind of link: --tcp, --serial, --device or --usb"};
  for (const char* single : {"serial", "device", "model", "baud", "parity", "handshake"})
    if (Count(parser, single) > 1) throw Fail{std::string("--") + single + " given more than once"};
  if (parser.isSet("usb") && parser.isSet("usb-device")) throw Fail{"give --usb or --usb-device, not both"};
  if (parser.isSet("model") && !parser.isSet("usb") && !parser.isSet("usb-device"))
    throw Fail{"--model applies to --usb only (the other links take the model the printer reports)"};
  for (const char* line : {"baud", "parity", "handshake"})
    if (parser.isSet(line) && !parser.isSet("serial"))
      throw Fail{std::string("--") + line + " applies to --serial only (--device keeps the line settings the system holds)"};
  const bool test = r.command == Command::SelfTest || r.command == Command::FontTest;
  for (const char* line : {"baud", "parity", "handshake"})
    if (test && parser.isSet(line))
      throw Fail{std::string("--") + line + " does not apply to " + name +
                 ": test prints keep the line settings the system holds"};

  if (tcp) {
    const QStringList hosts = parser.values("tcp");
    if (hosts.size() > 1 && test) throw Fail{name + " takes one printer"};
    for (const QString& h : hosts) r.links.push_back(ParseTcp(S(h)));
    for (const QString& path : parser.values("tcp-list")) {
      std::string error;
      const auto entries = ReadTcpList(S(path), error);
      if (!entries) throw Fail{"--tcp-list " + S(path) + ": " + error};
      for (const TcpListEntry& e : *entries) {
        try {
          r.links.push_back(ParseTcp(e.text));
        } catch (const Fail& f) {
          throw Fail{"--tcp-list " + S(path) + " line " + std::to_string(e.line) + ": " + f.message};
        }
      }
    }
    if (r.links.empty()) throw Fail{"--tcp-list names no printer"};
  } else if (parser.isSet("serial")) {
    LinkTarget t;
    t.kind = LinkTarget::Kind::Serial;
    t.device = S(parser.value("serial"));
    if (parser.isSet("baud")) t.serial.baudRate = ParseBaud(S(parser.value("baud")));
    if (parser.isSet("parity")) t.serial.parity = ParseParity(S(parser.value("parity")));
    if (parser.isSet("handshake")) t.serial.handshaking = ParseHandshake(S(parser.value("handshake")));
    if (t.device.empty()) throw Fail{"--serial needs a device path"};
    r.links.push_back(t);
  } else if (parser.isSet("device")) {
    LinkTarget t;
    t.kind = LinkTarget::Kind::Device;
    t.device = S(parser.value("device"));
    if (t.device.empty()) throw Fail{"--device needs a device path"};
    r.links.push_back(t);
  } else if (parser.isSet("usb-device")) {
    // Chosen printers, as several --tcp: without --model each takes the model its row names.
    const QStringList chosen = parser.values("usb-device");
    if (chosen.size() > 1 && test) throw Fail{name + " takes one printer"};
    for (const QString& c : chosen) {
      LinkTarget t;
      t.kind = LinkTarget::Kind::Usb;
      t.usbDevice = S(c);
      if (t.usbDevice.empty()) throw Fail{"--usb-device needs a place as usb-list shows it (1-4)"};
      t.selectedModel = parser.isSet("model") ? ParseUsbModelOption(S(parser.value("model"))) : 0;
      r.links.push_back(t);
    }
  } else {
    if (Count(parser, "usb") > 1) throw Fail{"--usb given more than once"};
    LinkTarget t;
    t.kind = LinkTarget::Kind::Usb;
    if (parser.isSet("model")) t.selectedModel = ParseUsbModelOption(S(parser.value("model")));
    r.links.push_back(t);
  }
}

// What a write or apply changes (the --from file read here).
void BuildEdits(const QCommandLineParser& parser, WriteEdits& e) {
  if (Count(parser, "switches") > 1) throw Fail{"write takes --switches once"};
  for (const char* single : {"code-page", "charset", "font8x16", "from"})
    if (Count(parser, single) > 1) throw Fail{std::string("--") + single + " given more than once"};
  if (parser.isSet("from")) e.from = ReadConfigurationFile(S(parser.value("from")));
  if (parser.isSet("switches")) {
    std::string error;
    const auto bytes = ParseSwitchBytes(S(parser.value("switches")), error);
    if (!bytes) throw Fail{"--switches " + S(parser.value("switches")) + ": " + error};
    e.switches = *bytes;
  }
  for (const QString& s : parser.values("set")) e.sets.push_back(ParseSet(S(s)));
  if (parser.isSet("code-page")) e.codePageNumber = ParseCodePage(S(parser.value("code-page")));
  if (parser.isSet("charset")) e.charsetNumber = ParseCharset(S(parser.value("charset")));
  if (parser.isSet("font8x16")) e.fontOn = ParseFont(S(parser.value("font8x16")));
  // A profile saved from a flaky read would spread what that printer only seemed to hold.
  if (const auto unclean = UncleanFromFile(e); !unclean.empty())
    throw Fail{profile::UncleanRefusal(S(parser.value("from")), unclean)};
}

Request Build(const QCommandLineParser& parser) {
  Request r;
  const QStringList positional = parser.positionalArguments();
  if (positional.isEmpty()) {
    if (parser.isSet("help")) return Only(Command::Help);
    if (parser.isSet("version")) return Only(Command::Version);
    throw Fail{"no command given; see kestrova-swctl --help"};
  }
  const auto command = Commands().find(S(positional.front()));
  if (command == Commands().end())
    throw Fail{"unknown command '" + S(positional.front()) + "'; see kestrova-swctl --help"};
  r.command = command->second;
  const std::size_t arguments = r.command == Command::Discover ? SIZE_MAX : r.command == Command::Backups ? 2 : 1;
  if (static_cast<std::size_t>(positional.size()) > arguments)
    throw Fail{"unexpected argument '" + S(positional.at(static_cast<qsizetype>(arguments))) + "'"};
  if (parser.isSet("help")) return Only(Command::Help);
  const std::string name = CommandName(r.command);

  for (const QString& option : parser.optionNames()) {
    const QString longName = option == "h" ? "help" : option;
    if (longName == "help" || longName == "version") continue;
    if (!AllowedOptions(r.command).contains(longName))
      throw Fail{"option --" + S(longName) + " does not apply to " + name};
  }
  r.json = parser.isSet("json");
  r.fast = parser.isSet("fast");
  r.edits.dryRun = parser.isSet("dry-run");

  if (Count(parser, "backup-dir") > 1) throw Fail{"--backup-dir given more than once"};
  if (parser.isSet("backup-dir") && parser.value("backup-dir").isEmpty()) throw Fail{"--backup-dir needs a folder"};
  r.backupRoot = profile::BackupRoot(S(parser.value("backup-dir")));
  if (r.command == Command::Backups) r.printer = S(positional.value(1));
  if (r.command == Command::Models || r.command == Command::UsbList || r.command == Command::Backups) return r;
  if (r.command == Command::Discover) return BuildDiscover(parser, r);

  if (r.command == Command::Explain) {
    if (!parser.isSet("model")) throw Fail{"explain needs --model MODEL"};
    if (!parser.isSet("switches")) throw Fail{"explain needs --switches B1,B2,B3,B4,B5"};
    if (Count(parser, "model") > 1) throw Fail{"--model given more than once"};
    r.model = ParseModelOption(S(parser.value("model")));
    for (const QString& v : parser.values("switches")) {
      std::string error;
      const auto bytes = ParseSwitchBytes(S(v), error);
      if (!bytes) throw Fail{"--switches " + S(v) + ": " + error};
      r.switchVectors.push_back(*bytes);
    }
    return r;
  }

  BuildLinks(parser, r, name);

  if (r.command == Command::Probe && !parser.isSet("serial")) throw Fail{"probe needs --serial DEVICE"};
  if (r.command == Command::Check) {
    if (!parser.isSet("from")) throw Fail{"check needs --from FILE.json"};
    if (Count(parser, "from") > 1) throw Fail{"--from given more than once"};
    r.edits.from = ReadConfigurationFile(S(parser.value("from")));
  }
  if (r.command == Command::Metrics) {
    for (const char* single : {"from", "output"})
      if (Count(parser, single) > 1) throw Fail{std::string("--") + single + " given more than once"};
    if (parser.isSet("from")) r.edits.from = ReadConfigurationFile(S(parser.value("from")));
    if (parser.isSet("output")) r.outputPath = CheckOutputPath(S(parser.value("output")));
  }
  if (r.command == Command::Apply) {
    bool target = false;
    for (const char* value : {"from", "set", "code-page", "charset", "font8x16"}) target = target || parser.isSet(value);
    if (!target) throw Fail{"apply needs --from FILE.json or a setting (--set, --code-page, --charset, --font8x16)"};
    r.edits.onlyWhenDifferent = true;
    r.edits.dryRun = parser.isSet("check");
  } else if (r.command == Command::Restore) {
    // The apply of a backup: of the one named, or of each printer's newest.
    r.edits.onlyWhenDifferent = true;
    if (Count(parser, "backup") > 1) throw Fail{"--backup given more than once"};
    if (!parser.isSet("backup")) {
      r.edits.fromNewestBackup = true;
      return r;
    }
    const std::string path = S(parser.value("backup"));
    r.edits.from = ReadConfigurationFile(path, "--backup");
    r.edits.fromPath = path;
    if (const auto unclean = UncleanFromFile(r.edits); !unclean.empty()) throw Fail{profile::UncleanRefusal(path, unclean)};
    return r;
  } else if (r.command != Command::Write) {
    return r;
  }
  BuildEdits(parser, r.edits);
  return r;
}

}  // namespace

std::string LinkTarget::label() const {
  switch (kind) {
    case Kind::Tcp: return host + ":" + std::to_string(port);
    case Kind::Serial:
    case Kind::Device: return device;
    case Kind::Usb: return usbDevice.empty() ? "USB" : "USB " + usbDevice;
  }
  return {};
}

std::optional<ModelNo> ParseModel(const std::string& text) {
  if (const auto n = ParseDigits(text)) {
    if (*n == 0) return ModelNo(0);
    if (*n <= 255 && FindModel(static_cast<ModelNo>(*n))) return static_cast<ModelNo>(*n);
    return std::nullopt;
  }
  if (const PrinterModel* m = FindModelByCode(Upper(text))) return m->no;
  return std::nullopt;
}

std::optional<SwitchBytes> ParseSwitchBytes(const std::string& text, std::string& error) {
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  while (true) {
    const auto comma = text.find(',', start);
    parts.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (parts.size() != kSwitchBytes) {
    error = "expected five bytes B1,B2,B3,B4,B5, got " + std::to_string(parts.size());
    return std::nullopt;
  }
  SwitchBytes bytes{};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const auto v = ParseDigits(parts[i]);
    if (!v || *v > 255) {
      error = "SW" + std::to_string(i + 1) + " is '" + parts[i] + "'; a byte is a decimal number from 0 to 255";
      return std::nullopt;
    }
    bytes[i] = static_cast<std::uint8_t>(*v);
  }
  return bytes;
}

ParseResult ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
  parser.addOptions({
      {{"h", "help"}, "help"},
      {"version", "version"},
      {"json", "json"},
      {"fast", "fast"},
      {"tcp", "tcp", "HOST[:PORT]"},
      {"tcp-list", "tcp-list", "FILE"},
      {"serial", "serial", "DEVICE"},
      {"device", "device", "DEVICE"},
      {"usb", "usb"},
      {"usb-device", "usb-device", "BUS-ADDRESS"},
      {"model", "model", "MODEL"},
      {"baud", "baud", "RATE"},
      {"parity", "parity", "PARITY"},
      {"handshake", "handshake", "HANDSHAKE"},
      {"switches", "switches", "B1,B2,B3,B4,B5"},
      {"set", "set", "SWn-b=ON|OFF"},
      {"code-page", "code-page", "N"},
      {"charset", "charset", "N"},
      {"font8x16", "font8x16", "ON|OFF"},
      {"from", "from", "FILE"},
      {"dry-run", "dry-run"},
      {"check", "check"},
      {"output", "output", "FILE"},
      {"port", "port", "N"},
      {"timeout", "timeout", "MS"},
      {"max-parallel", "max-parallel", "N"},
      {"format", "format", "FORMAT"},
      {"force", "force"},
      {"backup", "backup", "FILE"},
      {"backup-dir", "backup-dir", "DIR"},
  });
  ParseResult result;
  if (!parser.parse(QStringList{"kestrova-swctl"} + arguments)) {
    result.error = S(parser.errorText());
    return result;
  }
  try {
    result.request = Build(parser);
  } catch (const Fail& f) {
    result.error = f.message;
  }
  return result;
}

}  // namespace kestrova::cli
