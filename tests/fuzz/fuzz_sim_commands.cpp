// The simulator's command parser and printer on any byte stream. Input: chunks as they would arrive
// on a link, each a length byte and that many bytes, fed to a bare CommandParser (to see the
// commands), to SimPrinter::feed with a link's parser and to SimPrinter::feed with its own parser.
#include <QByteArray>

#include <algorithm>
#include <vector>

#include "fuzz_support.h"
#include "sim/command_parser.h"
#include "sim/sim_printer.h"

using namespace kestrova::sim;

namespace {

// GS I n for model name, firmware and serial number; GS g 4 m for the fifteen other items.
bool IsQueryCommand(const QByteArray& raw) {
  if (raw.size() == 3 && raw.startsWith("\x1dI")) return QByteArray("CAE").contains(raw[2]);
  return raw.size() == 4 && raw.startsWith("\x1dg4") &&
         QByteArray("\x27\x28\x29\x2A\x2B\x10\x15\x09\x16\x1B\x05\x24\x21\x22\x25").contains(raw[3]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InputReader in{std::string_view(reinterpret_cast<const char*>(data), size)};
  CommandParser parser, link;
  SimPrinter printer, own;
  QByteArray all, raw, replies, ownReplies;
  qsizetype commands = 0;
  while (!in.rest.empty()) {
    const QByteArray bytes = QByteArray::fromStdString(in.bytes(in.byte()));
    all += bytes;
    for (const Command& c : parser.feed(bytes)) {
      FUZZ_CHECK(!c.raw.isEmpty() && (c.kind != Command::Kind::Query || IsQueryCommand(c.raw)));
      commands += c.kind != Command::Kind::Unknown;
      raw += c.raw;
    }
    // Only a query gets a reply: 0x5F, the value text, one 0x00.
    for (const Step& step : printer.feed(link, bytes)) {
      const QByteArray& r = step.reply;
      FUZZ_CHECK(step.kind == Command::Kind::Query ? r.size() >= 2 && r[0] == '_' && r.indexOf('\0') == r.size() - 1
                                                   : r.isEmpty());
      replies += r;
    }
    ownReplies += own.feed(bytes);
    // What is held back as an incomplete command stays shorter than the longest command, a
    // font-test block of 130 bytes (0x80..0xFF, CR, LF).
    FUZZ_CHECK(link.pendingBytes().size() < 130 && link.pendingBytes() == parser.pendingBytes());
  }
  // No byte is lost or invented: the commands and the held-back bytes make up the input, less the
  // 0x00 swallowed after a command (at most one each).
  const qsizetype accounted = raw.size() + parser.pendingBytes().size();
  FUZZ_CHECK(accounted <= all.size() && all.size() - accounted <= commands);
  // The printer's own parser answers as a link's parser does; garbage without GS gets no reply.
  FUZZ_CHECK(ownReplies == replies && (all.contains('\x1d') || replies.isEmpty()));
  return 0;
}
