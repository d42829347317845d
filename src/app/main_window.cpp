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
#include "model/debug_trace.h"
#include "model/model_choice.h"
#include "model/switch_fields.h"
#include "session/printer_session.h"

using namespace kestrova;

// Resources of a static library are registered by hand; the macro must stand outside namespaces.
static void InitAppResources() { Q_INIT_RESOURCE(app); }

namespace {

constexpr int kWatchdogIntervalMs = 500;
constexpr int kWatchdogLimit = 7;  // the eighth tick reports the failure

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The controls each phase enables (1), disables (0) or leaves as they are (-1): Read Settings,
// Write Settings, Self Test, Font Test, the port selection, Save Profile, Load Profile. Busy (a
// write or test print under way) keeps the first five as they were, to give them back after.
constexpr int kPhaseControls = 7;
constexpr int kBusyKept = 5;
constexpr std::array<std::array<int, kPhaseControls>, 5> kPhaseStates = {{
    //  read write self font port save load
    {-1, 0, 0, 0, -1, 0, 0},  // Start
    {0, 0, 0, 0, 0, 0, 0},    // Reading
    {1, 0, 0, 0, 1, 0, 0},    // ReadFailed
    {1, 1, 1, 1, 0, 1, 1},    // ReadDone
    {0, 0, 0, 0, 0, -1, -1},  // Busy
}};

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
  setWindowTitle(QString(kApplicationTitle) + " v" + KESTROVA_VERSION);
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::WindowSystemMenuHint);
  QFont base = font();
  base.setPointSize(8);
  setFont(base);
  auto* central = new QWidget(this);
  setCentralWidget(central);
  ui_.build(central);
  setFixedSize(790, 612);
  enterPhase(Phase::Start);

  // The session and its links live on the link thread for the window's whole life.
  linkThread_.begin();
  PrinterSession::Options sessionOptions;
  sessionOptions.clock = clock_;
  sessionOptions.usbBackend = options_.usbBackend;
  sessionOptions.windowTraces = true;
  session_ = linkThread_.call([sessionOptions] { return std::make_unique<PrinterSession>(sessionOptions); }).get();

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
    session_->closeAll();
    session_.reset();
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

// The one handler of all four baud-rate buttons: the rate of the first checked one goes to the
// serial component with the next read or write.
void TForm2::RDB_BaudRate9600Click() {
  std::array<bool, 4> checked{};
  for (std::size_t i = 0; i < checked.size(); ++i) checked[i] = ui_.baudRates[i]->isChecked();
  serial_.baudRate = BaudRateFromButtons(checked, serial_.baudRate);
}

void TForm2::RBG_HandshakingClick() { serial_.handshaking = HandshakingFromItem(ui_.handshaking->itemIndex(), serial_.handshaking); }

void TForm2::RBG_ParityCheckClick() { serial_.parity = ParityFromItem(ui_.parity->itemIndex(), serial_.parity); }

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
  input.choice = LinkChoice::FromSelectionText(ui_.portSelection->currentText().toStdString());
  input.choice.host = currentHostText();
  input.choice.portField = ui_.port->text().toStdString();
  input.choice.serial = serial_;
  input.choice.selectedModel = selectedModelNo_;
  return input;
}

void TForm2::BTN_ReadSWClick() {
  ui_.log->clear();
  progressStep_ = 5;
  timer1_.start();
  enterPhase(Phase::Reading);
  activeModelNo_ = 0;
  readIntegrity_ = {};
  userSet_ = {};
  watchdogTicks_ = 0;
  lastAbort_ = {kReadFailedText, {}};
  ui_.progress->setValue(0);

  // A new read gives up whatever an earlier one may still hold on the link thread.
  ++generation_;
  const JobInput input = takeJobInput();
  if (input.choice.kind == LinkChoice::Kind::Tcp) hostText_ = input.choice.host;
  readLink_ = input.choice.kind == LinkChoice::Kind::Tcp ? input.choice.host + ":" + input.choice.portField
                                                         : ui_.portSelection->currentText().toStdString();
  postLinkTask([this, input] { return ExecuteRead(input); });
}

WriteValues TForm2::writeValues() const {
  WriteValues values;
  for (int n = 1; n <= kSwitchBytes; ++n) values.switches[static_cast<std::size_t>(n - 1)] = SwitchByte(switchView_, n);
  const LanguageWriteValues language = LanguageToWrite(ReadLanguageControls(ui_));
  values.codePageNumber = language.codePageNumber;
  values.codePageName = language.codePageName;
  values.charSetNumber = language.charsetNumber;
  values.fontOn = language.new8x16FontOn;
  return ValuesToWrite(values, readIntegrity_, userSet_);
}

