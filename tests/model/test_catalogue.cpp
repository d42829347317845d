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

  // Reported name to model number per name list (0: no match): whole names, prefixes, names only
  // one list knows, and near misses.
  void matchReportedName() {
    const struct {
      const char* name;
      int serial, tcp, usb;
    } rows[] = {
        {"RT-3200", 1, 1, 1},
        {"KD-240", 7, 7, 7},
        {"KD6", 7, 7, 7},
        {"KD6xyz", 7, 7, 7},
        {"RT-5600", 9, 9, 9},
        {"RT-4300X", 10, 10, 10},  // must be tried before RT-4300, its prefix
        {"RT-5502", 12, 0, 12},
        {"RT-5500E", 13, 3, 13},
        {"MV75_USB", 16, 16, 16},
        {"MV71_USB", 17, 0, 17},
        {"RT-3206", 0, 18, 0},
        {"RT-3207", 0, 19, 0},
        {"RT-3206X", 0, 0, 0},
        {"RT-3207 ", 0, 0, 0},
        {"RT-5600 B", 9, 9, 9},
        {"RT-560", 0, 0, 0},
        {"KD24", 0, 0, 0},
        {"rt-5600", 0, 0, 0},
        {"", 0, 0, 0},
        {"MV75_US", 0, 0, 0},
    };
    for (const auto& row : rows) {
      auto no = [&](NameList list) { return int(MatchReportedName(list, row.name).value_or(0)); };
      QCOMPARE(QString("%1: %2 %3 %4").arg(row.name).arg(no(NameList::Serial)).arg(no(NameList::Tcp)).arg(no(NameList::Usb)),
               QString("%1: %2 %3 %4").arg(row.name).arg(row.serial).arg(row.tcp).arg(row.usb));
    }
  }
};

QTEST_APPLESS_MAIN(CatalogueTest)
#include "test_catalogue.moc"
