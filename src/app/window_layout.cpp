#include "app/window_layout.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStackedLayout>
#include <QStyledItemDelegate>
#include <QSvgRenderer>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/radio_group.h"
#include "model/printer_record.h"
#include "model/switch_bank.h"

namespace {

template <typename W>
W* Named(W* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}

QLabel* Logo() {
  QSvgRenderer renderer(QStringLiteral(":/logo.svg"));
  QPixmap pixmap(360, 80);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  renderer.render(&painter);
  auto* label = Named(new QLabel, "Image1");
  label->setPixmap(pixmap);
  return label;
}

// The Log History keeps every line as the read made it, "\r\n" included (it is copied that
// way); on screen each line takes one row.
class LogLineDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    // (The item view shows a line end as a line separator.)
    while (option->text.endsWith('\n') || option->text.endsWith('\r') || option->text.endsWith(QChar::LineSeparator))
      option->text.chop(1);
  }
};

QLineEdit* ReadOnlyEdit(const QString& name) {
  auto* edit = Named(new QLineEdit, name);
  edit->setReadOnly(true);
  return edit;
}

QComboBox* Combo(const QString& name, bool editable) {
  auto* combo = Named(new QComboBox, name);
  combo->setEditable(editable);
  return combo;
}

}  // namespace

void WindowLayout::build(QWidget* central) {
  using kestrova::RecordField;
  using kestrova::RecordFieldInfoOf;

  // Top row: logo left, link choice and its settings right.
  image1 = Logo();
  portSelection = Combo("CMB_RTPortSelection", false);
  auto* portLabel = Named(new QLabel("Printer Port Selection"), "TXT_PrinterPortSelection");

  tcpSettings = Named(new QGroupBox("TCP/IP Settings"), "GB_TCPIPSettings");
  ipAddress = Named(new QLineEdit, "TXT_IPAddress");
  static const QString octet = "(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])";
  ipAddress->setValidator(new QRegularExpressionValidator(
      QRegularExpression("^" + octet + "\\." + octet + "\\." + octet + "\\." + octet + "$"), ipAddress));
  port = Named(new QLineEdit, "TXT_Port");
  auto* tcpForm = new QFormLayout(tcpSettings);
  tcpForm->addRow("IP Address", ipAddress);
  tcpForm->addRow("Port", port);

  usbSettings = Named(new QGroupBox("USB Settings"), "GB_USBSettings");
  modelList = Combo("CMB_ModelList", false);
  auto* usbForm = new QFormLayout(usbSettings);
  usbForm->addRow("Select Printer Model", modelList);

  comSettings = Named(new QGroupBox("COM Settings"), "GB_COMSettings");
  auto* baudGroup = Named(new QGroupBox("Baud Rate"), "GB_BaudRate");
  auto* baudLayout = new QGridLayout(baudGroup);
  baudLayout->setContentsMargins(6, 2, 6, 2);
  const char* rates[] = {"9600", "19200", "38400", "115200"};
  for (int i = 0; i < 4; ++i) {
    baudRates[static_cast<std::size_t>(i)] = Named(new QRadioButton(rates[i]), QString("RDB_BaudRate") + rates[i]);
    baudLayout->addWidget(baudRates[static_cast<std::size_t>(i)], i / 2, i % 2);
  }
  handshaking = new RadioGroup("RBG_Handshaking", "Handshaking", {"DTR/DSR", "XON/XOFF"}, Qt::Vertical);
  parity = new RadioGroup("RBG_ParityCheck", "Parity Check", {"NONE", "EVEN"}, Qt::Vertical);
  comDevice = Named(new QLabel, "TXT_ComDevice");
  auto* comLayout = new QGridLayout(comSettings);
  comLayout->setContentsMargins(6, 2, 6, 2);
  comLayout->addWidget(baudGroup, 0, 0);
  comLayout->addWidget(handshaking, 0, 1);
  comLayout->addWidget(parity, 0, 2);
  comLayout->addWidget(comDevice, 1, 0, 1, 3);

  auto* settingsHolder = new QWidget;
  auto* stack = new QStackedLayout(settingsHolder);
  stack->setStackingMode(QStackedLayout::StackAll);
  stack->addWidget(tcpSettings);
  stack->addWidget(usbSettings);
  stack->addWidget(comSettings);

  auto* right = new QGridLayout;
  right->addWidget(portLabel, 0, 0);
  right->addWidget(portSelection, 0, 1);
  right->addWidget(settingsHolder, 1, 0, 1, 2);
  right->setColumnStretch(1, 1);

  // Under the logo: the profile buttons.
  saveProfile = Named(new QPushButton("Save Profile..."), "BTN_SaveProfile");
  loadProfile = Named(new QPushButton("Load Profile..."), "BTN_LoadProfile");
  auto* profileRow = new QHBoxLayout;
  profileRow->addWidget(saveProfile);
  profileRow->addWidget(loadProfile);
  profileRow->addStretch(1);
  auto* left = new QVBoxLayout;
  left->addWidget(image1);
  left->addLayout(profileRow);
  left->addStretch(1);

  auto* top = new QHBoxLayout;
  top->addLayout(left);
  top->addLayout(right, 1);

  // Middle: the page control.
  pages = Named(new QTabWidget, "PAGE_Main");
  pages->setStyleSheet("QTabBar::tab { padding: 4px 6px; }");

  auto* infoTab = Named(new QWidget, "TAB_PrinterInformation");
  auto* printerGroup = Named(new QGroupBox("Printer Information"), "GB_PrinterInformation");
  auto* languageGroup = Named(new QGroupBox("Language Information"), "GB_LanguageInformation");
  auto* printerForm = new QFormLayout(printerGroup);
  auto* languageForm = new QFormLayout(languageGroup);
  for (int i = 0; i < kestrova::kRecordFieldCount; ++i) {
    const auto& info = RecordFieldInfoOf(static_cast<RecordField>(i));
    recordEdits[static_cast<std::size_t>(i)] = ReadOnlyEdit(info.widgetName);
    (i < 8 ? printerForm : languageForm)->addRow(info.caption, recordEdits[static_cast<std::size_t>(i)]);
  }
  auto* infoLayout = new QHBoxLayout(infoTab);
  infoLayout->addWidget(printerGroup);
  infoLayout->addWidget(languageGroup);
  pages->addTab(infoTab, "Printer Information");

  for (int n = 1; n <= kestrova::kSwitchBytes; ++n) {
    auto* tab = Named(new QWidget, (n == 5 ? "Tab_SoftwareSwitch" : "TAB_SoftwareSwitch") + QString::number(n));
    auto* grid = new QGridLayout(tab);
    grid->setVerticalSpacing(2);
    grid->setContentsMargins(8, 4, 8, 4);
    for (int b = 1; b <= kestrova::kBitsPerSwitch; ++b) {
      const auto i = static_cast<std::size_t>(kestrova::SwitchIndex(n, b));
      const QString id = QString("SW%1_%2").arg(n).arg(b);
      switches[i] = new RadioGroup("RBG_" + id, QString("SW%1-%2").arg(n).arg(b), {"ON", "OFF"}, Qt::Horizontal);
      switches[i]->setFixedWidth(150);
      auto* definition = Named(new QGroupBox("Definition"), "GB_" + id + "Definition");
      switchInfo[i] = Named(new QLabel("NULL"), "TXT_" + id + "info");
      switchInfo[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
      auto* defLayout = new QHBoxLayout(definition);
      defLayout->setContentsMargins(6, 0, 6, 2);
      defLayout->addWidget(switchInfo[i]);
      grid->addWidget(switches[i], b - 1, 0);
      grid->addWidget(definition, b - 1, 1);
    }
    grid->setColumnStretch(1, 1);
    pages->addTab(tab, QString("Switch %1").arg(n));
  }

  auto* languageTab = Named(new QWidget, "TAB_AdditionalSoftwareSwitch1");
  selectCodePage = Combo("CMB_SelectCodePage", false);
  codePageName = Combo("CMB_CodePageName", false);
  codePageName->setEnabled(false);
  internationalCharSet = Combo("CMB_InternationalCharSet", true);
  selectNewFont = Combo("CMB_SelectNew18x16Font", true);
  auto* languageSettings = Named(new QGroupBox("Language Settings"), "GB_LanguageSettings");
  auto* languageSettingsForm = new QFormLayout(languageSettings);
  languageSettingsForm->addRow("Select Code Page", selectCodePage);
  languageSettingsForm->addRow("Code Page Name", codePageName);
  languageSettingsForm->addRow("International Character Set", internationalCharSet);
  languageSettingsForm->addRow("Select New 8x16 Font", selectNewFont);
  auto* languageTabLayout = new QVBoxLayout(languageTab);
  languageTabLayout->addWidget(languageSettings);
  languageTabLayout->addStretch(1);
  pages->addTab(languageTab, "Additional Software Switch");

  auto* logTab = Named(new QWidget, "TAB_LogHistory");
  log = Named(new QListWidget, "LIST_Log");
  log->setSelectionMode(QAbstractItemView::ExtendedSelection);
  log->setItemDelegate(new LogLineDelegate(log));
  auto* logLayout = new QVBoxLayout(logTab);
  logLayout->addWidget(log);
  pages->addTab(logTab, "Log History");

  // Bottom: the five buttons and the progress bar.
  readSW = Named(new QPushButton("Read Settings"), "BTN_ReadSW");
  writeSW = Named(new QPushButton("Write Settings"), "BTN_WriteSW");
  selfTest = Named(new QPushButton("Self Test"), "BTN_SelfTest");
  fontTest = Named(new QPushButton("Fonts Test"), "BTN_FontTest");
  exit = Named(new QPushButton("Exit"), "BTN_Exit");
  auto* buttons = new QHBoxLayout;
  for (auto* b : {readSW, writeSW, selfTest, fontTest, exit}) buttons->addWidget(b);
  progress = Named(new QProgressBar, "ProgressBar1");
  progress->setRange(0, 100);
  progress->setValue(0);

  auto* main = new QVBoxLayout(central);
  main->setContentsMargins(8, 6, 8, 6);
  main->addLayout(top);
  main->addWidget(pages, 1);
  main->addLayout(buttons);
  main->addWidget(progress);
}
