#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>

#include "app/exception_report.h"
#include "app/language_controls.h"
#include "app/message_box_notifier.h"
#include "app/radio_group.h"
#include "app/window_links.h"
#include "link/com_port_map.h"
#include "link/link_selection.h"
#include "model/debug_trace.h"
#include "model/model_choice.h"
#include "model/switch_fields.h"

using namespace kestrova;

// Resources of a static library are registered by hand; the macro must stand outside namespaces.
static void InitAppResources() { Q_INIT_RESOURCE(app); }

namespace {

constexpr int kWatchdogIntervalMs = 500;
constexpr int kWatchdogLimit = 7;  // the eighth tick reports the failure

QString Q(const std::string& text) { return QString::fromStdString(text); }

void CopySelectedLines(QListWidget* list) {
  QStringList lines;
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->isSelected()) lines << list->item(i)->text();
  if (lines.isEmpty())
    for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
  // Each line keeps its own "\r\n".
  QApplication::clipboard()->setText(lines.join(QString()));
}

}  // namespace

TForm2::TForm2(WindowOptions options, QWidget* parent) : QMainWindow(parent), options_(std::move(options)) {
  InitAppResources();
  if (options_.notifier) {
    notifier_ = options_.notifier;
  } else {
    ownNotifier_ = std::make_unique<MessageBoxNotifier>();
    notifier_ = ownNotifier_.get();
  }
  clock_ = options_.clock ? options_.clock : &SteadyClock::instance();

  setObjectName("TForm2");
  setWindowTitle("Kestrova Software Switch Utility v2.0.5");
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::WindowSystemMenuHint);
  QFont base = font();
  base.setPointSize(8);
  setFont(base);
  auto* central = new QWidget(this);
  setCentralWidget(central);
  ui_.build(central);
  setFixedSize(790, 612);
  ui_.writeSW->setEnabled(false);
  ui_.selfTest->setEnabled(false);
  ui_.fontTest->setEnabled(false);
  ui_.saveProfile->setEnabled(false);
  ui_.loadProfile->setEnabled(false);

  // The links live on the link thread for the window's whole life.
  linkThread_.begin();
  auto usbFactory = options_.usbBackend;
  links_ = linkThread_
               .call([this, usbFactory] {
                 auto links = std::make_unique<WindowLinks>();
                 links->usb = usbFactory ? usbFactory() : CreateLibusbBackend();
                 links->tcpClient1.setErrorHandler([this](int code) {
                   DebugTrace("(TcpClient1)errorcode = " + std::to_string(code));
                   linkErrorFlag_ = true;
                 });
                 links->comm1.setErrorHandler([this](int code) {
                   DebugTrace("(Comm1)errorcode = " + std::to_string(code));
                   linkErrorFlag_ = true;
                 });
                 return links;
               })
               .get();

  timer1_.setInterval(kWatchdogIntervalMs);
  connect(&timer1_, &QTimer::timeout, this, guarded([this] { Timer1Timer(); }));
  connect(ui_.portSelection, &QComboBox::currentTextChanged, this, guarded([this] { CMB_RTPortSelectionChange(); }));
  connect(ui_.modelList, QOverload<int>::of(&QComboBox::activated), this, guarded([this] { CMB_ModelListChange(); }));
  for (auto* button : ui_.baudRates)
    connect(button, &QRadioButton::clicked, this, guarded([this] { RDB_BaudRate9600Click(); }));
  connect(ui_.handshaking, &RadioGroup::clicked, this, guarded([this] { RBG_HandshakingClick(); }));
  connect(ui_.parity, &RadioGroup::clicked, this, guarded([this] { RBG_ParityCheckClick(); }));
  connect(ui_.selectCodePage, QOverload<int>::of(&QComboBox::activated), this, guarded([this] {
            userSet_.codePage = userSet_.charSet = true;
            CMB_SelectCodePageChange();
          }));
  connect(ui_.internationalCharSet, QOverload<int>::of(&QComboBox::activated), this, [this] { userSet_.charSet = true; });
  connect(ui_.selectNewFont, QOverload<int>::of(&QComboBox::activated), this, [this] { userSet_.font = true; });
  for (int i = 0; i < kSwitchBits; ++i)
    connect(ui_.switches[static_cast<std::size_t>(i)], &RadioGroup::clicked, this, guarded([this, i] {
              userSet_.setSwitch(i);
              RBG_SwitchClick(i);
            }));
  connect(ui_.readSW, &QPushButton::clicked, this, guarded([this] { BTN_ReadSWClick(); }));
  connect(ui_.writeSW, &QPushButton::clicked, this, guarded([this] { BTN_WriteSWClick(); }));
  connect(ui_.selfTest, &QPushButton::clicked, this, guarded([this] { BTN_SelfTestClick(); }));
  connect(ui_.fontTest, &QPushButton::clicked, this, guarded([this] { BTN_FontTestClick(); }));
  connect(ui_.exit, &QPushButton::clicked, this, guarded([this] { close(); }));
  connect(ui_.saveProfile, &QPushButton::clicked, this, guarded([this] { BTN_SaveProfileClick(); }));
  connect(ui_.loadProfile, &QPushButton::clicked, this, guarded([this] { BTN_LoadProfileClick(); }));

  // The Log History can be copied into a ticket: Ctrl+C and the context menu.
  auto* copy = new QAction("Copy", ui_.log);
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetShortcut);
  connect(copy, &QAction::triggered, this, guarded([this] { CopySelectedLines(ui_.log); }));
  ui_.log->addAction(copy);
  auto* saveLog = new QAction("Save Log...", ui_.log);
  connect(saveLog, &QAction::triggered, this, guarded([this] { SaveLogClick(); }));
  ui_.log->addAction(saveLog);
  ui_.log->setContextMenuPolicy(Qt::ActionsContextMenu);
}

