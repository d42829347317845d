#include "protocol/read_integrity.h"

#include <cctype>

#include "model/language_settings.h"

namespace kestrova {

namespace {

// Decimal digits only, one to three of them, as the printer writes a number: no sign, blank,
// letter, exponent or leading zero.
bool PlainDecimal(std::string_view text, int& value) {
  if (text.empty() || text.size() > 3 || (text.size() > 1 && text[0] == '0')) return false;
  value = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

// The steps of the values a write sends back, in write order.
constexpr int kWrittenSteps[] = {2, 3, 4, 5, 6, 16, 17, 18};

}  // namespace

std::string ValueName(const Query& query) {
  if (query.effect == QueryEffect::Switch) return "SW" + std::to_string(query.switchNo);
  std::string caption = RecordFieldInfoOf(query.field).caption;
  while (!caption.empty() && caption.back() == ' ') caption.pop_back();
  return caption;
}

bool WholeReply(std::string_view reply) {
  return reply.size() >= 2 && static_cast<unsigned char>(reply[0]) == 0x5F && reply.find('\0') == reply.size() - 1;
}

bool MoreThanOneReply(std::string_view take) {
  const std::size_t end = take.find('\0');
  return end != std::string_view::npos && end + 1 < take.size();
}

bool ValueFits(const Query& query, std::string_view value) {
  int number = 0;
  switch (query.effect) {
    case QueryEffect::Switch: return PlainDecimal(value, number) && number <= 255;
    case QueryEffect::CodePage: return PlainDecimal(value, number) && CodePagePositionOfNumber(number).has_value();
    case QueryEffect::CharSet: {
      if (!PlainDecimal(value, number)) return false;
      // The list has no entry for 14: a reported 14 would come back as 15.
      const auto position = CharsetPositionOfNumber(number);
      return position && CharsetNumberAt(*position) == number;
    }
    case QueryEffect::NewFont: return value == "ON" || value.empty();
    case QueryEffect::ModelName:
    case QueryEffect::Field: return true;
  }
  return false;
}

std::vector<std::string> ReadIntegrity::uncleanNames() const {
  std::vector<std::string> names;
  for (const Query& q : Queries())
    if (!isClean(q.step)) names.push_back(ValueName(q));
  return names;
}

std::vector<std::string> UnverifiedValues(const ReadIntegrity& read, const UserSetValues& user) {
  std::vector<std::string> names;
  for (int step : kWrittenSteps) {
    const Query& q = Queries()[static_cast<std::size_t>(step - 1)];
    bool set = false;
    switch (q.effect) {
      case QueryEffect::Switch: set = user.switchBits[static_cast<std::size_t>(q.switchNo - 1)] == 0xFF; break;
      case QueryEffect::CodePage: set = user.codePage; break;
      case QueryEffect::CharSet: set = user.charSet; break;
      case QueryEffect::NewFont: set = user.font; break;
      default: break;
    }
    if (!set && !read.isClean(step)) names.push_back(ValueName(q));
  }
  return names;
}

}  // namespace kestrova
