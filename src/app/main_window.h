#pragma once
// The main window TForm2: binds the widgets of WindowLayout to one PrinterSession. Every link
// operation runs as a job of the one long-lived link thread (the window's jobs); every
// change of the window runs here, on the window's thread, in the order the job asks for it.
#include <QMainWindow>
#include <QTimer>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "app/ui_bridge.h"
#include "app/widget_switch_view.h"
#include "app/window_layout.h"
#include "model/catalogue.h"
#include "model/language_settings.h"
#include "model/notifier.h"
#include "model/switch_definitions.h"
#include "profile/backup_store.h"
#include "session/link_choice.h"
#include "session/vocabulary.h"

namespace kestrova {
class PrinterSession;
class UsbBackend;
}

// What tests and the demo can put in place of the real thing.
struct WindowOptions {
  kestrova::Notifier* notifier = nullptr;  // message boxes when null
  kestrova::Clock* clock = nullptr;        // the steady clock when null
  // Creates the USB backend on the link thread; libusb when empty.
  std::function<std::unique_ptr<kestrova::UsbBackend>()> usbBackend;
  std::string workingDirectory;            // for modelno.dat and debugmode.dat; the current one when empty
};

// The window is the read's observer on its own thread; a QueuedReadObserver carries the read's
// calls over from the link thread.
class TForm2 : public QMainWindow, private kestrova::ReadObserver {
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

  // The jobs a button starts on the link thread, numbered as the read is 1.
  enum class JobMode { WriteSwitches = 2, SelfTest = 3, FontTest = 4 };

 signals:
  // A read ended: successfully or reported as failed (for tests and the screenshot tool).
  void readFinished(bool ok);
  // A write or test print job ended.
  void operationFinished();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // What a job needs from the window, taken on the window's thread when the button is pressed.
  struct JobInput {
    int generation = 0;
    kestrova::LinkChoice choice;
    kestrova::WriteValues values;
  };

  // Which controls are enabled: each phase of the window is one row of a table.
  enum class Phase { Start, Reading, ReadFailed, ReadDone, Busy };
  void enterPhase(Phase phase);

  // ReadObserver, carried out on the window's thread.
  bool cancelled() override { return closed_; }
  void stopWatchdog() override;
  void restartWatchdog() override;
  void clearRecord() override;
  void logLine(const std::string& line) override;
  void fieldText(kestrova::RecordField field, const std::string& text) override;
  void progressStep() override;
  std::string applyCodePage(int number) override;
  std::string applyCharSet(int number) override;
  std::string applyNewFont(kestrova::FontReply reply) override;
  void applySwitchReplies(const kestrova::SwitchSlots& replies, kestrova::ModelNo activeModelNo) override;
  std::string applyLanguage(const std::function<std::string(kestrova::LanguageState&)>& apply);

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
  void StartTestPrint(JobMode mode);
  void BTN_SaveProfileClick();
  void BTN_LoadProfileClick();
  void SaveLogClick();
  void Timer1Timer();
  void ReadFailed(const std::string& message, const std::string& cause);
  void ReadSucceeded(bool tcp, const kestrova::ReadIntegrity& integrity);

  // Link-thread side: the read, and the write or a test print, through the session.
  kestrova::Task<void> ExecuteRead(JobInput input);
  kestrova::Task<void> ExecuteOperation(JobMode mode, JobInput input);
  void FinishOperation(const kestrova::UserMessage* message, kestrova::ModelNo discovered);

  void postLinkJob(std::function<void()> job);
  void postLinkTask(std::function<kestrova::Task<void>()> job);
  // An event handler whose exceptions are reported in a message box instead of ending the program.
  std::function<void()> guarded(std::function<void()> handler);
  std::string currentHostText() const;
  JobInput takeJobInput() const;
  kestrova::WriteValues writeValues() const;
  // The profile of the values shown (with the values the read did not get cleanly and the user
  // did not set marked).
  kestrova::profile::PrinterProfile shownProfile() const;
  // Saves the backup of the last read before a write; false, after the write's failure box, when
  // it could not be saved. The Log History names the file.
  bool saveBackup();
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
  std::unique_ptr<kestrova::PrinterSession> session_;
  // Declared after everything a link job uses: its end is awaited before any of that goes.
  kestrova::LinkThread linkThread_;

  bool shown_ = false;
  bool closed_ = false;
  int progressStep_ = 5;
  int watchdogTicks_ = 0;
  // What the watchdog reports when it gives the read up: the session's failure of an aborted read,
  // else the read's failure with no cause.
  struct { std::string message, cause; } lastAbort_;
  std::string hostText_;                  // the printer's address as the last read or write used it
  kestrova::SerialSettings serial_;       // the line settings of COM1..COM4
  kestrova::ModelNo activeModelNo_ = 0;   // written on the window's thread only
  // What a write may send back: the values the last read took cleanly, and those the user set
  // since (by a click, a pick from a list or a profile). Window's thread only.
  kestrova::ReadIntegrity readIntegrity_;
  kestrova::UserSetValues userSet_;
  // What the last read got, for the backup every write saves first; the link as the read used it.
  kestrova::profile::PrinterProfile readProfile_;
  kestrova::profile::BackupSource readSource_;
  std::string readLink_;
  std::atomic<kestrova::ModelNo> selectedModelNo_{0};
  std::atomic<int> generation_{0};        // bumped when a read is given up: its job stops touching anything
  std::array<bool, 5> savedButtons_{};    // read, write, the two tests and the port, while Busy
};
