#include <QtTest>

#include "model/catalogue.h"

using namespace kestrova;

class CatalogueTest : public QObject {
  Q_OBJECT
 private slots:
  // The catalogue and the model list: numbers rising and unique, each list entry the code of the
  // model at that position, no entry twice; a selected entry gives its model's number, except
  // RT3206 and RT3207, which the selection does not know (0), and text around an entry is ignored.
  void catalogueAndModelList() {
    QCOMPARE(Catalogue().size(), std::size_t(17));
    QCOMPARE(ModelListEntries().size(), std::size_t(kModelListSize));
    int listed = 0;
    for (std::size_t i = 0; i < Catalogue().size(); ++i) {
      const PrinterModel& m = Catalogue()[i];
      QVERIFY(m.no > 0 && (i == 0 || m.no > Catalogue()[i - 1].no));
      QCOMPARE(FindModel(m.no), &m);
      QCOMPARE(FindModelByCode(m.code), &m);
      if (m.listPosition < 0) continue;
      ++listed;
      QCOMPARE(ModelListEntries()[std::size_t(m.listPosition)], std::string(m.code));
      QCOMPARE(ModelListPositionOf(m.code), m.listPosition);
      const bool unknown = std::string(m.code) == "RT3206" || std::string(m.code) == "RT3207";
      QCOMPARE(int(SelectedModelNoFromText(m.code)), unknown ? 0 : int(m.no));
      QCOMPARE(int(SelectedModelNoFromText(std::string("xx") + m.code + "yy")), unknown ? 0 : int(m.no));
    }
    QCOMPARE(listed, kModelListSize);
    QCOMPARE(ModelListEntries()[kDefaultModelListPosition], std::string("RT5600"));
    QCOMPARE(FindModel(11)->code, "RT5602");  // the one model outside the list
    QCOMPARE(FindModel(11)->listPosition, -1);
    QCOMPARE(int(FindModelByCode("MV7120SK")->no), 17);
    for (int no : {0, 2, 5, 20, 255}) QVERIFY(!FindModel(ModelNo(no)));
    QVERIFY(!FindModelByCode("RT9999"));
    QCOMPARE(int(SelectedModelNoFromText("")), 0);
  }

  void matchReportedName_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("serial");  // 0: no match
    QTest::addColumn<int>("tcp");
    QTest::addColumn<int>("usb");
    auto row = [](const char* n, int s, int t, int u) { QTest::newRow(n) << QByteArray(n) << s << t << u; };
    row("RT-3200", 1, 1, 1);
    row("KD-240", 7, 7, 7);
    row("KD6", 7, 7, 7);
    row("KD6xyz", 7, 7, 7);
    row("RT-5600", 9, 9, 9);
    row("RT-5502", 12, 0, 12);
    row("RT-5500E", 13, 3, 13);
    row("MV75_USB", 16, 16, 16);
    row("MV71_USB", 17, 0, 17);
    row("RT-3206", 0, 18, 0);
    row("RT-3207", 0, 19, 0);
    row("RT-3206X", 0, 0, 0);
    row("RT-3207 ", 0, 0, 0);
    row("RT-5600 B", 9, 9, 9);
    row("RT-560", 0, 0, 0);
    row("KD24", 0, 0, 0);
    row("rt-5600", 0, 0, 0);
    row("", 0, 0, 0);
    row("MV75_US", 0, 0, 0);
  }
  void matchReportedName() {
    QFETCH(QByteArray, name);
    QFETCH(int, serial);
    QFETCH(int, tcp);
    QFETCH(int, usb);
    const std::string n = name.toStdString();
    QCOMPARE(int(MatchReportedName(NameList::Serial, n).value_or(0)), serial);
    QCOMPARE(int(MatchReportedName(NameList::Tcp, n).value_or(0)), tcp);
    QCOMPARE(int(MatchReportedName(NameList::Usb, n).value_or(0)), usb);
  }
};

QTEST_APPLESS_MAIN(CatalogueTest)
#include "test_catalogue.moc"
