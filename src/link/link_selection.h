#pragma once
// The port selection ("Printer Port Selection") and the serial settings the user picks for
// COM1 to COM4. Pure data and rules: no widgets, no link is opened here.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

// What a selection text names.
//  - exactly "TCP/IP"                      -> Tcp
//  - exactly "USB"                         -> Usb
//  - containing "COM" anywhere             -> Com, number read after the first three characters
//    (COM1..COM4 go through the serial component, higher numbers through the device handle)
//  - anything else                         -> None (nothing is opened)
struct LinkKind {
  enum class Type { None, Tcp, Usb, Com };
  Type type = Type::None;
  int comNumber = 0;  // Com only: "COM12" gives 12; may be out of 1..20 for a typed text

  static LinkKind FromSelectionText(std::string_view text);

  bool isTcp() const { return type == Type::Tcp; }
  bool isUsb() const { return type == Type::Usb; }
  bool isCom() const { return type == Type::Com; }
  // COM1..COM4: the serial component with the user's settings.
  bool usesSerialComponent() const { return isCom() && comNumber >= 1 && comNumber <= 4; }
  // The number is one of the listed ports COM1..COM20.
  bool isListedCom() const { return isCom() && comNumber >= 1 && comNumber <= kComPortCount; }

  static constexpr int kComPortCount = 20;
};

// The 22 texts of the port selection, in order: "TCP/IP", "USB", "COM1" .. "COM20".
const std::vector<std::string>& PortSelectionTexts();
// Item selected after start-up ("USB").
constexpr int kDefaultPortSelection = 1;

// Whether a text is one of the 22 listed texts (the selection box also accepts typed text; only
// the listed texts are meant to start a read).
bool IsListedPortText(std::string_view text);

// The settings group shown for a selection text (CMB_RTPortSelectionChange): exactly "TCP/IP" ->
// Tcp; else containing "COM" -> Com; else containing "USB" -> Usb; else none of the three.
enum class SettingsGroup { None, Tcp, Com, Usb };
SettingsGroup SettingsGroupFor(std::string_view selectionText);

// Serial settings handed to the serial component (COM1..COM4 only).
enum class Handshaking { DtrDsr = 0, XonXoff = 1 };  // software handshaking none / XON/XOFF
enum class Parity { None = 0, Even = 1 };

// Radio buttons of the "Baud Rate" group, in the order they are tested.
constexpr std::array<int, 4> kBaudRates = {9600, 19200, 38400, 115200};

struct SerialSettings {
  int baudRate = 115200;
  Handshaking handshaking = Handshaking::DtrDsr;
  Parity parity = Parity::None;

  bool operator==(const SerialSettings& other) const {
    return baudRate == other.baudRate && handshaking == other.handshaking && parity == other.parity;
  }
  bool operator!=(const SerialSettings& other) const { return !(*this == other); }
};

// Item texts of the two radio groups, by item index.
constexpr std::array<const char*, 2> kHandshakingItems = {"DTR/DSR", "XON/XOFF"};
constexpr std::array<const char*, 2> kParityItems = {"NONE", "EVEN"};

// RDB_BaudRate9600Click: the rate of the first checked button (9600, 19200, 38400, 115200 in that
// order); with none checked the current rate stays.
int BaudRateFromButtons(const std::array<bool, 4>& checked, int currentRate);
// RBG_HandshakingClick / RBG_ParityCheckClick: item 0 or 1; any other item (none selected) keeps
// the current value.
Handshaking HandshakingFromItem(int itemIndex, Handshaking current);
Parity ParityFromItem(int itemIndex, Parity current);

// Decimal text to int by the C library's atoi rules (leading white space, optional sign, digits,
// stop at the first other character, no digits give 0); saturates instead of overflowing.
int AtoiText(std::string_view text);

// The TCP/IP settings: the address and port texts.
// "%u.%u.%u.%u" of a 32-bit address, most significant byte first (0xC0A8C0A8 -> 192.168.192.168).
std::string FormatHostText(std::uint32_t address);
// The reverse, for dotted decimal text of four fields 0..255; false for anything else.
bool ParseHostText(std::string_view text, std::uint32_t& address);
// The address the TCP/IP settings start with: 192.168.192.168.
constexpr std::uint32_t kDefaultPrinterAddress = 0xC0A8C0A8u;
// The port field's preset text.
constexpr const char* kDefaultPortText = "9100";
// The remote port text: the decimal text of the number a C decimal conversion reads from the
// port field ("9100" -> "9100", "9100x" -> "9100", "" -> "0").
std::string PortText(std::string_view portField);

}  // namespace kestrova
