#include <QtTest>

#include "model/catalogue.h"

using namespace kestrova;

class CatalogueTest : public QObject {
  Q_OBJECT
 private slots:
  void modelListOrder() {
    const std::vector<std::string> expected = {"RT3200", "RT5500", "RT6100", "KD240", "RT4300", "KD250",
                                               "RT5600", "RT4300X", "RT5500E", "RT5502", "RT6400K",
                                               "RT5503", "MV7500", "MV7120SK", "RT3206", "RT3207"};
    QCOMPARE(ModelListEntries(), expected);
    QCOMPARE(ModelListEntries()[kDefaultModelListPosition], std::string("RT5600"));
  }

  void catalogueNumbers() {
    QCOMPARE(Catalogue().size(), std::size_t(17));
    QVERIFY(!FindModel(2));
    QVERIFY(!FindModel(5));
    QVERIFY(!FindModel(0));
    QCOMPARE(std::string(FindModel(11)->code), std::string("RT5602"));
    QCOMPARE(FindModel(11)->listPosition, -1);
    QCOMPARE(FindModelByCode("MV7120SK")->no, ModelNo(17));
    QVERIFY(!FindModelByCode("RT9999"));
  }

  void selectedModelNo_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("no");
    const int nos[] = {1, 3, 4, 7, 6, 8, 9, 10, 13, 12, 14, 15, 16, 17, 0, 0};
    for (int i = 0; i < kModelListSize; ++i) {
      const auto& entry = ModelListEntries()[static_cast<std::size_t>(i)];
      QTest::newRow(entry.c_str()) << QString::fromStdString(entry) << nos[i];
    }
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("substring") << "xxRT5500Eyy" << 13;
  }
  void selectedModelNo() {
    QFETCH(QString, text);
    QFETCH(int, no);
    QCOMPARE(int(SelectedModelNoFromText(text.toStdString())), no);
  }

  void matchReportedName_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("serial");  // 0: no match
    QTest::addColumn<int>("tcp");
    QTest::addColumn<int>("usb");
    auto row = [](const char* n, int s, int t, int u) { QTest::newRow(n) << QByteArray(n) << s << t << u; };
    row("RT-3200", 1, 1, 1);
    row("RT-5500", 3, 3, 3);
    row("RT-6100", 4, 4, 4);
    row("RT-4300", 6, 6, 6);
    row("KD-240", 7, 7, 7);
    row("KD6", 7, 7, 7);
    row("KD6xyz", 7, 7, 7);
    row("KD250", 8, 8, 8);
    row("RT-5600", 9, 9, 9);
    row("RT-4300X", 10, 10, 10);
    row("RT-5602", 11, 11, 11);
    row("RT-5502", 12, 0, 12);
    row("RT-5500E", 13, 3, 13);
    row("RT-6400K", 14, 14, 14);
    row("RT-5503", 15, 15, 15);
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
