#pragma once
// The widgets of the main window, created and laid out once; every widget carries its name as its
// objectName so tests and accessibility tools find it. Behaviour lives in TForm2.
#include <QString>
#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QWidget;
class RadioGroup;

struct WindowLayout {
  QLabel* image1 = nullptr;
  QComboBox* portSelection = nullptr;  // CMB_RTPortSelection
  QGroupBox* tcpSettings = nullptr;    // GB_TCPIPSettings
  QLineEdit* ipAddress = nullptr;      // IPv4 address control
  QLineEdit* port = nullptr;           // TXT_Port
  QGroupBox* usbSettings = nullptr;    // GB_USBSettings
  QComboBox* modelList = nullptr;      // CMB_ModelList
  QGroupBox* comSettings = nullptr;    // GB_COMSettings
  std::array<QRadioButton*, 4> baudRates{};  // RDB_BaudRate9600 .. RDB_BaudRate115200
  RadioGroup* handshaking = nullptr;   // RBG_Handshaking
  RadioGroup* parity = nullptr;        // RBG_ParityCheck
  QLabel* comDevice = nullptr;         // device node of the chosen COM entry

  QTabWidget* pages = nullptr;         // PAGE_Main
  std::array<QLineEdit*, 15> recordEdits{};  // in RecordField order
  std::array<RadioGroup*, 40> switches{};    // RBG_SW1_1 .. RBG_SW5_8
  std::array<QLabel*, 40> switchInfo{};      // TXT_SW1_1info .. TXT_SW5_8info
  QComboBox* selectCodePage = nullptr;       // CMB_SelectCodePage
  QComboBox* codePageName = nullptr;         // CMB_CodePageName
  QComboBox* internationalCharSet = nullptr; // CMB_InternationalCharSet
  QComboBox* selectNewFont = nullptr;        // CMB_SelectNew18x16Font
  QListWidget* log = nullptr;                // LIST_Log

  QPushButton* saveProfile = nullptr;  // BTN_SaveProfile, under the logo
  QPushButton* loadProfile = nullptr;  // BTN_LoadProfile

  QPushButton* readSW = nullptr;    // BTN_ReadSW
  QPushButton* writeSW = nullptr;   // BTN_WriteSW
  QPushButton* selfTest = nullptr;  // BTN_SelfTest
  QPushButton* fontTest = nullptr;  // BTN_FontTest
  QPushButton* exit = nullptr;      // BTN_Exit
  QProgressBar* progress = nullptr; // ProgressBar1

  // Builds every widget into the window's central widget.
  void build(QWidget* central);
};
