#include "cli/printer_jobs.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QHostInfo>
#include <QTimer>
#include <atomic>

#include "cli/write_edits.h"
#include "link/clock.h"
#include "link/com_port_map.h"
#include "link/device_handle.h"
#include "link/link_limits.h"
#include "link/serial_component_link.h"
#include "link/serial_device_link.h"
#include "link/tcp_link.h"
#include "link/usb_backend.h"
#include "link/usb_printer_choice.h"
#include "protocol/read_sequence.h"
#include "protocol/write_sequence.h"

namespace kestrova::cli {

namespace {

constexpr const char* kSelfTestFailed = "Self Test FAILED";
constexpr const char* kFontTestFailed = "Fonts Test FAILED";

// The plain read state, telling the progress indicator of every step.
class ProgressObserver : public PlainReadObserver {
 public:
  explicit ProgressObserver(const ProgressFn& progress) : progress_(progress) {}
  void progressStep() override {
    PlainReadObserver::progressStep();
    if (progress_) progress_(progressSteps);
  }

 private:
  const ProgressFn& progress_;
};

std::string ModelText(ModelNo model) {
  const PrinterModel* m = FindModel(model);
  return m ? std::string(m->code) + " (model " + std::to_string(model) + ")" : "no model of the catalogue (model 0)";
}

// The IPv4 address text of a host: dotted decimal as it is, a name looked up within the connect
// bound. Runs on the link thread, which has an event loop.
bool ResolveHost(const std::string& host, std::string& address, std::string& error) {
  std::uint32_t parsed = 0;
  if (ParseHostText(host, parsed)) {
    address = host;
    return true;
  }
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  bool done = false;
  QHostInfo info;
  const int id = QHostInfo::lookupHost(QString::fromStdString(host), &loop, [&](const QHostInfo& found) {
    info = found;
    done = true;
    loop.quit();
  });
  timer.start(kConnectTimeoutMs);
  if (!done) loop.exec();
  if (!done) {
    QHostInfo::abortHostLookup(id);
    error = host + ": name lookup timed out";
    return false;
  }
  for (const QHostAddress& a : info.addresses()) {
    if (a.protocol() == QAbstractSocket::IPv4Protocol) {
      address = a.toString().toStdString();
      return true;
    }
  }
  error = host + ": " + (info.error() != QHostInfo::NoError ? info.errorString().toStdString() : "no IPv4 address");
  return false;
}

// One printer's links, in the window's way: a TCP/IP connection made by the read and kept for the
// write; the serial component opened for the read and opened again for the write with the same
// settings; the device handle opened afresh for each operation. Lives on one link thread.
class PrinterConnection {
 public:
  explicit PrinterConnection(const LinkTarget& target) : t_(target) {}
  ~PrinterConnection() {
    if (tcp_) tcp_->close();
    if (serial_) serial_->close();
    slot_.close();
  }
  PrinterConnection(const PrinterConnection&) = delete;
  PrinterConnection& operator=(const PrinterConnection&) = delete;

  std::optional<LinkFailure> read(PlainReadObserver& observer, const PacingPolicy& pacing) {
    switch (t_.kind) {
      case LinkTarget::Kind::Tcp: {
        if (auto failure = connectTcp(kReadFailed, false)) return failure;
        return readResult(ReadData(*tcp_, clock_, observer, pacing), observer);
      }
      case LinkTarget::Kind::Serial: {
        map_.setOverride(1, t_.device);
        serial_ = std::make_unique<SerialComponentLink>(map_);
        serial_->setCommPort(0);
        serial_->setSettings(t_.serial);
        watchErrors(*serial_);
        if (!serial_->probeAndOpen()) return LinkFailure{kReadFailed, DescribeLinkError(serial_->lastError())};
        if (linkError_) return linkErrorFailure(kReadFailed);
        const ReadResult result = ReadData(*serial_, clock_, observer, pacing);
        // The end of every read closes the serial port.
        serial_->close();
        return readResult(result, observer);
      }
      case LinkTarget::Kind::Device: {
        LinkError error;
        auto link = SerialDeviceLink::Open(t_.device, error);
        if (!link) return LinkFailure{kReadFailed, DescribeLinkError(error)};
        const ReadResult result = ReadDeviceData(*link, clock_, observer, 0, pacing);
        link->close();
        return readResult(result, observer);
      }
      case LinkTarget::Kind::Usb: {
        ModelNo active = 0;
        if (auto failure = openUsb(kOpenUsbFailed, active)) return failure;
        const ReadResult result = ReadDeviceData(*slot_.link(), clock_, observer, active, pacing);
        slot_.close();
        return readResult(result, observer);
      }
    }
    return LinkFailure{kReadFailed, "unknown link"};
  }

