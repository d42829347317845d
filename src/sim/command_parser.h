#pragma once
// Splits the byte stream a printer receives into commands. Pure: no I/O, no clock.
//
// Recognised (hex):
//   1D 49 n [00]            identity query, n = 43 model name, 41 firmware, 45 font ROM; the
//                           device-handle read sends it without the 00, so 1D 49 n is complete and
//                           one following 00 is swallowed
//   1D 67 34 m              setting query (switch bytes, counters, language settings)
//   1D 67 75 6E 6C 00       unlock
//   1D 67 6C 63 6B 00       lock
//   1D 67 38 f <field>      set a value; the field has a fixed length per f and holds the value text
//                           followed by zero bytes (switch fields: 4 bytes plus at most one further
//                           00, which covers the 8- and 9-byte commands and the separate 4-byte
//                           block of the device-handle path)
//   1D 28 41 02 00 00 02 [00]  self test
//   the seven font-test blocks
// Everything else comes out as Unknown commands holding the skipped bytes.
#include <QByteArray>
#include <QString>

#include <vector>

namespace kestrova::sim {

// What a query reads or a set command writes.
enum class Item {
  ModelName, Firmware, FontRom,
  Sw1, Sw2, Sw3, Sw4, Sw5,
  HoursPowered, CutCount, InstallationDate, FailedCut, LinesPrinted, SerialNumber,
  LanguageModel, CodePage, Charset, Font8x16,
  CodePageName,  // written only; query 0x24 reads the language model
};

// Short name used in log events: "model-name", "SW3", "code-page-name", ...
QString ItemName(Item item);
// SW1..SW5 -> 0..4; -1 for every other item.
int SwitchIndexOf(Item item);

struct Command {
  enum class Kind { Query, Unlock, Lock, Set, SelfTest, FontBlock, Unknown };
  Kind kind = Kind::Unknown;
  Item item = Item::ModelName;  // Query, Set
  QByteArray value;             // Set: the field's text up to its first 00
  bool shortField = false;      // Set: the field was cut short by the start of another command
  int fontBlock = 0;            // FontBlock: 1..7
  QByteArray raw;               // the bytes this command was made of (Unknown: the skipped bytes)
  qint64 offset = 0;            // where raw starts in the stream the parser was fed (0 = first byte)
};

class CommandParser {
 public:
  // Takes the next received bytes; returns the commands they complete, in order. Bytes of a
  // command that is still incomplete are kept for the next call (at most one font-test block).
  std::vector<Command> feed(const QByteArray& bytes);

  // Bytes held back as the start of an incomplete command.
  const QByteArray& pendingBytes() const { return buffer_; }

 private:
  enum class Status { Complete, NeedMore, NoMatch };
  struct Match {
    Status status = Status::NoMatch;
    int length = 0;
    Command command;
    int zerosAfter = 0;  // trailing 00 bytes that may follow and are swallowed
  };

  Match matchAt(const QByteArray& buf);
  Match matchSet(const QByteArray& buf) const;
  void flushUnknown(std::vector<Command>& out);

  QByteArray buffer_;
  qint64 consumed_ = 0;  // stream offset of buffer_'s first byte
  QByteArray unknown_;
  qint64 unknownOffset_ = 0;
  int zerosToSwallow_ = 0;
  int lastFontHeader_ = 0;  // 1 after block 1, 4 after block 4, 0 after block 7
};

}  // namespace kestrova::sim
