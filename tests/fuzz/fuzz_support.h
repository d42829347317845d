#pragma once
// Shared pieces of the fuzz targets: a property check that stops the run with a message, a reader
// over the fuzz input, a clock that only counts, and a ByteLink whose replies come from the input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "link/byte_link.h"
#include "link/clock.h"

// A property of the code under test. A violation prints where and what, then aborts, which
// libFuzzer reports as a crash and saves the input.
#define FUZZ_CHECK(cond)                                                                   \
  do {                                                                                     \
    if (!(cond)) {                                                                         \
      std::fprintf(stderr, "%s:%d: property violated: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                        \
    }                                                                                      \
  } while (0)

namespace fuzz {

inline std::string_view AsView(const std::uint8_t* data, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

// Takes the fuzz input from the front; past the end every read yields zeros or nothing.
class InputReader {
 public:
  explicit InputReader(std::string_view input) : rest_(input) {}

  bool empty() const { return rest_.empty(); }
  std::uint8_t byte() {
    if (rest_.empty()) return 0;
    const auto b = static_cast<std::uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return b;
  }
  // Four bytes, little-endian, as a signed int (any value, the extremes included).
  int int32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(byte()) << (8 * i);
    return static_cast<int>(v);
  }
  std::string bytes(std::size_t n) {
    const std::size_t k = n < rest_.size() ? n : rest_.size();
    std::string out(rest_.substr(0, k));
    rest_.remove_prefix(k);
    return out;
  }
  // A length byte, then that many bytes.
  std::string chunk() { return bytes(byte()); }
  std::string rest() { return bytes(rest_.size()); }

 private:
  std::string_view rest_;
};

// Time that only counts: a read with all its pauses runs in microseconds.
class CountingClock : public kestrova::Clock {
 public:
  void sleepMs(int ms) override {
    FUZZ_CHECK(ms >= 0);
    now_ += ms;
    ++sleeps;
  }
  std::int64_t nowMs() const override { return now_; }
  int sleeps = 0;

 private:
  std::int64_t now_ = 0;
};

// A link that answers every command it is sent with the next scripted event of the fuzz input.
// One control byte per send:
//   0x00..0xEF  a reply of that many bytes (taken from the input) arrives
//   0xFC        the send times out (nothing goes out, the link stays)
//   0xFD        nothing arrives
//   0xFE        the command goes out, then the link drops (closed from then on)
//   0xFF        the send fails (an I/O error)
//   other       nothing arrives
// Replies not taken stay buffered for later takes, as on a real link; a receive takes at most what
// it asks for.
class ScriptedLink : public kestrova::ByteLink {
 public:
  ScriptedLink(kestrova::LinkShape shape, kestrova::Clock& clock, InputReader& script)
      : shape_(shape), clock_(clock), script_(script) {}

  std::vector<kestrova::Bytes> sent;       // every command accepted, in order
  std::vector<kestrova::Bytes> attempted;  // every command handed to send(), failed ones included
  int failedSends = 0;
  bool lastSendOk = true;
  bool unplugged = false;  // the device went away after a send (control byte 0xFE)
  int closes = 0;

  kestrova::LinkShape shape() const override { return shape_; }
  bool isOpen() const override { return open_; }

  bool send(const kestrova::Bytes& bytes) override {
    attempted.push_back(bytes);
    lastSendOk = false;
    if (!open_) {
      error_ = {kestrova::LinkError::Kind::Closed, 0, "fuzz", "closed"};
      return false;
    }
    const std::uint8_t control = script_.byte();
    if (control == 0xFF || control == 0xFC) {
      ++failedSends;
      error_ = control == 0xFF ? kestrova::LinkError{kestrova::LinkError::Kind::Io, 5, "fuzz", "send failed"}
                               : kestrova::LinkError{kestrova::LinkError::Kind::TimedOut, 110, "fuzz", "send timed out"};
      return false;
    }
    sent.push_back(bytes);
    lastSendOk = true;
    if (control == 0xFE) {
      open_ = false;
      unplugged = true;
    } else if (control < 0xF0) {
      buffer_ += script_.bytes(control);
    }
    return true;
  }

  kestrova::Bytes takeAvailable() override {
    kestrova::Bytes out;
    out.swap(buffer_);
    peeked_ = 0;
    return out;
  }

  kestrova::Bytes receive(std::size_t maxBytes, int timeoutMs) override {
    FUZZ_CHECK(timeoutMs >= 0 && timeoutMs <= kestrova::kReceiveTimeoutMs);
    if (buffer_.empty()) clock_.sleepMs(timeoutMs);  // waited in vain
    kestrova::Bytes out = buffer_.substr(0, maxBytes);
    buffer_.erase(0, out.size());
    peeked_ = 0;
    return out;
  }

  kestrova::Bytes peek(int timeoutMs) override {
    FUZZ_CHECK(timeoutMs >= 0);
    // Nothing new since the last peek: the whole wait passes (nothing more is coming).
    if (peeked_ >= buffer_.size()) clock_.sleepMs(timeoutMs);
    peeked_ = buffer_.size();
    return buffer_;
  }

  void discard() override {
    buffer_.clear();
    peeked_ = 0;
  }
  void close() override {
    ++closes;
    open_ = false;
  }
  kestrova::LinkError lastError() const override { return error_; }

 private:
  kestrova::LinkShape shape_;
  kestrova::Clock& clock_;
  InputReader& script_;
  bool open_ = true;
  kestrova::Bytes buffer_;
  std::size_t peeked_ = 0;
  kestrova::LinkError error_;
};

}  // namespace fuzz