  std::optional<LinkFailure> write(const WriteValues& values) {
    WriteResult result;
    switch (t_.kind) {
      case LinkTarget::Kind::Tcp: {
        const Reconnect reconnect = [this] { return tcp_->connectForWrite(host_, std::to_string(t_.port)); };
        if (!tcp_->isOpen() && !reconnect()) return LinkFailure{kWriteFailed, DescribeLinkError(tcp_->lastError())};
        result = WriteSwitchSettings(*tcp_, clock_, values, reconnect);
        break;
      }
      case LinkTarget::Kind::Serial:
        if (!serial_->probeAndOpen()) return LinkFailure{kWriteFailed, DescribeLinkError(serial_->lastError())};
        result = WriteSwitchSettings(*serial_, clock_, values);
        break;
      case LinkTarget::Kind::Device: {
        LinkError error;
        auto link = SerialDeviceLink::Open(t_.device, error);
        if (!link) return LinkFailure{kWriteFailed, DescribeLinkError(error)};
        result = WriteSwitchSettings(*link, clock_, values);
        break;
      }
      case LinkTarget::Kind::Usb: {
        ModelNo active = 0;
        if (auto failure = openUsb(kWriteFailed, active)) return failure;
        result = WriteSwitchSettings(*slot_.link(), clock_, values);
        slot_.close();
        break;
      }
    }
    if (result.ok()) return std::nullopt;
    std::string cause = result.detail;
    if (result.outcome == WriteOutcome::Refused || result.outcome == WriteOutcome::NotConnected)
      cause += "; nothing written";
    return LinkFailure{kWriteFailed, t_.label() + ": " + cause};
  }

  std::optional<LinkFailure> testPrint(TestPrint print) {
    const char* failed = print == TestPrint::SelfTest ? kSelfTestFailed : kFontTestFailed;
    switch (t_.kind) {
      case LinkTarget::Kind::Tcp: {
        if (auto failure = connectTcp(failed, true)) return failure;
        if (RunTestPrint(*tcp_, clock_, print, TestPrintPath::Tcp)) return std::nullopt;
        return LinkFailure{failed, DescribeLinkError(tcp_->lastError())};
      }
      case LinkTarget::Kind::Serial:
      case LinkTarget::Kind::Device: {
        // Every serial test print goes over the device handle, with the line settings the system holds.
        LinkError error;
        auto link = SerialDeviceLink::Open(t_.device, error);
        if (!link) return LinkFailure{failed, DescribeLinkError(error)};
        if (RunTestPrint(*link, clock_, print, TestPrintPath::SerialDevice)) return std::nullopt;
        return LinkFailure{failed, DescribeLinkError(link->lastError())};
      }
      case LinkTarget::Kind::Usb: {
        ModelNo active = 0;
        if (auto failure = openUsb(kOpenUsbFailed, active)) return failure;
        const bool sent = RunTestPrint(*slot_.link(), clock_, print, TestPrintPath::Usb);
        const LinkError error = slot_.link()->lastError();
        slot_.close();
        if (sent) return std::nullopt;
        return LinkFailure{failed, DescribeLinkError(error)};
      }
    }
    return LinkFailure{failed, "unknown link"};
  }

 private:
  // The read's connect, or the test print's (which takes the host and port at once).
  std::optional<LinkFailure> connectTcp(const char* message, bool forTestPrint) {
    std::string error;
    if (!ResolveHost(t_.host, host_, error)) return LinkFailure{message, error};
    tcp_ = std::make_unique<TcpLink>();
    watchErrors(*tcp_);
    const std::string port = std::to_string(t_.port);
    bool connected = false;
    if (forTestPrint) {
      connected = tcp_->connectForWrite(host_, port);
    } else {
      tcp_->prepare(host_, port);
      connected = tcp_->connectToPrinter();
    }
    if (!connected) return LinkFailure{message, DescribeLinkError(tcp_->lastError())};
    if (linkError_) return linkErrorFailure(message);
    return std::nullopt;
  }

