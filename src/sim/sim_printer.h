#pragma once
// One simulated printer: what it stores, what it answers, what a write changes. Pure: no I/O.
//
// Queries are answered from the current values: 5F, the value as ASCII text, 00. Values written
// between unlock and lock become pending and replace the current ones at restart(), as a real
// printer takes them over only after it is switched off and on again.
#include <QByteArray>
#include <QString>

#include <array>
#include <optional>
#include <vector>

#include "sim/command_parser.h"

namespace kestrova::sim {

// Everything a printer reports.
struct PrinterValues {
  QByteArray modelName = "RT-5600";
  QByteArray firmware = "V1.05";
  std::array<quint8, 5> switches{};  // SW1..SW5
  QByteArray hoursPowered = "1234";
  QByteArray cutCount = "5678";
  QByteArray installationDate = "2025-01-15";
  QByteArray failedCut = "0";
  QByteArray linesPrinted = "98765";
  QByteArray serialNumber = "KS00000001";
  QByteArray languageModel = "ENG";
  QByteArray fontRom = "ANK";
  int codePage = 0;
  QByteArray codePageName;  // written only; no query reads it
  int charset = 0;
  bool font8x16 = false;

  bool operator==(const PrinterValues& o) const;
};

// Values written but not yet in effect.
struct PendingValues {
  std::array<std::optional<quint8>, 5> switches;
  std::optional<int> codePage;
  std::optional<QByteArray> codePageName;
  std::optional<int> charset;
  std::optional<bool> font8x16;

  bool empty() const;
  bool operator==(const PendingValues& o) const;
};

// The name a printer of the catalogue reports ("RT-3200" for RT3200, "MV75_USB" for MV7500);
// empty for an unknown model code.
QByteArray ReportedNameOf(const QString& modelCode);

// The outcome of one command.
struct Step {
  Command::Kind kind = Command::Kind::Unknown;
  QByteArray reply;     // bytes to send back; empty for commands without a reply
  QString event;        // log text: "unlock", "set SW3=128", "font-test block 3", ...
  bool changed = false; // the pending values changed
};

class SimPrinter {
 public:
  explicit SimPrinter(PrinterValues values = {}) : current_(std::move(values)) {}

  // Runs the commands that bytes complete on the printer's own parser; returns the replies joined.
  QByteArray feed(const QByteArray& bytes);
  // Runs bytes arriving on one link (each link keeps its own parser); one step per command.
  std::vector<Step> feed(CommandParser& link, const QByteArray& bytes);
  Step execute(const Command& command);

  // Power cycle: pending values take effect; the printer is locked again.
  void restart();

  const PrinterValues& current() const { return current_; }
  const PendingValues& pending() const { return pending_; }
  void setPending(const PendingValues& p) { pending_ = p; }
  bool unlocked() const { return unlocked_; }

  int selfTests() const { return selfTests_; }
  // How often font-test block n (1..7) was received.
  int fontBlocks(int n) const { return fontBlocks_.at(static_cast<std::size_t>(n)); }

  // The value text that a query of item returns.
  QByteArray valueText(Item item) const;

 private:
  Step set(const Command& command);

  PrinterValues current_;
  PendingValues pending_;
  CommandParser parser_;
  bool unlocked_ = false;
  int selfTests_ = 0;
  std::array<int, 8> fontBlocks_{};
};

// Bytes as lower-case hex pairs separated by blanks: "1d 49 43 00".
QString HexBytes(const QByteArray& bytes);

}  // namespace kestrova::sim
