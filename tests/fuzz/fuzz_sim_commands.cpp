// The simulator's command parser and printer: any byte stream, cut into pieces by the fuzz input,
// fed to CommandParser::feed and SimPrinter::feed.
//
// Input: a series of chunks, each a length byte and that many bytes, as they would arrive on a link.
//
// Properties:
//  - the bytes held back as the start of a command never reach the length of the longest command
//    (a font-test block of 130 bytes);
//  - no byte is lost or invented: the commands' raw bytes and the held-back bytes make up the input,
//    less the 00 bytes swallowed after commands (at most one per command);
//  - only a query gets a reply, its raw bytes are exactly a known query command, and the reply is
//    0x5F, the value text, 0x00; garbage never gets a reply;
//  - the printer's own parser and a link's parser, fed the same pieces, give the same replies.
#include <QByteArray>

#include <vector>

#include "fuzz_support.h"
#include "sim/command_parser.h"
#include "sim/sim_printer.h"

using namespace kestrova;
using namespace kestrova::sim;

namespace {

constexpr int kLongestCommand = 130;  // font-test block 3 or 6: 0x80..0xFF, CR, LF

bool IsQueryCommand(const QByteArray& raw) {
  static const std::vector<QByteArray> known = [] {
    std::vector<QByteArray> k;
    for (char n : {0x43, 0x41, 0x45}) k.push_back(QByteArray("\x1d\x49", 2) + n);
    for (char m : {0x27, 0x28, 0x29, 0x2A, 0x2B, 0x10, 0x15, 0x09, 0x16, 0x1B, 0x05, 0x24, 0x21, 0x22, 0x25})
      k.push_back(QByteArray("\x1d\x67\x34", 3) + m);
    return k;
  }();
  for (const QByteArray& k : known)
    if (raw == k) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InputReader in(fuzz::AsView(data, size));
  SimPrinter printer;
  SimPrinter own;
  CommandParser link;
  QByteArray all;
  QByteArray rawSeen;
  std::size_t commands = 0;
  QByteArray stepReplies;
  QByteArray ownReplies;

  while (!in.empty()) {
    const std::string piece = in.chunk();
    const QByteArray bytes(piece.data(), static_cast<qsizetype>(piece.size()));
    all += bytes;

    for (const Step& step : printer.feed(link, bytes)) {
      if (step.kind == Command::Kind::Query) {
        FUZZ_CHECK(step.reply.size() >= 2);
        FUZZ_CHECK(step.reply.front() == '_' && step.reply.back() == '\0');
        FUZZ_CHECK(step.reply.count('\0') == 1);
      } else {
        FUZZ_CHECK(step.reply.isEmpty());
      }
      stepReplies += step.reply;
    }
    ownReplies += own.feed(bytes);
    FUZZ_CHECK(link.pendingBytes().size() < kLongestCommand);
  }

  // The same bytes once more, through a bare parser, to see the commands themselves.
  CommandParser parser;
  fuzz::InputReader again(fuzz::AsView(data, size));
  while (!again.empty()) {
    const std::string piece = again.chunk();
    for (const Command& c : parser.feed(QByteArray(piece.data(), static_cast<qsizetype>(piece.size())))) {
      FUZZ_CHECK(!c.raw.isEmpty());
      if (c.kind == Command::Kind::Query) FUZZ_CHECK(IsQueryCommand(c.raw));
      if (c.kind != Command::Kind::Unknown) ++commands;
      rawSeen += c.raw;
    }
  }
  const qsizetype accounted = rawSeen.size() + parser.pendingBytes().size();
  FUZZ_CHECK(accounted <= all.size());
  FUZZ_CHECK(all.size() - accounted <= static_cast<qsizetype>(commands));
  FUZZ_CHECK(parser.pendingBytes() == link.pendingBytes());

  FUZZ_CHECK(ownReplies == stepReplies);
  if (!all.contains('\x1d')) FUZZ_CHECK(stepReplies.isEmpty());
  return 0;
}