TForm2::~TForm2() {
  FormClose();
  // A job still under way ends within its link bounds; the links it uses, and everything of the
  // window it reads, live until then.
  if (!linkThread_.stop()) linkThread_.wait();
}

void TForm2::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shown_) {
    shown_ = true;
    RunReportingExceptions(*notifier_, [this] { FormShow(); });
  }
}

void TForm2::closeEvent(QCloseEvent* event) {
  FormClose();
  QMainWindow::closeEvent(event);
}

void TForm2::FormShow() {
  if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
  postLinkJob([this] { links_->deviceHandle.close(); });
  EnableDebugModeFromMarker(options_.workingDirectory);
  ui_.ipAddress->setText(Q(FormatHostText(kDefaultPrinterAddress)));

  {
    const QSignalBlocker block(ui_.portSelection);
    for (const auto& text : PortSelectionTexts()) ui_.portSelection->addItem(Q(text));
    // Show which device node each COM entry means on this system.
    for (int n = ComPortMap::kFirstPort; n <= ComPortMap::kLastPort; ++n)
      ui_.portSelection->setItemData(n + 1, Q(ComPortMap::instance().devicePath(n)), Qt::ToolTipRole);
    ui_.portSelection->setCurrentIndex(kDefaultPortSelection);
  }
  CMB_RTPortSelectionChange();

  for (const auto& entry : ModelListEntries()) ui_.modelList->addItem(Q(entry));
  ui_.modelList->setCurrentIndex(LoadModelChoice(options_.workingDirectory));
  CMB_ModelListChange();

  ui_.baudRates[3]->setChecked(true);
  RDB_BaudRate9600Click();
  ui_.handshaking->setItemIndex(0);
  RBG_HandshakingClick();
  ui_.parity->setItemIndex(0);
  RBG_ParityCheckClick();
  FillLanguageControls(ui_);
  ui_.port->setText(kDefaultPortText);
}

void TForm2::FormClose() {
  if (closed_) return;
  closed_ = true;
  ++generation_;
  timer1_.stop();
  // A job under way is abandoned, not waited for: from now on it touches nothing of the window. A
  // read stops at its next query; a write or test print runs to its end, so that the printer is
  // not left unlocked. Then the TCP connection, the device handle and the serial port are closed
  // on the thread that owns them.
  bridge_.setClosing();
  postLinkJob([this] {
    if (links_->tcpClient1.isConnected()) links_->tcpClient1.close();
    links_->deviceHandle.close();
    if (links_->comm1.isOpen()) links_->comm1.close();
    links_.reset();
  });
}

void TForm2::CMB_RTPortSelectionChange() {
  const std::string text = ui_.portSelection->currentText().toStdString();
  const SettingsGroup group = SettingsGroupFor(text);
  ui_.tcpSettings->setVisible(group == SettingsGroup::Tcp);
  ui_.comSettings->setVisible(group == SettingsGroup::Com);
  ui_.usbSettings->setVisible(group == SettingsGroup::Usb);
  const LinkKind kind = LinkKind::FromSelectionText(text);
  if (kind.isListedCom())
    ui_.comDevice->setText("Device: " + Q(ComPortMap::instance().devicePath(kind.comNumber)) +
                           (kind.usesSerialComponent() ? "" : "  (line settings of the system)"));
  ui_.readSW->setEnabled(true);
}

void TForm2::CMB_ModelListChange() {
  const std::string text = ui_.modelList->currentText().toStdString();
  selectedModelNo_ = SelectedModelNoFromText(text);
  SaveModelChoice(ModelListPositionOf(text), *notifier_, options_.workingDirectory);
}

