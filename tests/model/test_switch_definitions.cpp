#include <QtTest>

#include "model/model_set.h"
#include "model/switch_definitions.h"
#include "model/switch_fields.h"
#include "model/switch_view.h"
#include "switch_test_helpers.h"

using namespace kestrova;
using namespace switch_test;

class SwitchDefinitionsTest : public QObject {
  Q_OBJECT
 private slots:
  // Defined bits per model and the bits that stay "Reserve".
  void definedAndReservedBits_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("defined");
    QTest::addColumn<QString>("reserve");
    QTest::newRow("RT3200") << "RT3200" << 32 << "SW5-*";
    QTest::newRow("RT5500") << "RT5500" << 31 << "SW2-1 SW3-2 SW3-3 SW3-4 SW5-1 SW5-2 SW5-6 SW5-7 SW5-8";
    QTest::newRow("RT6100") << "RT6100" << 32 << "SW5-*";
    QTest::newRow("RT4300") << "RT4300" << 34 << "SW5-1 SW5-2 SW5-5 SW5-6 SW5-7 SW5-8";
    QTest::newRow("KD240") << "KD240" << 32 << "SW5-*";
    QTest::newRow("KD250") << "KD250" << 32 << "SW5-*";
    QTest::newRow("RT5600") << "RT5600" << 31 << "SW1-3 SW5-*";
    QTest::newRow("RT4300X") << "RT4300X" << 31 << "SW1-3 SW5-*";
    QTest::newRow("RT5602") << "RT5602" << 30 << "SW1-4 SW1-5 SW5-*";
    QTest::newRow("RT5502") << "RT5502" << 30 << "SW1-8 SW2-1 SW5-*";
    QTest::newRow("RT5500E") << "RT5500E" << 31 << "SW2-1 SW5-*";
    QTest::newRow("RT6400K") << "RT6400K" << 32 << "SW5-*";
    QTest::newRow("RT5503") << "RT5503" << 33 << "SW2-1 SW5-3 SW5-4 SW5-5 SW5-6 SW5-7 SW5-8";
    QTest::newRow("MV7500") << "MV7500" << 24 << "SW1-1 SW1-2 SW1-4 SW2-1 SW2-5 SW3-6 SW4-1 SW4-8 SW5-*";
    QTest::newRow("MV7120SK") << "MV7120SK" << 35 << "SW5-4 SW5-5 SW5-6 SW5-7 SW5-8";
    QTest::newRow("RT3206") << "RT3206" << 36 << "SW5-1 SW5-6 SW5-7 SW5-8";
    QTest::newRow("RT3207") << "RT3207" << 36 << "SW5-1 SW5-6 SW5-7 SW5-8";
    QTest::newRow("no model") << "none" << 0 << "SW1-* SW2-* SW3-* SW4-* SW5-*";
  }
  void definedAndReservedBits() {
    QFETCH(QString, model);
    QFETCH(int, defined);
    QFETCH(QString, reserve);
    const SwitchDefinitions definitions = ModelDefinitions(Model(model));
    std::vector<int> reserved;
    for (int i = 0; i < kSwitchBits; ++i) {
      const auto& d = definitions[static_cast<std::size_t>(i)];
      // A bit is either a pair of "Reserve" or has no "Reserve" at all.
      QVERIFY2((d.on == kReserve) == (d.off == kReserve), qPrintable(Q(SwitchName(i))));
      if (d.on == kReserve) reserved.push_back(i);
    }
    QCOMPARE(reserved, Bits(reserve));
    QCOMPARE(kSwitchBits - static_cast<int>(reserved.size()), defined);
  }

  // Exact texts, trailing blanks and typing errors included. (Field bits show their ON text with
  // the field value; those are checked with the fields.)
  void spotTexts_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("bit");
    QTest::addColumn<QString>("on");
    QTest::addColumn<QString>("off");
    auto row = [](const char* model, const char* bit, const char* on, const char* off) {
      QTest::addRow("%s %s", model, bit) << model << bit << on << off;
    };
    row("RT3200", "SW2-5", "Busy condition - Disable ", "Busy condition - Enable");
    row("RT5503", "SW2-5", "Busy condition - Disable ", "Busy condition - Enable");
    row("RT6100", "SW2-5", "Busy condition - Disable", "Busy condition - Enable");
    row("MV7120SK", "SW2-5", "Handshaking - XON/XOFF", "Handshaking - DTR/DSR ");
    row("RT3206", "SW2-7", "Handshaking - XON/XOFF", "Handshaking - DTR/DSR");
    row("KD250", "SW3-1", "Raster Bitmap Printing - Line Print", "Raster Bitmap Printing - Batch Print ");
    row("RT6400K", "SW3-1", "Raster Bitmap Printing - Line Print", "Raster Bitmap Printing - Batch Print");
    row("RT3207", "SW2-2", "Paper width - 58mm", "Paper width - 80mn");
    row("MV7500", "SW2-2", "Paper width - 58mm", "Paper width - 80mm");
    row("KD240", "SW2-6", "< CR > Auto Line Feed - Enalbe", "< CR > Auto Line Feed - Disable");
    row("RT5600", "SW2-6", "< CR > Auto Line Feed - Disable", "< CR > Auto Line Feed - Enable");
    row("KD240", "SW1-8", "", "");
    row("KD250", "SW1-8", "Undefined", "Undefined");
    row("KD250", "SW3-2", "Reserved", "Reserved");
    row("KD250", "SW1-3", "printable width - 80mm 576dots/58mm center 424dots/58mm right 432dots",
        "printable width - 80mm 512dots/58mm center 432dots/58mm right 424dots");
    row("RT3200", "SW1-8", "Firmware update mode - Enable", "Firmware update mode - Disable(Fixed to OFF)");
    row("RT6100", "SW1-8", "Firmware update mode - Enable", "Firmware update mode - Disable (Fixed to OFF)");
    row("RT3207", "SW1-8", "Firmware update Mode - Enable", "Firmware update Mode - Disable (Fixed to OFF)");
    row("RT5500E", "SW1-8", "Printer PID - For RT5500", "Printer PID - Default");
    row("RT4300", "SW1-3", "Interface select - Onboard", "Interface select - DEFAULT / daughter board");
    row("RT5602", "SW1-3", "COM", "USB");
    row("MV7120SK", "SW1-3", "USB_CDC - Printer Class", "USB_CDC - VCOM");
    row("RT3206", "SW1-1", "Download MCU - RX", "Download MCU - ARM");
    row("RT3206", "SW2-1", "Software Switch Selection - Set Hardware Switch 1 Invalid",
        "Software Switch Selection - Set Hardware Switch 1 Valid");
    row("RT3200", "SW2-1", "Paper Feed Back - Disable", "Paper Feed Back - Enable");
    row("RT4300", "SW2-1", "Paper Feed Back - Enable", "Paper Feed Back - Disable");
    row("RT5500", "SW2-3", "Usb packet - NAK packet", "Usb packet - Zero packet");
    row("KD240", "SW2-3", "Full Cut Paper - Disable", "Full Cut Paper - Enable");
    row("RT3200", "SW3-2", "High Quality Print ( 120 mm/s ) - Enable", "High Quality Print ( 120 mm/s ) - Disable");
    row("RT4300", "SW3-2", "Print Speed - 200 mm/s", "Print Speed - 170 mm/s");
    row("RT4300X", "SW3-2", "Print Speed - 200mm/s", "Print Speed - 170mm/s");
    row("RT5502", "SW3-3", "Thai Font mode - 3 Pass", "Thai Font mode - 1 Pass");
    row("RT5602", "SW3-3", "Thai Font mode - 3 PASS", "Thai Font mode - 1 PASS");
    row("RT3200", "SW3-4", "UPOS Write - Disable", "UPOS Write - Enable");
    row("RT5600", "SW3-4", "UPOS Write - Enable", "UPOS Write - Disable");
    row("MV7500", "SW3-1", "UPOS Write - Enable", "UPOS Write - Disable");
    row("MV7120SK", "SW3-1", "UPOS Write - Enable", "UPOS Write - Disable");
    row("MV7120SK", "SW3-6", "Full Auto Change Line - Enable", "Full Auto Change Line - Disable");
    row("RT6400K", "SW3-8", "Thai Font mode - 3 PASS", "Thai Font mode - 1 PASS");
    row("RT5600", "SW3-8", "Auto cutter - Disable", "Auto cutter - Enable");
    row("RT3206", "SW4-1", "Print Speed 120mm/s - Enable", "Print Speed 120mm/s - Disable");
    row("RT4300", "SW4-8", "Switch 1 Selection - NAK packet", "Switch 1 Selection - Zero packet");
    row("KD240", "SW4-8", "Switch 1 Selection - Software", "Switch 1 Selection - Hardware");
    row("RT3206", "SW4-8", "ASCII V 0 - Enable", "ASCII V 0 - Disable");
    row("MV7120SK", "SW5-1", "ASCII V0 - Enable", "ASCII V0 - Disable");
    row("RT5503", "SW5-1", "Printer PID - For RT5600", "Printer PID - Default");
    row("RT4300", "SW5-3", "No beep sound when Paper Near End", "Make beeping sound when Paper Near End");
    row("RT4300", "SW5-4", "No beep sound when Paper Out", "Keep on beeping when Paper Out");
    row("RT5500", "SW5-5", "Cutter Beep - Six beeps", "Cutter Beep - Normal");
    row("MV7120SK", "SW5-3", "Enable DLE Protect - Enable", "Enable DLE Protect - Disable");
    row("MV7500", "SW1-8", "USB condition - NAK packet", "USB condition - Zero packet");
    row("RT5500", "SW1-5", "Print Speed - 180", "Print Speed - 220");
    row("RT4300", "SW1-5", "USB Class - CDC", "USB Class - Printer Class");
    row("RT5500E", "SW1-4", "Interface select - USB Interface Only", "Interface select - Default or Daughter Board");
    row("KD250", "SW1-6", "58mm Paper-width Alignment - right", "58mm Paper-width Alignment - center");
    row("MV7120SK", "SW1-6", "Off line busy - Disable", "Off line busy - Enable");
  }
  void spotTexts() {
    QFETCH(QString, model);
    QFETCH(QString, bit);
    QFETCH(QString, on);
    QFETCH(QString, off);
    const SwitchDefinitions definitions = ModelDefinitions(Model(model));
    const auto& d = definitions[static_cast<std::size_t>(Bit(bit))];
    QCOMPARE(Q(d.on), on);
    QCOMPARE(Q(d.off), off);
  }

  void tablesAreWellFormed() {
    for (int n = 1; n <= kSwitchBytes; ++n) {
      QVERIFY(!DefinitionBank(n).empty());
      for (const auto& row : DefinitionBank(n)) {
        QVERIFY(row.bit >= 1 && row.bit <= kBitsPerSwitch);
        QVERIFY(!row.models.empty());
        QVERIFY(!row.models.contains(0));
        // No model has two rows on one bit.
        for (const auto& other : DefinitionBank(n))
          if (&other != &row && other.bit == row.bit)
            QVERIFY2(!other.models.intersects(row.models), qPrintable(QString("SW%1-%2").arg(n).arg(row.bit)));
      }
    }
    QVERIFY(DefinitionBank(0).empty());
    QVERIFY(DefinitionBank(6).empty());
  }

  void allModelsIsTheCatalogue() {
    for (int m = 0; m < 32; ++m) QCOMPARE(kAllModels.contains(static_cast<ModelNo>(m)), FindModel(static_cast<ModelNo>(m)) != nullptr);
  }

  void rt3206AndRt3207ShareOneTable() {
    QVERIFY(ModelDefinitions(models::RT3206) == ModelDefinitions(models::RT3207));
  }

  // Numbers outside the catalogue get no table: every bit "Reserve", as for no model.
  void modelsWithoutTableAreAllReserve() {
    for (int m : {2, 5, 20, 255}) QVERIFY(ModelDefinitions(static_cast<ModelNo>(m)) == ModelDefinitions(0));
  }

  // A second read replaces the definitions completely: nothing of the first model stays.
  void anotherModelLeavesNothingBehind() {
    SwitchViewValues view = ViewOfBytes(0x00, 0xFF, 0x0F, 0xF0, 0x3C);
    SwitchDefinitions active{};
    ApplyModelDefinitions(models::RT5500E, active, view);
    view.positions = ViewOfBytes(0xA5, 0x5A, 0x33, 0xCC, 0x0F).positions;
    ApplyModelDefinitions(models::MV7500, active, view);

    SwitchViewValues fresh = ViewOfBytes(0xA5, 0x5A, 0x33, 0xCC, 0x0F);
    SwitchDefinitions freshActive{};
    ApplyModelDefinitions(models::MV7500, freshActive, fresh);
    QVERIFY(active == freshActive);
    QCOMPARE(view.labels, fresh.labels);
    for (int i : Bits("SW1-1 SW1-2 SW1-4 SW2-1 SW2-5 SW3-6 SW4-1 SW4-8 SW5-*"))
      QCOMPARE(Q(view.labels[static_cast<std::size_t>(i)]), QString("Reserve"));
  }

  // Before the first read the definitions are empty strings: a click blanks the label, and a
  // group with nothing selected leaves it as it is.
  void clickBeforeFirstRead() {
    SwitchViewValues view;
    const SwitchDefinitions empty{};
    RefreshSwitch(Bit("SW2-1"), 0, empty, view);
    QCOMPARE(Q(view.labels[static_cast<std::size_t>(Bit("SW2-1"))]), QString("NULL"));
    view.positions[static_cast<std::size_t>(Bit("SW2-1"))] = kPositionOn;
    RefreshSwitch(Bit("SW2-1"), 0, empty, view);
    QCOMPARE(Q(view.labels[static_cast<std::size_t>(Bit("SW2-1"))]), QString(""));
    QCOMPARE(Q(view.labels[static_cast<std::size_t>(Bit("SW2-2"))]), QString("NULL"));
  }

  // Print density derived at a read, for every index of both forms.
  void derivedPrintDensity_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("sw3");
    QTest::addColumn<QString>("density");
    const char* threeBits[] = {"Undefined", "Undefined", "80%", "90%", "130%", "120%", "110%", "100%"};
    for (const char* model : {"RT5600", "RT5602"})
      for (int index = 0; index < 8; ++index)
        for (int sw3_8 : {0, 1})  // SW3-8 does not take part
          QTest::addRow("%s index %d SW3-8 %d", model, index, sw3_8)
              << model << ((index << 4) | (sw3_8 << 7) | 0x0A) << threeBits[index];
    const char* fourBits[] = {"null", "null", "null", "null", "null", "80%", "85%", "90%",
                              "95%",  "130%", "125%", "120%", "115%", "110%", "105%", "100%"};
    for (const char* model :
         {"RT3200", "RT5500", "RT6100", "RT4300", "KD240", "KD250", "RT4300X", "RT5502", "RT5500E", "RT5503"})
      for (int index = 0; index < 16; ++index)
        QTest::addRow("%s index %d", model, index) << model << ((index << 4) | 0x05) << fourBits[index];
  }
  void derivedPrintDensity() {
    QFETCH(QString, model);
    QFETCH(int, sw3);
    QFETCH(QString, density);
    SwitchViewValues view = ViewOfBytes(0, 0, sw3, 0, 0);
    view.density = "before";
    SwitchDefinitions active{};
    ApplyModelDefinitions(Model(model), active, view);
    QCOMPARE(Q(view.density), density);
  }

  // A group with nothing selected gives no density rather than a table entry chosen by -1.
  void densityWithAnUnselectedGroupIsEmpty_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("unselected");
    QTest::newRow("RT3200 SW3-5") << "RT3200" << "SW3-5";
    QTest::newRow("RT3200 SW3-8") << "RT3200" << "SW3-8";
    QTest::newRow("RT5600 SW3-5") << "RT5600" << "SW3-5";
    QTest::newRow("RT5602 SW3-7") << "RT5602" << "SW3-7";
  }
  void densityWithAnUnselectedGroupIsEmpty() {
    QFETCH(QString, model);
    QFETCH(QString, unselected);
    SwitchViewValues view = ViewOfBytes(0, 0, 0xF0, 0, 0);  // SW3-5 ON: index 14 / 6, or -1 wrongly
    view.positions[static_cast<std::size_t>(Bit(unselected))] = kPositionNone;
    view.density = "previous";
    SwitchDefinitions active{};
    ApplyModelDefinitions(Model(model), active, view);
    QCOMPARE(Q(view.density), QString(""));
  }

  void thaiPass_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("sw3_3");
    QTest::addColumn<QString>("thai");
    for (const char* model : {"RT5502", "RT5500E", "RT5503"}) {
      QTest::addRow("%s OFF", model) << model << kPositionOff << "1 PASS";
      QTest::addRow("%s ON", model) << model << kPositionOn << "3 PASS";
      QTest::addRow("%s none", model) << model << kPositionNone << "before";
    }
    // Models with a Thai bit elsewhere, or none, leave the box alone.
    for (const char* model : {"RT3200", "RT5600", "RT6400K", "MV7500", "none"}) {
      QTest::addRow("%s OFF", model) << model << kPositionOff << "before";
      QTest::addRow("%s ON", model) << model << kPositionOn << "before";
    }
  }
  void thaiPass() {
    QFETCH(QString, model);
    QFETCH(int, sw3_3);
    QFETCH(QString, thai);
    SwitchViewValues view = ViewOfBytes(0, 0, 0, 0, 0);
    view.positions[static_cast<std::size_t>(Bit("SW3-3"))] = sw3_3;
    view.thaiPass = "before";
    SwitchDefinitions active{};
    ApplyModelDefinitions(Model(model), active, view);
    QCOMPARE(Q(view.thaiPass), thai);
  }

  // Models without derived texts keep the boxes; RT6400K's density comes from its SW3 field.
  void modelsWithoutDerivedTexts_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("density");
    for (const char* model : {"MV7500", "MV7120SK", "RT3206", "RT3207", "none"})
      QTest::newRow(model) << model << "before";
    QTest::newRow("RT6400K") << "RT6400K" << "70%";
  }
  void modelsWithoutDerivedTexts() {
    QFETCH(QString, model);
    QFETCH(QString, density);
    for (int sw3 : {0x10, 0x14}) {  // SW3-5 OFF, SW3-6 and SW3-7 ON: RT6400K index 1
      SwitchViewValues view = ViewOfBytes(0, 0, sw3, 0, 0);
      view.density = "before";
      view.thaiPass = "before";
      SwitchDefinitions active{};
      ApplyModelDefinitions(Model(model), active, view);
      QCOMPARE(Q(view.density), density);
      QCOMPARE(Q(view.thaiPass), QString("before"));
    }
  }
};

QTEST_APPLESS_MAIN(SwitchDefinitionsTest)
#include "test_switch_definitions.moc"
