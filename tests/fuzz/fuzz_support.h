#pragma once
// Shared pieces of the fuzz targets: a property check that stops the run, and a reader that takes
// the fuzz input from the front (past its end every read yields 0 or nothing).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// A violated property prints where and what, then aborts: libFuzzer reports a crash, saves the input.
#define FUZZ_CHECK(cond) ((cond) ? void(0) : fuzz::Violated(__FILE__, __LINE__, #cond))

namespace fuzz {

[[noreturn]] inline void Violated(const char* file, int line, const char* what) {
  std::fprintf(stderr, "%s:%d: property violated: %s\n", file, line, what);
  std::abort();
}

inline std::string_view AsView(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

class InputReader {
 public:
  explicit InputReader(std::string_view input) : rest_(input) {}
  bool empty() const { return rest_.empty(); }
  std::uint8_t byte() { return static_cast<std::uint8_t>(bytes(1).c_str()[0]); }
  std::string bytes(std::size_t n) {
    std::string out(rest_.substr(0, n));
    rest_.remove_prefix(out.size());
    return out;
  }
  std::string chunk() { return bytes(byte()); }  // a length byte, then that many bytes

 private:
  std::string_view rest_;
};

}  // namespace fuzz