void TForm2::RDB_BaudRate9600Click() {
  std::array<bool, 4> checked{};
  for (std::size_t i = 0; i < checked.size(); ++i) checked[i] = ui_.baudRates[i]->isChecked();
  postLinkJob([this, checked] {
    links_->comm1.setBaudRate(BaudRateFromButtons(checked, links_->comm1.settings().baudRate));
  });
}

void TForm2::RBG_HandshakingClick() {
  const int item = ui_.handshaking->itemIndex();
  postLinkJob([this, item] {
    links_->comm1.setHandshaking(HandshakingFromItem(item, links_->comm1.settings().handshaking));
  });
}

void TForm2::RBG_ParityCheckClick() {
  const int item = ui_.parity->itemIndex();
  postLinkJob([this, item] { links_->comm1.setParity(ParityFromItem(item, links_->comm1.settings().parity)); });
}

void TForm2::CMB_SelectCodePageChange() {
  LanguageState state = ReadLanguageControls(ui_);
  kestrova::CMB_SelectCodePageChange(state);
  ShowLanguageControls(ui_, state);
}

void TForm2::RBG_SwitchClick(int bitIndex) {
  RefreshSwitch(bitIndex, activeModelNo_, activeDefinitions_, switchView_);
}

void TForm2::clearRecordFields() {
  for (auto* edit : ui_.recordEdits) edit->clear();
  ui_.log->clear();
}

std::string TForm2::currentHostText() const {
  std::uint32_t address = 0;
  if (!ParseHostText(ui_.ipAddress->text().toStdString(), address)) return ui_.ipAddress->text().toStdString();
  return FormatHostText(address);
}

TForm2::JobInput TForm2::takeJobInput() const {
  JobInput input;
  input.generation = generation_;
  input.portText = ui_.portSelection->currentText().toStdString();
  input.hostText = currentHostText();
  input.portField = ui_.port->text().toStdString();
  input.selectedModelNo = selectedModelNo_;
  return input;
}

void TForm2::BTN_ReadSWClick() {
  ui_.log->clear();
  progressStep_ = 5;
  timer1_.start();
  for (QWidget* w : {static_cast<QWidget*>(ui_.readSW), static_cast<QWidget*>(ui_.writeSW),
                     static_cast<QWidget*>(ui_.selfTest), static_cast<QWidget*>(ui_.fontTest),
                     static_cast<QWidget*>(ui_.portSelection), static_cast<QWidget*>(ui_.saveProfile),
                     static_cast<QWidget*>(ui_.loadProfile)})
    w->setEnabled(false);
  linkErrorFlag_ = false;
  activeModelNo_ = 0;
  readIntegrity_ = {};
  userSet_ = {};
  watchdogTicks_ = 0;
  lastAbortReason_.clear();
  ui_.progress->setValue(0);

  // A new read gives up whatever an earlier one may still hold on the link thread.
  ++generation_;
  JobInput input = takeJobInput();
  const LinkKind kind = LinkKind::FromSelectionText(input.portText);
  if (kind.isTcp()) {
    hostText_ = input.hostText;
    postLinkJob([this, input] { links_->tcpClient1.prepare(input.hostText, input.portField); });
  } else if (kind.usesSerialComponent()) {
    postLinkJob([this, n = kind.comNumber] { links_->comm1.setCommPort(n - 1); });
  }
  if (linkErrorFlag_) {
    ReadFailed(0, {});
    return;
  }
  postLinkJob([this, input] { ConnectThreadExecute(ConnectMode::Read, input); });
}

WriteValues TForm2::writeValues() const {
  WriteValues values;
  for (int n = 1; n <= kSwitchBytes; ++n) {
    SwitchBank bank;
    for (int b = 1; b <= kBitsPerSwitch; ++b)
      bank.setPosition(SwitchIndex(n, b), ui_.switches[static_cast<std::size_t>(SwitchIndex(n, b))]->itemIndex());
    values.switches[static_cast<std::size_t>(n - 1)] = bank.byteValue(n);
  }
  const LanguageWriteValues language = LanguageToWrite(ReadLanguageControls(ui_));
  values.codePageNumber = language.codePageNumber;
  values.codePageName = language.codePageName;
  values.charSetNumber = language.charsetNumber;
  values.fontOn = language.new8x16FontOn;
  values.unverified = UnverifiedValues(readIntegrity_, userSet_);
  return values;
}

void TForm2::setOperationButtons(bool enabled) {
  if (!enabled) {
    savedButtons_ = {ui_.readSW->isEnabled(), ui_.writeSW->isEnabled(), ui_.selfTest->isEnabled(),
                     ui_.fontTest->isEnabled(), ui_.portSelection->isEnabled()};
    for (QWidget* w : {static_cast<QWidget*>(ui_.readSW), static_cast<QWidget*>(ui_.writeSW),
                       static_cast<QWidget*>(ui_.selfTest), static_cast<QWidget*>(ui_.fontTest),
                       static_cast<QWidget*>(ui_.portSelection)})
      w->setEnabled(false);
    return;
  }
  ui_.readSW->setEnabled(savedButtons_.read);
  ui_.writeSW->setEnabled(savedButtons_.write);
  ui_.selfTest->setEnabled(savedButtons_.selfTest);
  ui_.fontTest->setEnabled(savedButtons_.fontTest);
  ui_.portSelection->setEnabled(savedButtons_.port);
}

