// The command line of kestrova-swctl: ParseCommandLine on the fuzz input split into argument words
// at line breaks.
//
// A --from option never names a file of this machine: its value is replaced by a path that does not
// exist, so the parse cannot read (or block on) whatever file the input names.
//
// Properties:
//  - the parse gives a request or a usage error, never both and never neither;
//  - a request holds only checked values: links with a host and a port 1..65535 or a device path,
//    models of the catalogue, switch names SW1-1..SW5-8 with ON or OFF, code page numbers of the
//    table, character set numbers 0..13 and 15..18;
//  - the same words parse the same way twice.
#include <QString>
#include <QStringList>

#include "cli/cli_request.h"
#include "fuzz_support.h"
#include "model/language_settings.h"

using namespace kestrova;
using namespace kestrova::cli;

namespace {

constexpr const char* kNoSuchFile = "/nonexistent/kestrova-fuzz/configuration.json";

QStringList Words(std::string_view input) {
  QStringList words;
  std::size_t start = 0;
  while (start <= input.size()) {
    std::size_t end = input.find('\n', start);
    if (end == std::string_view::npos) end = input.size();
    const std::string_view word = input.substr(start, end - start);
    QString w = QString::fromUtf8(word.data(), static_cast<qsizetype>(word.size()));
    if (w.startsWith(QLatin1String("--from"))) w = QStringLiteral("--from=") + QLatin1String(kNoSuchFile);
    if (w.startsWith(QLatin1String("--tcp-list"))) w = QStringLiteral("--tcp-list=") + QLatin1String(kNoSuchFile);
    words << w;
    start = end + 1;
  }
  return words;
}

bool ModelOk(ModelNo m) { return m == 0 || FindModel(m) != nullptr; }

void CheckRequest(const Request& r) {
  switch (r.command) {
    case Command::Models:
    case Command::Help:
    case Command::Version:
    case Command::UsbList:
      return;
    case Command::Explain:
      FUZZ_CHECK(ModelOk(r.model));
      FUZZ_CHECK(!r.switchVectors.empty());
      return;
    case Command::Read:
    case Command::Write:
    case Command::SelfTest:
    case Command::FontTest:
    case Command::Check:
    case Command::Probe:
      break;
  }
  FUZZ_CHECK(!r.links.empty());
  if (r.command == Command::SelfTest || r.command == Command::FontTest) FUZZ_CHECK(r.links.size() == 1);
  for (const LinkTarget& t : r.links) {
    switch (t.kind) {
      case LinkTarget::Kind::Tcp:
        FUZZ_CHECK(!t.host.empty());
        FUZZ_CHECK(t.port >= 1 && t.port <= 65535);
        break;
      case LinkTarget::Kind::Serial:
      case LinkTarget::Kind::Device: FUZZ_CHECK(!t.device.empty()); break;
      case LinkTarget::Kind::Usb: FUZZ_CHECK(ModelOk(t.selectedModel)); break;
    }
    FUZZ_CHECK(!t.label().empty());
  }
  const WriteEdits& e = r.edits;
  FUZZ_CHECK(!e.from.has_value());  // the only file it may name does not exist
  for (const SwitchSetting& s : e.sets) {
    FUZZ_CHECK(s.index >= 0 && s.index < kSwitchBits);
    FUZZ_CHECK(s.position == kPositionOn || s.position == kPositionOff);
  }
  if (e.codePageNumber) FUZZ_CHECK(CodePagePositionOfNumber(*e.codePageNumber).has_value());
  if (e.charsetNumber) FUZZ_CHECK(CharsetPositionOfNumber(*e.charsetNumber).has_value() && *e.charsetNumber != 14);
  if (r.command != Command::Write) {
    FUZZ_CHECK(!e.switches && e.sets.empty() && !e.codePageNumber && !e.charsetNumber && !e.fontOn);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QStringList words = Words(fuzz::AsView(data, size));
  const ParseResult first = ParseCommandLine(words);
  FUZZ_CHECK(first.request.has_value() != !first.error.empty());
  if (first.request) CheckRequest(*first.request);

  const ParseResult second = ParseCommandLine(words);
  FUZZ_CHECK(second.error == first.error);
  FUZZ_CHECK(second.request.has_value() == first.request.has_value());
  if (second.request) FUZZ_CHECK(second.request->command == first.request->command);
  return 0;
}
