#include <QtTest>

#include "model/model_set.h"
#include "model/switch_explain.h"
#include "switch_test_helpers.h"

using namespace kestrova;
using namespace switch_test;

namespace {

QStringList Labels(const SwitchExplanation& e) {
  QStringList list;
  for (const auto& label : e.labels) list << Q(label);
  return list;
}

}  // namespace

class SwitchExplainTest : public QObject {
  Q_OBJECT
 private slots:
  // The whole window after a read, label by label.
  void rt5600AfterARead() {
    const SwitchExplanation e = ExplainSwitches(models::RT5600, std::array<std::uint8_t, 5>{0x00, 0x00, 0x70, 0x00, 0x00});
    const QStringList expected = {
        // SW1
        "Baud Rate - 38400", "Baud Rate - 38400", "Reserve", "Onboard Interface - Undefined",
        "Onboard Interface - Undefined", "USB Class - VCOM", "Printable width - 576dots", "Paper width - 58mm",
        // SW2
        "Paper Feed Back - Enable", "Cut Paper after Cover Return - Disable", "Raster Bitmap Printing - Line Print",
        "Before Cut Paper - Cut and without paper feed", "Busy condition - Disable", "< CR > Auto Line Feed - Disable",
        "Parity Check - EVEN", "Handshaking - XON/XOFF",
        // SW3
        "Print Speed - 250mm/s", "Print Speed - 250mm/s", "Thai Font mode - 3 PASS", "UPOS Write - Enable",
        "Print Density - 100%", "Print Density - 100%", "Print Density - 100%", "Auto cutter - Disable",
        // SW4
        "Beep Sound after Cut paper - Enable", "Barcode Height Reduction - Reduce 75%",
        "Barcode Height Reduction - Reduce 75%", "Line Space Reduction - Reduce 75%", "Line Space Reduction - Reduce 75%",
        "Line Feed Reduction - Reduce 75%", "Line Feed Reduction - Reduce 75%", "Switch 1 Selection - NAK packet",
        // SW5
        "Reserve", "Reserve", "Reserve", "Reserve", "Reserve", "Reserve", "Reserve", "Reserve"};
    QCOMPARE(Labels(e), expected);
    QCOMPARE(Q(e.printDensity), QString("100%"));
    QCOMPARE(Q(e.thaiPass), QString(""));
  }

  // All OFF on RT3206, which shares its table with RT3207: spot labels with their odd spellings.
  void rt3206AllOff() {
    const std::array<std::uint8_t, 5> off{0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const SwitchExplanation e = ExplainSwitches(models::RT3206, off);
    const std::pair<const char*, const char*> spots[] = {
        {"SW1-1", "Download MCU - ARM"},
        {"SW1-8", "Firmware update Mode - Disable (Fixed to OFF)"},
        {"SW2-2", "Paper width - 80mn"},
        {"SW3-3", "Print Density - 100%"},
        {"SW4-8", "ASCII V 0 - Disable"},
        {"SW5-1", "Reserve"},
        {"SW5-2", "Print Density and Speed - Disable"},
        {"SW5-3", "Print Density adn Speed - Disable"}};
    for (const auto& [bit, label] : spots) QCOMPARE(Q(e.labels[std::size_t(Bit(bit))]), QString(label));
    QCOMPARE(Q(e.printDensity + e.thaiPass), QString(""));
    QCOMPARE(Labels(ExplainSwitches(models::RT3207, off)), Labels(e));
  }

  // A byte whose reply was invalid leaves its eight groups unselected: their plain labels stay
  // "NULL", fields that take one of them show their bare name, and no density is derived.
  void unknownBytes() {
    const std::array<std::optional<std::uint8_t>, 5> bytes{std::nullopt, std::uint8_t{0}, std::nullopt, std::uint8_t{0},
                                                           std::uint8_t{0}};
    const SwitchExplanation e = ExplainSwitches(models::RT5502, bytes);
    for (int b = 1; b <= 8; ++b) {
      QCOMPARE(e.positions[static_cast<std::size_t>(SwitchIndex(1, b))], kPositionNone);
      QCOMPARE(e.positions[static_cast<std::size_t>(SwitchIndex(3, b))], kPositionNone);
      QCOMPARE(e.positions[static_cast<std::size_t>(SwitchIndex(2, b))], kPositionOn);
    }
    auto label = [&](const char* bit) { return Q(e.labels[static_cast<std::size_t>(Bit(bit))]); };
    QCOMPARE(label("SW1-1"), QString("Baud Rate"));
    QCOMPARE(label("SW1-2"), QString("Baud Rate"));
    for (const char* bit : {"SW1-3", "SW1-8", "SW3-3", "SW3-4"}) QCOMPARE(label(bit), QString("NULL"));
    QCOMPARE(label("SW3-1"), QString("Print Speed"));
    QCOMPARE(label("SW3-8"), QString("Print Density"));
    QCOMPARE(label("SW2-3"), QString("Raster Bitmap Printing - Line Print"));
    QCOMPARE(Q(e.printDensity), QString(""));
    QCOMPARE(Q(e.thaiPass), QString(""));
  }

  void allBytesKnownIsTheSameAsPlainBytes() {
    const std::array<std::uint8_t, 5> plain{0x12, 0x34, 0x56, 0x78, 0x9A};
    const std::array<std::optional<std::uint8_t>, 5> known{plain[0], plain[1], plain[2], plain[3], plain[4]};
    for (ModelNo m : {models::RT3200, models::MV7120SK, ModelNo{0}}) {
      QCOMPARE(Labels(ExplainSwitches(m, known)), Labels(ExplainSwitches(m, plain)));
      QCOMPARE(ExplainSwitches(m, known).positions, ExplainSwitches(m, plain).positions);
    }
  }
};

QTEST_APPLESS_MAIN(SwitchExplainTest)
#include "test_switch_explain.moc"
