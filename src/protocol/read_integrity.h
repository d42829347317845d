#pragma once
// Which replies of a read were taken cleanly, so that a write sends back only what the printer
// really reported (or what the user set), never a value shifted, cut short or guessed.
//
// A reply is clean when it came whole (0x5F, the text, 0x00 and nothing after it) inside its own
// query's window, and its value is one the query can have: a switch byte as plain decimal 0 to
// 255, a code page or an international character set that the lists hold, a font state "ON" or
// empty. A read is out of step when bytes were already waiting as a query went out, or when bytes
// still came after the last query while an earlier query had gone unanswered: a late reply was (or
// may have been) taken by the next query, so no value of such a read is clean.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/query_table.h"

namespace kestrova {

struct ReadIntegrity {
  std::array<bool, kQueryCount> clean{};  // by query step - 1
  bool outOfStep = false;

  bool isClean(int step) const { return !outOfStep && clean[static_cast<std::size_t>(step - 1)]; }
  void markClean(int step, bool ok) { clean[static_cast<std::size_t>(step - 1)] = ok; }
  // The names (ValueName) of the values not taken cleanly, in query order.
  std::vector<std::string> uncleanNames() const;
};

// "SW1".."SW5" for a switch query, otherwise the caption of the field it fills ("Code Page").
std::string ValueName(const Query& query);

// Whether the value text of a whole reply is one that its query can have.
bool ValueFits(const Query& query, std::string_view valueText);

// A whole reply: 0x5F, the text, one 0x00, nothing after it.
bool WholeReply(std::string_view reply);
// Bytes after a reply's 0x00 in one take: the start of another query's reply.
bool MoreThanOneReply(std::string_view take);

// The values of a write that the user set rather than the read: per switch byte a mask of the
// switches set, and the three language lists. The code page name follows the code page; a code
// page picked through its change handler sets the character set too (the caller marks both).
struct UserSetValues {
  std::array<std::uint8_t, 5> switchBits{};
  bool codePage = false;
  bool charSet = false;
  bool font = false;

  void setSwitch(int bitIndex) { switchBits[static_cast<std::size_t>(bitIndex / 8)] |= static_cast<std::uint8_t>(1u << (bitIndex % 8)); }
  void setByte(int n) { switchBits[static_cast<std::size_t>(n - 1)] = 0xFF; }
};

// The values a write would send that the read did not take cleanly and the user did not set
// whole, in the order of the write: "SW1".."SW5", "Code Page", "International Character Set",
// "New 8x16 Font".
std::vector<std::string> UnverifiedValues(const ReadIntegrity& read, const UserSetValues& user);

}  // namespace kestrova
