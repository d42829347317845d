#pragma once
// The main window TForm2: binds the widgets of WindowLayout to the core. Every link operation runs
// as a job of the one long-lived link thread (the connect thread's modes); every change of the
// window runs here, on the window's thread, in the order the job asks for it.
#include <QMainWindow>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "app/ui_bridge.h"
#include "app/widget_switch_view.h"
#include "app/window_layout.h"
#include "link/clock.h"
#include "link/link_thread.h"
#include "model/catalogue.h"
#include "model/notifier.h"
#include "model/switch_definitions.h"
#include "protocol/read_integrity.h"
#include "protocol/write_sequence.h"

namespace kestrova {
class UsbBackend;
}
struct WindowLinks;
class WindowReadObserver;

// What tests and the demo can put in place of the real thing.
struct WindowOptions {
  kestrova::Notifier* notifier = nullptr;  // message boxes when null
  kestrova::Clock* clock = nullptr;        // the steady clock when null
  // Creates the USB backend on the link thread; libusb when empty.
  std::function<std::unique_ptr<kestrova::UsbBackend>()> usbBackend;
  std::string workingDirectory;            // for modelno.dat and debugmode.dat; the current one when empty
};

class TForm2 : public QMainWindow {
  Q_OBJECT
 public:
  explicit TForm2(WindowOptions options = {}, QWidget* parent = nullptr);
  ~TForm2() override;

  const WindowLayout& widgets() const { return ui_; }
  kestrova::ModelNo activeModelNo() const { return activeModelNo_; }
  kestrova::ModelNo selectedModelNo() const { return selectedModelNo_; }
  bool watchdogRunning() const { return timer1_.isActive(); }

  // Profiles and the Log History as files (what the buttons and the log's menu do once a file has
  // been chosen). False, after a message box saying why, when nothing was written or loaded; a
  // profile that cannot be loaded changes nothing in the window.
  bool saveProfileTo(const QString& path);
  bool loadProfileFrom(const QString& path);
  bool saveLogTo(const QString& path);

  // The connect thread's modes.
  enum class ConnectMode { Read = 1, WriteSwitches = 2, SelfTest = 3, FontTest = 4 };

 signals:
  // A read ended: successfully or reported as failed (for tests and the screenshot tool).
  void readFinished(bool ok);
  // A write or test print job ended.
  void operationFinished();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  friend class WindowReadObserver;

  // What a job needs from the window, taken on the window's thread when the button is pressed.
  struct JobInput {
    int generation = 0;
    std::string portText;
    std::string hostText;
    std::string portField;
    kestrova::ModelNo selectedModelNo = 0;
    kestrova::WriteValues values;
  };

  void FormShow();
  void FormClose();
  void CMB_RTPortSelectionChange();
  void CMB_ModelListChange();
  void RDB_BaudRate9600Click();
  void RBG_HandshakingClick();
  void RBG_ParityCheckClick();
  void CMB_SelectCodePageChange();
  void RBG_SwitchClick(int bitIndex);
  void BTN_ReadSWClick();
  void BTN_WriteSWClick();
  void BTN_SelfTestClick();
  void BTN_FontTestClick();
  void StartTestPrint(ConnectMode mode);
  void BTN_SaveProfileClick();
  void BTN_LoadProfileClick();
  void SaveLogClick();
  void Timer1Timer();
  void ReadFailed(int code, const std::string& cause);
  void ReadSucceeded(bool tcp, const kestrova::ReadIntegrity& integrity);

  // Link-thread side (connect_thread.cpp).
  void ConnectThreadExecute(ConnectMode mode, const JobInput& input);
  void ExecuteRead(const JobInput& input);
  void ExecuteDeviceOperation(ConnectMode mode, const JobInput& input);
  void ExecuteSerialWrite(const JobInput& input);
  void ExecuteTcpWrite(const JobInput& input);
  void ExecuteUsbTestPrint(ConnectMode mode, const JobInput& input);
  void ExecuteTcpTestPrint(ConnectMode mode, const JobInput& input);
  // Reports a read failure from the link thread, unless the read was already given up.
  void FailRead(const JobInput& input, int code, const std::string& cause);
  void FinishOperation(const kestrova::UserMessage* message);

  void postLinkJob(std::function<void()> job);
  // An event handler whose exceptions are reported in a message box instead of ending the program.
  std::function<void()> guarded(std::function<void()> handler);
  void runLinkOperation(const std::function<void()>& job);
  std::string currentHostText() const;
  JobInput takeJobInput() const;
  kestrova::WriteValues writeValues() const;
  void setOperationButtons(bool enabled);
  void clearRecordFields();

  WindowOptions options_;
  std::unique_ptr<kestrova::Notifier> ownNotifier_;
  kestrova::Notifier* notifier_ = nullptr;
  kestrova::Clock* clock_ = nullptr;
  WindowLayout ui_;
  WidgetSwitchView switchView_{ui_};
  kestrova::SwitchDefinitions activeDefinitions_{};
  QTimer timer1_;
  UiBridge bridge_{this};
  // Created, used and reset on the link thread. Declared before the thread, so that the thread
  // has ended before the pointer goes.
  std::unique_ptr<WindowLinks> links_;
  // Declared after everything a link job uses: its end is awaited before any of that goes.
  kestrova::LinkThread linkThread_;

  bool shown_ = false;
  bool closed_ = false;
  int progressStep_ = 5;
  int watchdogTicks_ = 0;
  std::string lastAbortReason_;
  std::string hostText_;                  // the printer's address as the last read or write used it
  kestrova::ModelNo activeModelNo_ = 0;   // written on the window's thread only
  // What a write may send back: the values the last read took cleanly, and those the user set
  // since (by a click, a pick from a list or a profile). Window's thread only.
  kestrova::ReadIntegrity readIntegrity_;
  kestrova::UserSetValues userSet_;
  std::atomic<kestrova::ModelNo> selectedModelNo_{0};
  std::atomic<bool> linkErrorFlag_{false};
  std::atomic<int> generation_{0};        // bumped when a read is given up: its job stops touching anything
  struct ButtonState {
    bool read, write, selfTest, fontTest, port;
  } savedButtons_{};
};
