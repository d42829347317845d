#include "fake_link.h"

#include <algorithm>

using kestrova::Bytes;

void FakeLink::answer(const Bytes& command, const Bytes& reply, int delayMs) {
  script_[command].push_back({{delayMs, reply}});
}

void FakeLink::answerParts(const Bytes& command, ScriptedReply parts) { script_[command].push_back(std::move(parts)); }

void FakeLink::silence(const Bytes& command) { script_[command].push_back({}); }

bool FakeLink::send(const Bytes& bytes) {
  events.push_back("send");
  if (!open_) {
    error_ = {kestrova::LinkError::Kind::Closed, 0, "fake", "not open"};
    return false;
  }
  const int index = sendCount_++;
  if ((failFrom_ >= 0 && index >= failFrom_ && index <= failUntil_) || index == failAt_) {
    error_ = {kestrova::LinkError::Kind::Io, 5, "fake", "write failed"};
    if (shortBy_ > 0 && bytes.size() > static_cast<std::size_t>(shortBy_))
      sent.push_back({clock_.nowMs(), bytes.substr(0, bytes.size() - static_cast<std::size_t>(shortBy_))});
    return false;
  }
  sent.push_back({clock_.nowMs(), bytes});
  auto it = script_.find(bytes);
  if (it != script_.end() && !it->second.empty()) {
    const ScriptedReply reply = it->second.front();
    if (it->second.size() > 1) it->second.pop_front();
    for (const ReplyPart& part : reply) arrivals_.push_back({clock_.nowMs() + part.delayMs, part.bytes});
    std::stable_sort(arrivals_.begin(), arrivals_.end(), [](const Arrival& a, const Arrival& b) { return a.at < b.at; });
  }
  if (afterSend) afterSend(index);
  return true;
}

void FakeLink::deliver() {
  while (!arrivals_.empty() && arrivals_.front().at <= clock_.nowMs()) {
    buffer_ += arrivals_.front().bytes;
    arrivals_.erase(arrivals_.begin());
  }
}

bool FakeLink::waitForArrival(int timeoutMs) {
  const auto deadline = clock_.nowMs() + std::max(timeoutMs, 0);
  if (!arrivals_.empty() && arrivals_.front().at <= deadline) {
    clock_.advanceTo(arrivals_.front().at);
    deliver();
    return true;
  }
  clock_.advanceTo(deadline);
  return false;
}

Bytes FakeLink::takeAvailable() {
  events.push_back("take");
  deliver();
  Bytes out;
  out.swap(buffer_);
  peeked_ = 0;
  return out;
}

Bytes FakeLink::receive(std::size_t maxBytes, int timeoutMs) {
  events.push_back("receive");
  receiveSizes.push_back(maxBytes);
  if (!open_) {
    error_ = {kestrova::LinkError::Kind::Closed, 0, "fake", "not open"};
    return {};
  }
  deliver();
  if (buffer_.empty()) waitForArrival(timeoutMs);
  const Bytes out = buffer_.substr(0, maxBytes);
  buffer_.erase(0, out.size());
  peeked_ = 0;
  return out;
}

Bytes FakeLink::peek(int timeoutMs) {
  events.push_back("peek");
  deliver();
  if (buffer_.size() <= peeked_) waitForArrival(timeoutMs);
  peeked_ = buffer_.size();
  return buffer_;
}

void FakeLink::discard() {
  events.push_back("discard");
  ++discards;
  if (shape_ != kestrova::LinkShape::DeviceHandle) buffer_.clear();
}

void FakeLink::close() {
  events.push_back("close");
  ++closes;
  open_ = false;
}
