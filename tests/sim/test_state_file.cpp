// The --state file: current and pending values of each printer survive a round trip.
#include <QtTest>

#include "sim/state_file.h"

using namespace kestrova::sim;

class StateFileTest : public QObject {
  Q_OBJECT
 private slots:
  void roundTrip() {
    QTemporaryDir dir;
    const QString path = dir.filePath("state.json");
    SavedPrinter a;
    a.current.modelName = "KD-240";
    a.current.switches = {1, 2, 3, 4, 255};
    a.current.codePageName = "Thai\xe9";  // bytes above 0x7F stay as they are
    a.current.font8x16 = true;
    a.pending.switches[2] = 128;
    a.pending.codePageName = QByteArray("Thai character code p");
    a.pending.font8x16 = false;
    SavedPrinter b;
    b.pending.charset = -1;
    QString error;
    QVERIFY2(SaveStateFile(path, {a, b}, &error), qPrintable(error));

    const auto loaded = LoadStateFile(path, PrinterValues{}, &error);
    QVERIFY2(loaded, qPrintable(error));
    QCOMPARE(loaded->size(), std::size_t(2));
    QCOMPARE((*loaded)[0].current, a.current);
    QCOMPARE((*loaded)[0].pending, a.pending);
    QCOMPARE((*loaded)[1].current, b.current);
    QCOMPARE((*loaded)[1].pending, b.pending);
  }

  void missingKeysKeepDefaults() {
    PrinterValues defaults;
    defaults.serialNumber = "DEFAULT";
    const SavedPrinter p = FromJson(QJsonObject{{"current", QJsonObject{{"codePage", 19}}}}, defaults);
    QCOMPARE(p.current.serialNumber, QByteArray("DEFAULT"));
    QCOMPARE(p.current.codePage, 19);
    QVERIFY(p.pending.empty());
  }
};

QTEST_APPLESS_MAIN(StateFileTest)
#include "test_state_file.moc"
