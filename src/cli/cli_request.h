#pragma once
// What one run of kestrova-swctl is asked to do, as parsed from its command line. Parsing checks
// everything that can be checked without a printer (models, bytes, switch names, code page and
// character set numbers, a --from file), so that a usage error never touches a link.
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/address_range.h"
#include "session/vocabulary.h"
#include "model/catalogue.h"
#include "model/switch_bank.h"
#include "profile/printer_profile.h"

namespace kestrova::cli {

// Exit status of the program.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // the printer or the link failed
constexpr int kExitUsage = 2;   // the command line cannot be carried out as given

constexpr int kDefaultTcpPort = 9100;
constexpr ModelNo kDefaultUsbModel = 9;  // RT5600, the model list's default entry

enum class Command { Models, Explain, Read, Write, SelfTest, FontTest, Help, Version, UsbList, Check, Probe, Apply, Metrics,
                     Discover, Backups, Restore };

// One printer and the way to reach it.
struct LinkTarget {
  enum class Kind {
    Tcp,     // --tcp HOST[:PORT]: the TCP/IP link
    Serial,  // --serial DEVICE: as COM1..COM4, the serial component with the user's line settings
    Device,  // --device DEVICE: as COM5..COM20, the device handle
    Usb,     // --usb: discovery over the product table
  };
  Kind kind = Kind::Tcp;
  std::string host;                 // Tcp
  int port = kDefaultTcpPort;       // Tcp
  std::string device;               // Serial, Device
  SerialSettings serial;            // Serial
  ModelNo selectedModel = kDefaultUsbModel;  // Usb: the model chosen in the model list
  std::string usbDevice;            // Usb: one chosen printer ("1-4", as usb-list shows it); empty: discovery

  // How results name the printer: "127.0.0.1:9100", "/dev/ttyUSB0", "USB", "USB 1-4".
  std::string label() const;
};

using SwitchBytes = std::array<std::uint8_t, kSwitchBytes>;

// One --set SWn-b=ON|OFF.
struct SwitchSetting {
  int index = 0;     // 0..39
  int position = 0;  // kPositionOn or kPositionOff
};

// The values of a configuration file (a profile, what `read --json` printed).
using SavedConfiguration = profile::PrinterProfile;

// What `write` changes in the values read, applied in this order.
struct WriteEdits {
  std::optional<SavedConfiguration> from;
  std::optional<SwitchBytes> switches;
  std::vector<SwitchSetting> sets;
  std::optional<int> codePageNumber;  // a number of the code page table
  std::optional<int> charsetNumber;   // 0..13 or 15..18
  std::optional<bool> fontOn;
  bool dryRun = false;  // read and show the changes; send nothing but the read's queries
  bool onlyWhenDifferent = false;  // apply: send nothing to a printer that holds the values already
  // restore without --backup: `from` is the printer's newest backup, found once it has been read
  bool fromNewestBackup = false;
  std::string fromPath;  // restore: the backup `from` was read from
};

struct Request {
  Command command = Command::Help;
  bool json = false;
  bool fast = false;
  std::vector<LinkTarget> links;
  // explain
  ModelNo model = 0;
  std::vector<SwitchBytes> switchVectors;
  // write, apply (apply --check is a dry run); check and metrics: edits.from only
  WriteEdits edits;
  // metrics: the file written in place of standard output; empty: standard output
  std::string outputPath;
  // write, apply, restore, backups: the backups folder (--backup-dir, or the default)
  std::string backupRoot;
  // backups: the printer whose backups are listed (a link or a serial number); empty: all
  std::string printer;
  // discover: the addresses (merged ranges), the port, the bound of one address's connect and
  // answers, how many addresses at once, and the output ("text", "json", "file-sd",
  // "ansible-inventory")
  std::vector<AddressRange> ranges;
  int port = kDefaultTcpPort;
  int timeoutMs = 1000;
  int maxParallel = 256;
  std::string format = "text";
};

// More addresses than this are refused unless --force is given (a mistyped prefix length).
constexpr std::uint64_t kMaxDiscoverAddresses = 65536;

struct ParseResult {
  std::optional<Request> request;
  std::string error;  // the usage error, naming the problem, when there is no request
};

// Parses the arguments after the program name.
ParseResult ParseCommandLine(const QStringList& arguments);

// A model code of the catalogue ("RT5600", any case) or a catalogue ModelNo ("9", "0").
std::optional<ModelNo> ParseModel(const std::string& text);
// "B1,B2,B3,B4,B5", each 0..255; error names the fault.
std::optional<SwitchBytes> ParseSwitchBytes(const std::string& text, std::string& error);

// The help text and the version line.
std::string HelpText();
std::string VersionText();

}  // namespace kestrova::cli
