// What a user hands kestrova-swctl: its command line, and the profile JSON file a --from names.
//
// Input: the argument words, one a line; after the first 0x00, the content of the profile. Every
// word starting with --from becomes --from=<a scratch file holding that content>; every --tcp-list
// names a file that does not exist, so no run reads (or blocks on) a file of this machine.
#include <stdlib.h>

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <fstream>
#include <string>

#include "cli/cli_request.h"
#include "fuzz_support.h"
#include "model/language_settings.h"

using namespace kestrova;
using namespace kestrova::cli;
using namespace kestrova::profile;

namespace {

// A profile is accepted or refused naming the line; an accepted one holds a catalogue model, at
// least one byte and entries of the language lists, and reads back the same after serialising.
std::optional<PrinterProfile> CheckProfile(const QByteArray& json) {
  std::string error;
  const auto p = ParseProfile(json, error);
  FUZZ_CHECK(p ? error.empty() : error.rfind("line ", 0) == 0);
  if (!p) return p;
  FUZZ_CHECK(ParseProfile(json, error, OpenBytes::Allowed) == p);
  FUZZ_CHECK(p->model == 0 || FindModel(p->model) != nullptr);
  FUZZ_CHECK(std::any_of(p->bytes.begin(), p->bytes.end(), [](const auto& b) { return b.has_value(); }));
  FUZZ_CHECK(fuzz::InList(p->codePagePosition, CodePageTable()) && fuzz::InList(p->charsetPosition, CharsetEntries()) &&
             fuzz::InList(p->fontPosition, New8x16FontEntries()));
  FUZZ_CHECK(ParseProfile(SerializeProfile(*p), error) == p);
  return p;
}

// A request holds only checked values: links with a host and a port 1..65535 or a device path,
// catalogue models, switches SW1-1..SW5-8 set ON or OFF, code pages of the table, character sets
// 0..13 and 15..18, and write edits only for a write.
void CheckRequest(const Request& r) {
  if (r.command == Command::Explain) FUZZ_CHECK((r.model == 0 || FindModel(r.model)) && !r.switchVectors.empty());
  FUZZ_CHECK(!r.links.empty() || r.command == Command::Models || r.command == Command::Help ||
             r.command == Command::Version || r.command == Command::UsbList || r.command == Command::Explain);
  if (r.command == Command::SelfTest || r.command == Command::FontTest) FUZZ_CHECK(r.links.size() == 1);
  for (const LinkTarget& t : r.links)
    FUZZ_CHECK(t.kind == LinkTarget::Kind::Tcp   ? !t.host.empty() && t.port >= 1 && t.port <= 65535
               : t.kind == LinkTarget::Kind::Usb ? t.selectedModel == 0 || FindModel(t.selectedModel) != nullptr
                                                 : !t.device.empty());  // serial line or device handle
  const WriteEdits& e = r.edits;
  for (const SwitchSetting& s : e.sets)
    FUZZ_CHECK(s.index >= 0 && s.index < kSwitchBits && (s.position == kPositionOn || s.position == kPositionOff));
  if (e.codePageNumber) FUZZ_CHECK(CodePagePositionOfNumber(*e.codePageNumber).has_value());
  if (e.charsetNumber) FUZZ_CHECK(CharsetPositionOfNumber(*e.charsetNumber).has_value() && *e.charsetNumber != 14);
  if (r.command != Command::Write)
    FUZZ_CHECK(!e.switches && e.sets.empty() && !e.codePageNumber && !e.charsetNumber && !e.fontOn);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = std::min(input.find('\0'), size);
  const std::string content(input.substr(std::min(cut + 1, size)));
  const auto saved = CheckProfile(QByteArray::fromStdString(content));

  static char folder[] = "/tmp/kestrova-fuzz-cli-XXXXXX";
  static const std::string file = mkdtemp(folder) ? std::string(folder) + "/profile.json" : std::string();
  static const QRegularExpression fromWord("(?s)^--from.*"), tcpListWord("(?s)^--tcp-list.*");
  QStringList words = QString::fromUtf8(input.data(), static_cast<qsizetype>(cut)).split(QLatin1Char('\n'));
  const bool from = words.indexOf(fromWord) >= 0;
  words.replaceInStrings(fromWord, QStringLiteral("--from=") + QString::fromStdString(file));
  words.replaceInStrings(tcpListWord, QStringLiteral("--tcp-list=/nonexistent/kestrova-fuzz"));
  if (from) FUZZ_CHECK(std::ofstream(file, std::ios::binary | std::ios::trunc) << content);

  // A request or a usage error, never both or neither; a --from profile is the one the file holds.
  const ParseResult parsed = ParseCommandLine(words);
  FUZZ_CHECK(parsed.request.has_value() == parsed.error.empty());
  if (parsed.request) CheckRequest(*parsed.request);
  if (parsed.request && parsed.request->edits.from) FUZZ_CHECK(from && parsed.request->edits.from == saved);
  return 0;
}
