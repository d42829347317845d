#pragma once
// The switch write: the five switch bytes and the language settings, sent between an unlock and a
// lock command. Nothing is read back.
//
// Every command is 1D 67 ...; a value command is 1D 67 38 f followed by the value text from its
// fifth byte, zero-padded to the command's length L and cut at L-4 bytes. Lengths per reply style
// of the link:
//
//   command          function  Stream  Bounded  Block
//   Unlock           75 6E 6C     6       6       6
//   SW1..SW5         27..2B    9 (SW3 8)  9       4 + a 4-byte value block
//   Code page        21           8       8       8
//   Code page name   24          25      25      25   (21 name bytes, no terminator when full)
//   Charset          22           7       7       7
//   New 8x16 font    25           8       8       8   ("ON" or 00 00)
//   Lock             6C 63 6B     6       6       6
//
// Stream (serial component): all eleven in order, 200 ms after each; the port is closed at the end.
// Bounded (TCP/IP): Unlock, SW2, SW3, SW5, code page, name, charset, font, Lock (200 ms after each);
//   then SW4 and then SW1, each in an unlock/lock pair of its own (200 ms after each command, 200 ms
//   after the pair), reconnecting first when the connection is down. The connection stays open.
// Block (device handle): Unlock; each switch as header and value block, 500 ms after each switch;
//   code page, name, charset, font, Lock without pause; the handle is closed (no discard).
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/byte_link.h"
#include "link/clock.h"
#include "model/notifier.h"
#include "protocol/pacing.h"

namespace kestrova {

// What the window's controls hold when "Write Settings" is pressed.
struct WriteValues {
  // SW1..SW5; nullopt when a radio group of that switch has no position selected.
  std::array<std::optional<std::uint8_t>, 5> switches;
  int codePageNumber = 0;        // number of the selected code page, 0 when none
  std::string codePageName;      // text of the code page name box
  // International character set number of the selected entry (15..18 from positions 14..17);
  // nullopt when the box holds typed text rather than an entry of its list.
  std::optional<int> charSetNumber;
  bool fontOn = false;           // the new 8x16 font box shows "ON"
  // The values above that the last read did not take cleanly and the user did not set
  // (UnverifiedValues): a write of them would send the printer a value it never reported.
  std::vector<std::string> unverified;
};

struct WriteCommand {
  std::string name;   // "Unlock", "SW3", "SW3 value", "Code page", ...
  Bytes bytes;
  int pauseAfterMs = 0;
  // The value block that completes a switch header (Block links): the printer holds the header
  // until these four bytes come.
  bool valueBlock = false;
};

struct WriteFrame {
  std::string tag;    // trace tag of a separate frame ("WriteSW4", "WriteSW1"); empty for the main one
  std::vector<WriteCommand> commands;
  int pauseAfterMs = 0;
  // A separate frame checks the connection (and reconnects) first, and its failure does not stop the
  // frames after it.
  bool separate = false;
};
using WritePlan = std::vector<WriteFrame>;

constexpr int kBlockSwitchPauseMs = 500;
constexpr std::size_t kCodePageNameBytes = 21;

// Command builders.
Bytes UnlockCommand();
Bytes LockCommand();
// 1D 67 38 function, then text from the fifth byte; exactly length bytes.
Bytes ValueCommand(unsigned char function, std::string_view text, std::size_t length);

// Why values cannot be written (the switch or box at fault), traced as "nothing written"; nullopt
// when they can. Asked before anything is said or sent, and by every write.
std::optional<std::string> WriteRefusal(const WriteValues& values);

// The exact commands of a write over a link of that reply style. Values must pass WriteRefusal.
WritePlan BuildWritePlan(ReplyStyle style, const WriteValues& values);

enum class WriteOutcome {
  Written,       // every command went out in full
  Refused,       // the values cannot be written; nothing was sent
  NotConnected,  // the link was not open (and reconnecting did not help); nothing was sent
  SendFailed,    // a send failed or was short
};

struct WriteResult {
  WriteOutcome outcome = WriteOutcome::SendFailed;
  std::string detail;  // what went wrong, for the message's detail
  bool ok() const { return outcome == WriteOutcome::Written; }
};

// Connects the link again (the separate frames of a Bounded link); true when it is connected afterwards.
using Reconnect = std::function<Task<bool>()>;

// Sends a plan over an open link, pausing through the clock. A command that fails ends its frame:
// a value block whose header went out is sent once more, so the printer is not left holding a
// header, and Lock is still tried, so a printer that was busy for one command is not left
// unlocked. A failed main frame ends the write; a failed separate frame is traced and the next
// frame goes on.
Task<WriteResult> RunWritePlan(ByteLink& link, Clock& clock, const WritePlan& plan, const Reconnect& reconnect = {});

// The whole write over a link opened by the caller, framed by its reply style: refuses incomplete
// values, sends, and closes a Stream or Block link at the end (a Bounded link stays connected).
Task<WriteResult> WriteSwitchSettings(ByteLink& link, Clock& clock, const WriteValues& values,
                                const Reconnect& reconnect = {});

// What the window and the tool say of an operation's end.
inline constexpr const char* kReadFailedText = "Read software switch FAILED";
inline constexpr const char* kOpenUsbFailedText = "Open usb FAILED";
inline constexpr const char* kWriteFailedText = "Write software switch FAILED";
inline constexpr const char* kWriteOkText = "Write software switch settings OK, please reboot your printer";
inline constexpr const char* kSelfTestFailedText = "Self Test FAILED";
inline constexpr const char* kFontTestFailedText = "Fonts Test FAILED";

// "Don't let printer shut down when writing settings" / "WARNNING", shown before the write.
UserMessage WriteWarningMessage();
// "Write software switch settings OK, please reboot your printer" / "FINISH" for a write that went
// out in full; "Write software switch FAILED" / "WARNING" otherwise.
UserMessage WriteOutcomeMessage(const WriteResult& result);

}  // namespace kestrova
