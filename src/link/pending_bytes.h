#pragma once
// Bytes a link has received and not yet handed out, with the bookkeeping that peek() needs
// ("has anything arrived since the last peek?").
#include <algorithm>
#include <cstddef>

#include "link/byte_link.h"

namespace kestrova {

class PendingBytes {
 public:
  void append(const Bytes& bytes) { data_ += bytes; }
  bool empty() const { return data_.empty(); }
  std::size_t size() const { return data_.size(); }

  // Takes at most maxBytes from the front.
  Bytes take(std::size_t maxBytes) {
    const std::size_t n = std::min(maxBytes, data_.size());
    Bytes out = data_.substr(0, n);
    data_.erase(0, n);
    peeked_ = peeked_ > n ? peeked_ - n : 0;
    return out;
  }
  Bytes takeAll() { return take(data_.size()); }

  // True when bytes arrived after the last peek().
  bool grewSincePeek() const { return data_.size() > peeked_; }
  Bytes peek() {
    peeked_ = data_.size();
    return data_;
  }

  void clear() {
    data_.clear();
    peeked_ = 0;
  }

 private:
  Bytes data_;
  std::size_t peeked_ = 0;
};

}  // namespace kestrova
