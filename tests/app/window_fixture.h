#pragma once
// Drives the real window against the real simulator: start-up in a temporary working directory
// (which is also XDG_STATE_HOME, where backups go), message boxes recorded instead of shown.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "app/main_window.h"
#include "link/fake_clock.h"
#include "link/usb_backend.h"
#include "model/notifier.h"
#include "model/printer_record.h"
#include "sim_process.h"

class RecordingNotifier : public kestrova::Notifier {
 public:
  // A box with the caption throwOnCaption throws instead (once): an event handler that fails.
  void notify(const kestrova::UserMessage& message) override {
    if (!throwOnCaption.empty() && message.caption == throwOnCaption) {
      throwOnCaption.clear();
      throw std::runtime_error("the message box could not be shown");
    }
    messages.push_back(message);
  }
  std::vector<kestrova::UserMessage> messages;
  std::string throwOnCaption;
};

struct WindowFixture {
  QTemporaryDir dir;
  RecordingNotifier notifier;
  // A pause sleeps at most 20 ms of real time: the simulator on loopback or a pty answers within a
  // millisecond or two, so every reply is in before it is taken.
  FakeClock fastClock{20};
  // The window's clock: the fast one, unless a test sets the steady clock before open().
  kestrova::Clock* clock = &fastClock;
  std::unique_ptr<TForm2> form;
  // The USB backend the window creates on its link thread; libusb when empty.
  std::function<std::unique_ptr<kestrova::UsbBackend>()> usbBackend;

  void open();
  const WindowLayout& ui() const { return form->widgets(); }
  void selectPort(const QString& text);
  void setTcpTarget(quint16 port);
  // Clicks "Read Settings" and waits for the read to end; true when it succeeded.
  bool read(int timeoutMs = 12000);
  // Clicks a button that starts a write or a test print and waits for its end.
  bool runOperation(QPushButton* button, int timeoutMs = 12000);
  QString field(kestrova::RecordField f) const;
  QString label(int bitIndex) const;
  QStringList logLines() const;
  // After a read has ended with `boxes` message boxes shown: the watchdog has stopped, and no
  // further box comes.
  void expectNoLaterBox(std::size_t boxes);
};
