#include "cli/address_range.h"

#include <algorithm>

namespace kestrova::cli {

namespace {

// A decimal number of 1 to 3 digits up to max, no sign or blank.
std::optional<std::uint32_t> Number(const std::string& text, std::uint32_t max) {
  if (text.empty() || text.size() > 3) return std::nullopt;
  std::uint32_t n = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return n <= max ? std::optional(n) : std::nullopt;
}

std::optional<std::uint32_t> Address(const std::string& text) {
  std::uint32_t address = 0;
  std::size_t start = 0;
  for (int octet = 0; octet < 4; ++octet) {
    const std::size_t dot = octet < 3 ? text.find('.', start) : text.size();
    if (dot == std::string::npos) return std::nullopt;
    const auto n = Number(text.substr(start, dot - start), 255);
    if (!n) return std::nullopt;
    address = address << 8 | *n;
    start = dot + 1;
  }
  return address;
}

}  // namespace

std::optional<AddressRange> ParseAddressRange(const std::string& text, std::string& error) {
  const auto cut = text.find_first_of("/-");
  const auto address = Address(text.substr(0, cut));
  if (!address) {
    error = text + ": not an IPv4 address (A.B.C.D, A.B.C.D/NN or A.B.C.D-E)";
    return std::nullopt;
  }
  if (cut == std::string::npos) return AddressRange{*address, *address};
  const auto n = Number(text.substr(cut + 1), text[cut] == '/' ? 32 : 255);
  if (text[cut] == '/') {
    if (!n) {
      error = text + ": the prefix length is a number from 0 to 32";
      return std::nullopt;
    }
    const std::uint64_t hosts = std::uint64_t{1} << (32 - *n);
    const auto first = static_cast<std::uint32_t>(*address & ~(hosts - 1));
    const auto last = static_cast<std::uint32_t>(first + (hosts - 1));
    if (hosts >= 4) return AddressRange{first + 1, last - 1};
    return AddressRange{first, last};
  }
  if (!n || *n < (*address & 0xFF)) {
    error = text + ": the last address's final number is from " + std::to_string(*address & 0xFF) + " to 255";
    return std::nullopt;
  }
  return AddressRange{*address, (*address & ~0xFFu) | *n};
}

std::vector<AddressRange> MergedRanges(std::vector<AddressRange> ranges) {
  std::sort(ranges.begin(), ranges.end(), [](const AddressRange& a, const AddressRange& b) { return a.first < b.first; });
  std::vector<AddressRange> merged;
  for (const AddressRange& r : ranges) {
    if (!merged.empty() && std::uint64_t{r.first} <= std::uint64_t{merged.back().last} + 1)
      merged.back().last = std::max(merged.back().last, r.last);
    else
      merged.push_back(r);
  }
  return merged;
}

std::uint32_t AddressAt(const std::vector<AddressRange>& ranges, std::uint64_t i) {
  for (const AddressRange& r : ranges) {
    if (i < r.size()) return static_cast<std::uint32_t>(r.first + i);
    i -= r.size();
  }
  return 0;
}

std::string AddressText(std::uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string(address >> 16 & 0xFF) + "." +
         std::to_string(address >> 8 & 0xFF) + "." + std::to_string(address & 0xFF);
}

}  // namespace kestrova::cli