  std::optional<LinkFailure> openUsb(const char* message, ModelNo& active) {
    if (!usb_) usb_ = CreateLibusbBackend();
    const int opened = t_.usbDevice.empty()
                           ? OpenUsbPrinter(*usb_, t_.selectedModel, active, slot_)
                           : OpenChosenUsbPrinter(*usb_, t_.usbDevice, t_.selectedModel, active, slot_);
    if (opened != kOpenOk)
      return LinkFailure{message, DescribeLinkError(slot_.lastOpenError())};
    return std::nullopt;
  }

  // The link error event, as the window's flag: a read does not start after one.
  void watchErrors(ByteLink& link) {
    link.setErrorHandler([this](int code) {
      errorCode_ = code;
      linkError_ = true;
    });
  }

  LinkFailure linkErrorFailure(const char* message) const {
    return {message, t_.label() + ": link error " + std::to_string(errorCode_.load())};
  }

  std::optional<LinkFailure> readResult(const ReadResult& result, PlainReadObserver& observer) const {
    observer.integrity = result.integrity;
    if (result.ok()) return std::nullopt;
    return LinkFailure{kReadFailed, t_.label() + ": " + result.reason};
  }

  LinkTarget t_;
  Clock& clock_ = SteadyClock::instance();
  std::string host_;  // the address text the TCP/IP link connects to
  std::unique_ptr<TcpLink> tcp_;
  ComPortMap map_;
  std::unique_ptr<SerialComponentLink> serial_;
  std::unique_ptr<UsbBackend> usb_;
  DeviceHandleSlot slot_;
  std::atomic<bool> linkError_{false};
  std::atomic<int> errorCode_{0};
};

}  // namespace

ReadReport ReadJob(const LinkTarget& target, const PacingPolicy& pacing, const ProgressFn& progress) {
  ReadReport report;
  report.target = target;
  PrinterConnection connection(target);
  ProgressObserver observer(progress);
  report.failure = connection.read(observer, pacing);
  report.state = observer;
  return report;
}

WriteReport WriteJob(const LinkTarget& target, const WriteEdits& edits, const PacingPolicy& pacing,
                     const ProgressFn& progress, const std::function<void()>& beforeSend) {
  WriteReport report;
  report.target = target;
  PrinterConnection connection(target);
  ProgressObserver observer(progress);
  // As in the window, a write needs a successful read of the same printer first.
  if (auto failure = connection.read(observer, pacing)) {
    report.failure = failure;
    return report;
  }
  const ModelNo model = observer.record.activeModelNo;
  if (edits.from && edits.from->model != model) {
    report.failure = LinkFailure{kWriteFailed, target.label() + ": the printer is " + ModelText(model) +
                                                   ", the file holds " + ModelText(edits.from->model) +
                                                   "; nothing written"};
    return report;
  }
  EditableSettings settings = SettingsAsRead(observer);
  ApplyEdits(edits, settings);
  WriteValues values = ToWriteValues(settings);
  values.unverified = UnverifiedValues(observer.integrity, UserSetBy(edits));
  if (const auto why = WriteRefusal(values)) {
    report.failure = LinkFailure{kWriteFailed, target.label() + ": " + *why + "; nothing written"};
    return report;
  }
  report.changes = DescribeChanges(model, observer, settings);
  report.differences = DescribeDifferences(model, observer, settings);
  if (edits.dryRun || (edits.onlyWhenDifferent && report.differences.empty())) return report;
  if (beforeSend) beforeSend();
  report.sent = true;
  report.failure = connection.write(values);
  return report;
}

std::optional<LinkFailure> TestPrintJob(const LinkTarget& target, TestPrint print) {
  PrinterConnection connection(target);
  return connection.testPrint(print);
}

}  // namespace kestrova::cli