void TForm2::BTN_WriteSWClick() {
  ui_.log->clear();
  JobInput input = takeJobInput();
  input.values = writeValues();
  // Values that cannot be written are refused before the user is asked to keep the printer on.
  if (const auto why = WriteRefusal(input.values)) {
    DebugTrace("(WriteSW)" + *why + "; nothing written");
    notifier_->notify(WriteOutcomeMessage({WriteOutcome::Refused, *why}));
    return;
  }
  notifier_->notify(WriteWarningMessage());
  const LinkKind kind = LinkKind::FromSelectionText(input.portText);
  if (!kind.isTcp() && !kind.isUsb() && !kind.isCom()) return;
  if (kind.isTcp()) hostText_ = input.hostText;
  setOperationButtons(false);
  postLinkJob([this, input] { ConnectThreadExecute(ConnectMode::WriteSwitches, input); });
}

void TForm2::BTN_SelfTestClick() { StartTestPrint(ConnectMode::SelfTest); }

void TForm2::BTN_FontTestClick() { StartTestPrint(ConnectMode::FontTest); }

void TForm2::StartTestPrint(ConnectMode mode) {
  JobInput input = takeJobInput();
  // TCP/IP prints to the address the last read or write used.
  if (!hostText_.empty()) input.hostText = hostText_;
  const LinkKind kind = LinkKind::FromSelectionText(input.portText);
  if (!kind.isTcp() && !kind.isUsb() && !kind.isCom()) return;
  setOperationButtons(false);
  postLinkJob([this, mode, input] { ConnectThreadExecute(mode, input); });
}

void TForm2::FinishOperation(const UserMessage* message) {
  setOperationButtons(true);
  if (message) notifier_->notify(*message);
  emit operationFinished();
}

void TForm2::Timer1Timer() {
  if (watchdogTicks_ >= kWatchdogLimit) {
    DebugTrace("(Timer1)WattingTimer = " + std::to_string(watchdogTicks_));
    ReadFailed(0, lastAbortReason_);
    return;
  }
  ++watchdogTicks_;
  DebugTrace("(Timer1)WattingTimer = " + std::to_string(watchdogTicks_));
}

void TForm2::ReadFailed(int code, const std::string& cause) {
  if (!timer1_.isActive()) return;
  timer1_.stop();
  ++generation_;  // the read's job touches nothing from now on
  watchdogTicks_ = 0;
  ui_.progress->setValue(0);
  notifier_->notify({code == 1 ? "Open usb FAILED" : "Read software switch FAILED", "WARNING", MessageIcon::Warning,
                     cause});
  ui_.writeSW->setEnabled(false);
  ui_.fontTest->setEnabled(false);
  ui_.selfTest->setEnabled(false);
  ui_.saveProfile->setEnabled(false);
  ui_.loadProfile->setEnabled(false);
  ui_.readSW->setEnabled(true);
  ui_.portSelection->setEnabled(true);
  postLinkJob([this] {
    if (links_->comm1.isOpen()) links_->comm1.close();
    links_->deviceHandle.close();
  });
  emit readFinished(false);
}

void TForm2::ReadSucceeded(bool tcp, const ReadIntegrity& integrity) {
  readIntegrity_ = integrity;
  userSet_ = {};
  ui_.writeSW->setEnabled(true);
  ui_.saveProfile->setEnabled(true);
  ui_.loadProfile->setEnabled(true);
  ui_.fontTest->setEnabled(true);
  ui_.selfTest->setEnabled(true);
  if (tcp) ui_.ipAddress->setEnabled(false);
  ui_.portSelection->setEnabled(false);
  ui_.progress->setValue(100);
  ui_.readSW->setEnabled(true);
  emit readFinished(true);
}

void TForm2::postLinkJob(std::function<void()> job) {
  // After the window has closed, the links are gone and the thread takes no more jobs. An
  // exception a job lets out is reported, and the link thread goes on with the next job.
  linkThread_.post([this, job = std::move(job)] {
    if (!links_) return;
    try {
      job();
    } catch (...) {
      const UserMessage report = ExceptionReport(CurrentExceptionText());
      bridge_.run([this, report] { notifier_->notify(report); });
    }
  });
}

std::function<void()> TForm2::guarded(std::function<void()> handler) {
  return [this, handler = std::move(handler)] { RunReportingExceptions(*notifier_, handler); };
}
