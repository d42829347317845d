#pragma once
// Shared pieces of the fuzz targets: a property check that stops the run, a reader that takes the
// fuzz input from the front (past its end, 0 or nothing), and a list-position check.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

// A violated property prints where and what, then aborts: libFuzzer reports a crash, saves the input.
#define FUZZ_CHECK(cond) ((cond) ? void(0) : fuzz::Violated(__FILE__, __LINE__, #cond))

namespace fuzz {

[[noreturn]] inline void Violated(const char* file, int line, const char* what) {
  std::fprintf(stderr, "%s:%d: property violated: %s\n", file, line, what);
  std::abort();
}

struct InputReader {
  std::string_view rest;
  std::string bytes(std::size_t n) {
    std::string out(rest.substr(0, n));
    rest.remove_prefix(out.size());
    return out;
  }
  std::uint8_t byte() { return static_cast<std::uint8_t>(bytes(1).c_str()[0]); }
};

// A position in a list, or none (-1 or nullopt).
template <typename List>
bool InList(std::optional<int> position, const List& list) {
  return position.value_or(-1) >= -1 && position.value_or(-1) < static_cast<int>(list.size());
}

}  // namespace fuzz
