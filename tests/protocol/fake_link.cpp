#include "fake_link.h"

using kestrova::Bytes;
using kestrova::LinkError;

kestrova::Task<bool> FakeLink::send(Bytes bytes) {
  events += 'S';
  if (!open) co_return error_ = {LinkError::Kind::Closed, 0, "fake", ""}, false;
  const int index = sends_++;
  if (index >= failFirst_ && index <= failLast_ && failFirst_ >= 0) {
    error_ = {LinkError::Kind::Io, 5, "fake", "write failed"};
    if (shortBy_ > 0) sent.push_back({clock_.nowMs(), bytes.substr(0, bytes.size() - static_cast<std::size_t>(shortBy_))});
    co_return false;
  }
  sent.push_back({clock_.nowMs(), bytes});
  auto it = script_.find(bytes);
  if (it != script_.end()) {
    for (const Part& part : it->second.front()) arrivals_.insert({clock_.nowMs() + part.delayMs, part.bytes});
    if (it->second.size() > 1) it->second.erase(it->second.begin());
  }
  if (afterSend) afterSend(index);
  co_return true;
}

void FakeLink::deliver() {
  while (!arrivals_.empty() && arrivals_.begin()->first <= clock_.nowMs()) {
    pending += arrivals_.begin()->second;
    arrivals_.erase(arrivals_.begin());
  }
}

void FakeLink::waitForArrival(int timeoutMs) {
  const auto deadline = clock_.nowMs() + timeoutMs;
  clock_.advanceTo(!arrivals_.empty() && arrivals_.begin()->first <= deadline ? arrivals_.begin()->first : deadline);
  deliver();
}

Bytes FakeLink::takeAvailable() {
  events += 'T';
  deliver();
  peeked_ = 0;
  return std::exchange(pending, {});
}

kestrova::Task<Bytes> FakeLink::receive(std::size_t maxBytes, int timeoutMs) {
  events += 'R';
  receiveSizes.push_back(maxBytes);
  if (!open) co_return error_ = {LinkError::Kind::Closed, 0, "fake", ""}, Bytes();
  deliver();
  if (pending.empty()) waitForArrival(timeoutMs);
  const Bytes out = pending.substr(0, maxBytes);
  pending.erase(0, out.size());
  peeked_ = 0;
  co_return out;
}

kestrova::Task<Bytes> FakeLink::peek(int timeoutMs) {
  events += 'P';
  deliver();
  if (pending.size() <= peeked_) waitForArrival(timeoutMs);
  peeked_ = pending.size();
  co_return pending;
}

void FakeLink::discard() {
  events += 'D';
  if (shape_ != kestrova::ReplyStyle::Block) pending.clear();
}

void FakeLink::close() {
  events += 'C';
  open = false;
}