void TForm2::enterPhase(Phase phase) {
  const std::array<QWidget*, kPhaseControls> controls = {ui_.readSW,        ui_.writeSW,     ui_.selfTest,   ui_.fontTest,
                                                         ui_.portSelection, ui_.saveProfile, ui_.loadProfile};
  const auto& states = kPhaseStates[static_cast<std::size_t>(phase)];
  if (phase == Phase::Busy)
    for (std::size_t i = 0; i < kBusyKept; ++i) savedButtons_[i] = controls[i]->isEnabled();
  for (std::size_t i = 0; i < controls.size(); ++i)
    if (states[i] >= 0) controls[i]->setEnabled(states[i] == 1);
}

void TForm2::BTN_WriteSWClick() {
  ui_.log->clear();
  JobInput input = takeJobInput();
  input.values = writeValues();
  // Values that cannot be written are refused before the user is asked to keep the printer on.
  if (const auto why = WriteRefusal(input.values)) {
    notifier_->notify(WriteOutcomeMessage({WriteOutcome::Refused, *why}));
    return;
  }
  if (input.choice.kind == LinkChoice::Kind::None) return notifier_->notify(WriteWarningMessage());
  // Nothing is sent without a backup of what the printer held.
  if (!saveBackup()) return;
  notifier_->notify(WriteWarningMessage());
  if (input.choice.kind == LinkChoice::Kind::Tcp) hostText_ = input.choice.host;
  enterPhase(Phase::Busy);
  postLinkTask([this, input] { return ExecuteOperation(JobMode::WriteSwitches, input); });
}

void TForm2::BTN_SelfTestClick() { StartTestPrint(JobMode::SelfTest); }

void TForm2::BTN_FontTestClick() { StartTestPrint(JobMode::FontTest); }

void TForm2::StartTestPrint(JobMode mode) {
  JobInput input = takeJobInput();
  // TCP/IP prints to the address the last read or write used.
  if (!hostText_.empty()) input.choice.host = hostText_;
  if (input.choice.kind == LinkChoice::Kind::None) return;
  enterPhase(Phase::Busy);
  postLinkTask([this, mode, input] { return ExecuteOperation(mode, input); });
}

void TForm2::FinishOperation(const UserMessage* message, ModelNo discovered) {
  // A USB discovery made by the operation sets the model number, as the one of a read does.
  if (discovered != 0) activeModelNo_ = discovered;
  const std::array<QWidget*, kBusyKept> kept = {ui_.readSW, ui_.writeSW, ui_.selfTest, ui_.fontTest, ui_.portSelection};
  for (std::size_t i = 0; i < kept.size(); ++i) kept[i]->setEnabled(savedButtons_[i]);
  if (message) notifier_->notify(*message);
  emit operationFinished();
}

void TForm2::Timer1Timer() {
  if (watchdogTicks_ >= kWatchdogLimit) {
    DebugTrace("(Timer1)WattingTimer = " + std::to_string(watchdogTicks_));
    ReadFailed(lastAbort_.message, lastAbort_.cause);
    return;
  }
  ++watchdogTicks_;
  DebugTrace("(Timer1)WattingTimer = " + std::to_string(watchdogTicks_));
}

void TForm2::ReadFailed(const std::string& message, const std::string& cause) {
  if (!timer1_.isActive()) return;
  timer1_.stop();
  ++generation_;  // the read's job touches nothing from now on
  watchdogTicks_ = 0;
  ui_.progress->setValue(0);
  notifier_->notify({message, "WARNING", MessageIcon::Warning, cause});
  enterPhase(Phase::ReadFailed);
  postLinkJob([this] { session_->closeAllButTcp(); });
  emit readFinished(false);
}

void TForm2::ReadSucceeded(bool tcp, const ReadIntegrity& integrity) {
  readIntegrity_ = integrity;
  userSet_ = {};
  readProfile_ = shownProfile();
  const auto text = [this](RecordField f) { return ui_.recordEdits[static_cast<std::size_t>(f)]->text().toStdString(); };
  readSource_ = {readLink_, text(RecordField::SerialNumber), text(RecordField::Frwv)};
  enterPhase(Phase::ReadDone);
  if (tcp) ui_.ipAddress->setEnabled(false);
  ui_.progress->setValue(100);
  emit readFinished(true);
}

void TForm2::postLinkJob(std::function<void()> job) {
  postLinkTask([job = std::move(job)]() -> Task<void> {
    job();
    co_return;
  });
}

void TForm2::postLinkTask(std::function<Task<void>()> job) {
  // After the window has closed, the links are gone and the thread takes no more jobs. An
  // exception a job lets out is reported, and the link thread goes on with the next job.
  linkThread_.postTask([this, job = std::move(job)]() -> Task<void> {
    if (!session_) co_return;
    std::string failure;
    bool failed = false;
    try {
      co_await job();
    } catch (...) {
      failure = CurrentExceptionText();
      failed = true;
    }
    if (!failed) co_return;
    const UserMessage report = ExceptionReport(failure);
    bridge_.run([this, report] { notifier_->notify(report); });
  });
}

std::function<void()> TForm2::guarded(std::function<void()> handler) {
  return [this, handler = std::move(handler)] { RunReportingExceptions(*notifier_, handler); };
}
