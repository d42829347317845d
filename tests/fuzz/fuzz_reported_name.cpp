// MatchReportedName over the serial, TCP/IP and USB lists, for any name text.
//
// Properties:
//  - a result is always a ModelNo of the catalogue (never 0, 2 or 5);
//  - the serial and USB lists hold the same names in another order: they agree for every name;
//  - TCP/IP never gives RT5500E, RT5502 or MV7120SK; only TCP/IP gives RT3206 and RT3207, and only
//    for exactly "RT-3206" / "RT-3207" (nothing may follow);
//  - a match depends only on the name up to its first 0x00, as it does for the C string the
//    printer's reply is;
//  - a serial or USB match is also a match of the TCP/IP list, except RT5500E (read as RT5500 over
//    TCP/IP) and the two names TCP/IP does not know.
#include <cstring>
#include <optional>

#include "fuzz_support.h"
#include "model/catalogue.h"

using namespace kestrova;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view name = fuzz::AsView(data, size);
  const std::string_view cName = name.substr(0, std::min(name.find('\0'), name.size()));

  const auto serial = MatchReportedName(NameList::Serial, name);
  const auto tcp = MatchReportedName(NameList::Tcp, name);
  const auto usb = MatchReportedName(NameList::Usb, name);

  for (const auto& r : {serial, tcp, usb}) {
    if (!r) continue;
    FUZZ_CHECK(*r != 0);
    FUZZ_CHECK(FindModel(*r) != nullptr);
    FUZZ_CHECK(FindModel(*r)->no == *r);
  }
  FUZZ_CHECK(serial == usb);

  FUZZ_CHECK(MatchReportedName(NameList::Serial, cName) == serial);
  FUZZ_CHECK(MatchReportedName(NameList::Tcp, cName) == tcp);
  FUZZ_CHECK(MatchReportedName(NameList::Usb, cName) == usb);

  if (tcp) FUZZ_CHECK(*tcp != 13 && *tcp != 12 && *tcp != 17);
  if (serial) FUZZ_CHECK(*serial != 18 && *serial != 19);
  if (tcp && *tcp == 18) FUZZ_CHECK(cName == "RT-3206");
  if (tcp && *tcp == 19) FUZZ_CHECK(cName == "RT-3207");

  if (serial) {
    switch (*serial) {
      case 13: FUZZ_CHECK(tcp == ModelNo{3}); break;      // "RT-5500E" over TCP/IP
      case 12:                                             // "RT-5502": unknown over TCP/IP
      case 17: FUZZ_CHECK(!tcp.has_value()); break;        // "MV71_USB": unknown over TCP/IP
      default: FUZZ_CHECK(tcp == serial); break;
    }
  } else if (tcp) {
    FUZZ_CHECK(*tcp == 18 || *tcp == 19);
  }
  return 0;
}
