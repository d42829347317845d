#pragma once
// Tells ThreadSanitizer about a hand-over of work between threads through Qt's event queue.
//
// A queued call is ordered after its posting by a lock inside Qt, and Qt is not built with the
// sanitizer, so it cannot see that order: everything the queued call reads of what the posting
// thread wrote looks like a race. The same holds the other way: Qt frees the call on whichever
// thread drops the last reference to it, the poster included, ordered by an atomic count inside
// Qt. Queue a HandedOff call instead of the bare function and the sanitizer sees both orders.
// Nothing in other builds.
#if defined(__SANITIZE_THREAD__)
#define KESTROVA_TSAN_HANDOFF 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KESTROVA_TSAN_HANDOFF 1
#endif
#endif

#include <utility>

#ifdef KESTROVA_TSAN_HANDOFF
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace kestrova {

// One token for every hand-over: the queued call cannot read a token of its own before it has
// acquired.
inline char handOffToken = 0;

inline void HandOffRelease() {
#ifdef KESTROVA_TSAN_HANDOFF
  __tsan_release(&handOffToken);
#endif
}

inline void HandOffAcquire() {
#ifdef KESTROVA_TSAN_HANDOFF
  __tsan_acquire(&handOffToken);
#endif
}

// A function queued to another thread through Qt. Made and moved on the posting thread: its last
// move (into Qt's call object) releases; the call acquires, runs, releases; its destruction, on
// whichever thread, acquires first.
template <typename F>
class HandedOff {
 public:
  explicit HandedOff(F f) : f_(std::move(f)) {}
  HandedOff(HandedOff&& other) noexcept : f_(std::move(other.f_)) { HandOffRelease(); }
  HandedOff(const HandedOff&) = delete;
  HandedOff& operator=(const HandedOff&) = delete;
  HandedOff& operator=(HandedOff&&) = delete;
  ~HandedOff() { HandOffAcquire(); }

  void operator()() {
    HandOffAcquire();
    f_();
    HandOffRelease();
  }

 private:
  F f_;
};

}  // namespace kestrova
