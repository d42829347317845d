#pragma once
// The IPv4 ranges `discover` is given: an address, A.B.C.D/NN or A.B.C.D-E. Only the addresses a
// range names are ever contacted; of a network of /30 or larger, its network and broadcast
// addresses are left out (no host has them).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrova::cli {

struct AddressRange {
  std::uint32_t first = 0;  // host byte order
  std::uint32_t last = 0;   // inclusive
  std::uint64_t size() const { return std::uint64_t{last} - first + 1; }
};

// One RANGE; nullopt with error naming what is wrong ("/33: the prefix length is 0 to 32").
std::optional<AddressRange> ParseAddressRange(const std::string& text, std::string& error);

// The ranges sorted and merged, so that every address is contacted once, in ascending order.
std::vector<AddressRange> MergedRanges(std::vector<AddressRange> ranges);

// The i-th address of merged ranges (i below their total size).
std::uint32_t AddressAt(const std::vector<AddressRange>& ranges, std::uint64_t i);

std::string AddressText(std::uint32_t address);

}  // namespace kestrova::cli
