#include "link/usb_device_link.h"

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <chrono>
#include <type_traits>

#include "link/link_limits.h"
#include "link/os_error.h"

namespace kestrova {
namespace {

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// libusb reads a time-out of 0 as "no time-out at all": never hand it one.
int TransferTimeout(int timeoutMs) { return timeoutMs > 0 ? timeoutMs : kUsbPollTimeoutMs; }

template <typename F>
Task<std::invoke_result_t<F&>> Run(F work) {
  co_return work();
}

// Runs work on the strand and resumes the calling operation on its own loop with the result; an
// exception thrown by work goes on in the calling operation.
//
// GCC 12 destroys the captures of a lambda made inside a co_await expression twice: each
// awaitable here and in the callers is made in a statement of its own and then awaited.
template <typename Executor, typename F>
Task<std::invoke_result_t<F&>> OnWorker(Executor worker, F work) {
  auto run = Run(std::move(work));
  auto done = boost::asio::co_spawn(worker, std::move(run), boost::asio::use_awaitable);
  co_return co_await std::move(done);
}

// Every byte over bulk OUT, within kUsbTransferTimeoutMs in all. Kind None when all went out.
LinkError WriteAll(UsbDevice& device, const Bytes& bytes, const std::string& target) {
  const std::int64_t deadline = NowMs() + kUsbTransferTimeoutMs;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const std::int64_t left = deadline - NowMs();
    if (left <= 0) return MakeLinkError(LinkError::Kind::TimedOut, target, "write did not complete");
    LinkError error;
    const std::size_t n = device.bulkWrite(bytes.substr(done), static_cast<int>(left), error);
    done += n;
    if (!error.ok()) {
      if (done < bytes.size()) return error;
    } else if (n == 0) {
      return MakeLinkError(LinkError::Kind::Io, target, "device took no data");
    }
  }
  return {};
}

// Counts a transfer from its hand-over to the worker until it is back (or its operation ended).
class InFlight {
 public:
  explicit InFlight(int& count) : count_(count) { ++count_; }
  ~InFlight() { back(); }
  void back() {
    if (counted_) --count_;
    counted_ = false;
  }

 private:
  int& count_;
  bool counted_ = true;
};

struct ReadResult {
  Bytes data;
  LinkError error;
};

}  // namespace

boost::asio::thread_pool& UsbWorkers() {
  // Each transfer is bounded (kUsbTransferTimeoutMs); a few threads let the printers of a fleet
  // transfer side by side.
  static boost::asio::thread_pool workers(4);
  return workers;
}

UsbDeviceLink::UsbDeviceLink(std::unique_ptr<UsbDevice> device, std::string target)
    : device_(std::move(device)), transfers_(boost::asio::make_strand(UsbWorkers().get_executor())),
      target_(std::move(target)) {}

UsbDeviceLink::~UsbDeviceLink() { close(); }

Task<bool> UsbDeviceLink::send(Bytes bytes) {
  if (!isOpen()) {
    // A device dropped as gone keeps saying so.
    if (lastError_.kind != LinkError::Kind::Absent)
      lastError_ = MakeLinkError(LinkError::Kind::Closed, target_, "device not open");
    co_return false;
  }
  InFlight transfer(inFlight_);
  auto write = OnWorker(transfers_, [device = device_, bytes = std::move(bytes), target = target_] {
    return WriteAll(*device, bytes, target);
  });
  const LinkError error = co_await std::move(write);
  transfer.back();
  if (error.ok()) co_return true;
  lastError_ = error;
  dropIfGone(error);
  co_return false;
}

bool UsbDeviceLink::took(const Bytes& data, const LinkError& error) {
  pending_.append(data);
  if (!error.ok()) {
    lastError_ = error;
    dropIfGone(error);
    return false;
  }
  return !data.empty();
}

Task<bool> UsbDeviceLink::readOnce(int timeoutMs) {
  if (!isOpen()) co_return false;
  InFlight transfer(inFlight_);
  auto read = OnWorker(transfers_, [device = device_, timeout = TransferTimeout(timeoutMs)] {
    ReadResult result;
    result.data = device->bulkRead(kReadCapacity, timeout, result.error);
    return result;
  });
  const ReadResult result = co_await std::move(read);
  transfer.back();
  co_return took(result.data, result.error);
}

Bytes UsbDeviceLink::takeAvailable() {
  // A bounded number of short looks: whatever the device has ready now.
  for (int i = 0; i < 8 && isOpen(); ++i) {
    LinkError error;
    const Bytes data = device_->bulkRead(kReadCapacity, kUsbPollTimeoutMs, error);
    if (!took(data, error)) break;
  }
  return pending_.takeAll();
}

// A transfer is awaited outside any if: GCC 12 builds a wrong coroutine frame for a co_await in
// an if of a body that declares no variable.
Task<Bytes> UsbDeviceLink::receive(std::size_t maxBytes, int timeoutMs) {
  [[maybe_unused]] const bool read = pending_.empty() && co_await readOnce(timeoutMs);
  co_return pending_.take(maxBytes);
}

Task<Bytes> UsbDeviceLink::peek(int timeoutMs) {
  [[maybe_unused]] const bool read = !pending_.grewSincePeek() && co_await readOnce(timeoutMs);
  co_return pending_.peek();
}

void UsbDeviceLink::dropIfGone(const LinkError& error) {
  // An unplugged printer never comes back on this handle: closing it makes the holder discover
  // again (a USB test print keeps its link for the next test only while it is open).
  if (error.kind == LinkError::Kind::Absent) closeDevice();
}

void UsbDeviceLink::discard() { pending_.clear(); }

void UsbDeviceLink::close() {
  pending_.clear();
  closeDevice();
}

void UsbDeviceLink::closeDevice() {
  if (!device_) return;
  if (inFlight_ == 0) {
    device_->close();
    return;
  }
  // The device is in a transfer on a worker: it is closed there, after it.
  closing_ = true;
  boost::asio::post(transfers_, [device = device_] { device->close(); });
}

}  // namespace kestrova
