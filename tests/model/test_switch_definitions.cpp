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
  // Every number: the table lists bits in order, once each; the 40 pairs are the
  // table's and "Reserve"/"Reserve" elsewhere, "Reserve" always as a pair; numbers outside the
  // catalogue get no table; no member bit of a field of the model is "Reserve".
  void everyModelHasFortyDefinitions() {
    for (int m = 0; m < 256; ++m) {
      const auto model = static_cast<ModelNo>(m);
      const auto table = SwitchDefinitionTable(model);
      const SwitchDefinitions all = ModelDefinitions(model);
      QCOMPARE(table.empty(), m == 0 || FindModel(model) == nullptr);
      QCOMPARE(kAllModels.contains(model), m != 0 && FindModel(model) != nullptr);
      int last = -1;
      for (const auto& e : table) {
        QVERIFY2(e.index > last && e.index < kSwitchBits, qPrintable(QString("model %1 bit %2").arg(m).arg(e.index)));
        QVERIFY((e.on == kReserve) == (e.off == kReserve));
        last = e.index;
      }
      std::size_t next = 0;
      for (int i = 0; i < kSwitchBits; ++i) {
        const auto& d = all[static_cast<std::size_t>(i)];
        if (next < table.size() && table[next].index == i) {
          QVERIFY(d == (SwitchDefinition{table[next].on, table[next].off}));
          ++next;
        } else {
          QVERIFY(d == (SwitchDefinition{kReserve, kReserve}));
        }
      }
      for (const SwitchField& f : FieldCatalogue())
        if (f.models.contains(model))
          for (int k = 0; k < f.width; ++k) QVERIFY(all[static_cast<std::size_t>(f.bitIndex(k))].on != kReserve);
    }
    QVERIFY(ModelDefinitions(models::RT3206) == ModelDefinitions(models::RT3207));
    QVERIFY(DefinitionBank(0).empty() && DefinitionBank(6).empty());
  }

  // Unused bits of a few models, typed from the documentation.
  void reservedBits() {
    const char* const rows[][2] = {
        {"RT5500", "SW2-1 SW3-2 SW3-3 SW3-4 SW5-1 SW5-2 SW5-6 SW5-7 SW5-8"},
        {"RT5602", "SW1-4 SW1-5 SW5-*"},
        {"RT5503", "SW2-1 SW5-3 SW5-4 SW5-5 SW5-6 SW5-7 SW5-8"},
        {"MV7500", "SW1-1 SW1-2 SW1-4 SW2-1 SW2-5 SW3-6 SW4-1 SW4-8 SW5-*"},
        {"RT3207", "SW5-1 SW5-6 SW5-7 SW5-8"},
        {"none", "SW1-* SW2-* SW3-* SW4-* SW5-*"}};
    for (const auto& row : rows) {
      const SwitchDefinitions definitions = ModelDefinitions(Model(row[0]));
      QStringList reserved, expected;
      for (int i = 0; i < kSwitchBits; ++i)
        if (definitions[std::size_t(i)].on == kReserve) reserved << Q(SwitchName(i));
      for (int i : Bits(row[1])) expected << Q(SwitchName(i));
      QCOMPARE(QString(row[0]) + ": " + reserved.join(' '), QString(row[0]) + ": " + expected.join(' '));
    }
  }

  // Exact texts, trailing blanks and typing errors included.
  void spotTexts() {
    const char* const rows[][4] = {
        {"RT3200", "SW2-5", "Busy condition - Disable ", "Busy condition - Enable"},
        {"RT6100", "SW2-5", "Busy condition - Disable", "Busy condition - Enable"},
        {"MV7120SK", "SW2-5", "Handshaking - XON/XOFF", "Handshaking - DTR/DSR "},
        {"KD250", "SW3-1", "Raster Bitmap Printing - Line Print", "Raster Bitmap Printing - Batch Print "},
        {"RT3207", "SW2-2", "Paper width - 58mm", "Paper width - 80mn"},
        {"KD240", "SW2-6", "< CR > Auto Line Feed - Enalbe", "< CR > Auto Line Feed - Disable"},
        {"KD240", "SW1-8", "", ""},
        {"KD250", "SW1-8", "Undefined", "Undefined"},
        {"KD250", "SW3-2", "Reserved", "Reserved"},
        {"RT3200", "SW1-8", "Firmware update mode - Enable", "Firmware update mode - Disable(Fixed to OFF)"},
        {"RT3207", "SW1-8", "Firmware update Mode - Enable", "Firmware update Mode - Disable (Fixed to OFF)"},
        {"RT5602", "SW1-3", "COM", "USB"},
        {"RT4300", "SW2-1", "Paper Feed Back - Enable", "Paper Feed Back - Disable"},
        {"RT4300X", "SW3-2", "Print Speed - 200mm/s", "Print Speed - 170mm/s"},
        {"RT5502", "SW3-3", "Thai Font mode - 3 Pass", "Thai Font mode - 1 Pass"},
        {"RT6400K", "SW3-8", "Thai Font mode - 3 PASS", "Thai Font mode - 1 PASS"},
        {"RT3206", "SW4-8", "ASCII V 0 - Enable", "ASCII V 0 - Disable"},
        {"RT4300", "SW5-4", "No beep sound when Paper Out", "Keep on beeping when Paper Out"},
        {"RT5503", "SW5-1", "Printer PID - For RT5600", "Printer PID - Default"},
        {"MV7500", "SW1-8", "USB condition - NAK packet", "USB condition - Zero packet"},
    };
    for (const auto& row : rows) {
      const SwitchDefinitions definitions = ModelDefinitions(Model(row[0]));
      const auto& d = definitions[std::size_t(Bit(row[1]))];
      QCOMPARE(QString("%1 %2: [%3] [%4]").arg(row[0], row[1], Q(d.on), Q(d.off)),
               QString("%1 %2: [%3] [%4]").arg(row[0], row[1], row[2], row[3]));
    }
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
    QCOMPARE(Q(view.labels[std::size_t(Bit("SW5-1"))]), QString("Reserve"));
  }

  // Before the first read the definitions are empty strings: a click blanks the label, and a
  // group with nothing selected leaves it as it is.
  void clickBeforeFirstRead() {
    SwitchViewValues view;
    const SwitchDefinitions empty{};
    const auto sw21 = static_cast<std::size_t>(Bit("SW2-1"));
    RefreshSwitch(Bit("SW2-1"), 0, empty, view);
    QCOMPARE(Q(view.labels[sw21]), QString("NULL"));
    view.positions[sw21] = kPositionOn;
    RefreshSwitch(Bit("SW2-1"), 0, empty, view);
    QCOMPARE(Q(view.labels[sw21]), QString(""));
    QCOMPARE(Q(view.labels[sw21 + 1]), QString("NULL"));
  }

  // The density box after a read: the bare value of the model's SW3 density field (F8 or F9, SW3-8
  // left out of F9) for the twelve models that show one, left alone for the others
  // (RT6400K's comes from its field); typed rows below.
  void derivedPrintDensityFollowsTheField() {
    for (int m = 0; m < 32; ++m) {
      const auto model = static_cast<ModelNo>(m);
      if (m && !FindModel(model)) continue;
      const SwitchField* field = nullptr;
      for (FieldVariant v : {F8, F9_RT5600_RT5602})
        if (Field(v).models.contains(model)) field = &Field(v);
      for (int sw3 = 0; sw3 < 256; sw3 += 3) {
        SwitchViewValues view = ViewOfBytes(0, 0, sw3, 0, 0);
        view.density = "before";
        SwitchDefinitions active{};
        ApplyModelDefinitions(model, active, view);
        if (model == models::RT6400K) continue;
        QString expected = "before";
        if (field) {
          expected = Q(field->values[std::size_t((sw3 >> 4) & ((1 << field->width) - 1))]);
          if (expected.startsWith(" - ")) expected = expected.mid(3);
        }
        QCOMPARE(Q(view.density), expected);
      }
    }
  }
  void derivedTexts() {
    // name, model, SW3 byte, bit left unselected, density box, Thai box ("before": untouched)
    const struct {
      const char *name, *model;
      int sw3;
      const char *unselected, *density, *thai;
    } rows[] = {
        {"RT5600 80%", "RT5600", 0xA0, "", "80%", "before"},
        {"RT5602 undefined", "RT5602", 0x1A, "", "Undefined", "before"},
        {"RT3200 80%", "RT3200", 0x55, "", "80%", "before"},
        {"KD240 null", "KD240", 0x05, "", "null", "before"},
        {"RT5503 100%", "RT5503", 0xF0, "", "100%", "3 PASS"},
        {"RT6400K 70%", "RT6400K", 0x14, "", "70%", "before"},
        {"MV7500", "MV7500", 0x14, "", "before", "before"},
        // A group with nothing selected gives no density rather than an entry chosen by -1.
        {"RT3200 SW3-5 none", "RT3200", 0xF0, "SW3-5", "", "before"},
        {"RT3200 SW3-8 none", "RT3200", 0xF0, "SW3-8", "", "before"},
        {"RT5602 SW3-7 none", "RT5602", 0xF0, "SW3-7", "", "before"},
        // Thai passes from SW3-3 for three models only.
        {"RT5502 thai OFF", "RT5502", 0x04, "", "null", "1 PASS"},
        {"RT5500E thai ON", "RT5500E", 0x00, "", "null", "3 PASS"},
        {"RT5503 thai none", "RT5503", 0x00, "SW3-3", "null", "before"},
        {"RT6400K thai", "RT6400K", 0x04, "", "Undefined", "before"},
        {"RT5600 thai", "RT5600", 0x00, "", "Undefined", "before"},
        {"no model", "none", 0x00, "", "before", "before"},
    };
    for (const auto& row : rows) {
      SwitchViewValues view = ViewOfBytes(0, 0, row.sw3, 0, 0);
      if (*row.unselected) view.positions[std::size_t(Bit(row.unselected))] = kPositionNone;
      view.density = "before";
      view.thaiPass = "before";
      SwitchDefinitions active{};
      ApplyModelDefinitions(Model(row.model), active, view);
      QCOMPARE(QString("%1: %2 / %3").arg(row.name, Q(view.density), Q(view.thaiPass)),
               QString("%1: %2 / %3").arg(row.name, row.density, row.thai));
    }
  }
};

QTEST_APPLESS_MAIN(SwitchDefinitionsTest)
#include "test_switch_definitions.moc"
