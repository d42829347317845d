// The simulated printer as a pure class: exact reply bytes, the write in its three shapes,
// test prints, and hostile input.
#include <QtTest>

#include "model/catalogue.h"
#include "sim/sim_printer.h"

using namespace kestrova;
using namespace kestrova::sim;

namespace {

QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

// 1D 67 38 f, the value text, zero bytes up to length bytes in all (text cut to length - 4).
QByteArray SetCommand(char f, const QByteArray& text, int length) {
  QByteArray c = Hex("1d6738") + f + text.left(length - 4);
  return c + QByteArray(length - c.size(), '\0');
}
const QByteArray kUnlock = Hex("1d67756e6c00");
const QByteArray kLock = Hex("1d676c636b00");
const QByteArray kThaiName = "Thai character code page 14";

PrinterValues Values() {
  PrinterValues v;
  v.modelName = "RT-5600";
  v.firmware = "V2.31";
  v.switches = {0, 1, 128, 255, 42};
  v.hoursPowered = "77";
  v.cutCount = "1500";
  v.installationDate = "20240315";
  v.failedCut = "3";
  v.linesPrinted = "123456";
  v.serialNumber = "K12345";
  v.languageModel = "THAI";
  v.fontRom = "F1";
  v.codePage = 17;
  v.charset = 16;
  v.font8x16 = true;
  return v;
}

QList<QByteArray> Chunks(std::initializer_list<QByteArray> list) { return QList<QByteArray>(list); }

}  // namespace

class SimPrinterTest : public QObject {
  Q_OBJECT
 private slots:
  void queryReply_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("reply");
    auto row = [](const char* name, const char* cmd, const QByteArray& text) {
      QTest::newRow(name) << Hex(cmd) << QByteArray('_' + text + '\0');
    };
    row("model name 4", "1d494300", "RT-5600");
    row("model name 3", "1d4943", "RT-5600");
    row("firmware 4", "1d494100", "V2.31");
    row("firmware 3", "1d4941", "V2.31");
    row("font rom 4", "1d494500", "F1");
    row("font rom 3", "1d4945", "F1");
    row("SW1", "1d673427", "0");
    row("SW2", "1d673428", "1");
    row("SW3", "1d673429", "128");
    row("SW4", "1d67342a", "255");
    row("SW5", "1d67342b", "42");
    row("hours", "1d673410", "77");
    row("cut count", "1d673415", "1500");
    row("installation date", "1d673409", "20240315");
    row("failed cut", "1d673416", "3");
    row("lines", "1d67341b", "123456");
    row("serial", "1d673405", "K12345");
    row("language model", "1d673424", "THAI");
    row("code page", "1d673421", "17");
    row("charset", "1d673422", "16");
    row("font on", "1d673425", "ON");
  }
  void queryReply() {
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, reply);
    SimPrinter printer(Values());
    QCOMPARE(printer.feed(command), reply);
    // The same command again: a 3-byte form must not have swallowed anything it should not.
    QCOMPARE(printer.feed(command), reply);
  }

  void fontOffIsHeaderAndZero() {
    PrinterValues v = Values();
    v.font8x16 = false;
    SimPrinter printer(v);
    QCOMPARE(printer.feed(Hex("1d673425")), Hex("5f00"));
  }

  void deviceReadSeriesInOneChunk() {
    // The device-handle read sends 1D 49 43 and 1D 49 41 without the 00; the 4-byte font ROM query
    // follows. Every reply comes once, in order.
    SimPrinter printer(Values());
    QCOMPARE(printer.feed(Hex("1d4943" "1d673427" "1d4941" "1d494500" "1d673425")),
             QByteArray("_RT-5600\0_0\0_V2.31\0_F1\0_ON\0", 27));
  }

  void reportedNames_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("RT3200") << "RT3200" << QByteArray("RT-3200");
    QTest::newRow("KD240") << "KD240" << QByteArray("KD-240");
    QTest::newRow("KD250") << "KD250" << QByteArray("KD250");
    QTest::newRow("MV7500") << "MV7500" << QByteArray("MV75_USB");
    QTest::newRow("MV7120SK") << "MV7120SK" << QByteArray("MV71_USB");
    QTest::newRow("RT3206") << "RT3206" << QByteArray("RT-3206");
    QTest::newRow("RT5500E") << "RT5500E" << QByteArray("RT-5500E");
    QTest::newRow("unknown") << "RT9999" << QByteArray();
  }
  void reportedNames() {
    QFETCH(QString, code);
    QFETCH(QByteArray, name);
    QCOMPARE(ReportedNameOf(code), name);
  }

  void everyModelIsRecognisedByItsReportedName() {
    // The tool must take each simulated model for itself: over USB, or over TCP/IP for the two
    // models that only TCP/IP recognises.
    for (const PrinterModel& m : Catalogue()) {
      const QByteArray name = ReportedNameOf(QString::fromLatin1(m.code));
      QVERIFY2(!name.isEmpty(), m.code);
      const NameList list = (m.no == 18 || m.no == 19) ? NameList::Tcp : NameList::Usb;
      QCOMPARE(MatchReportedName(list, name.toStdString()).value_or(0), m.no);
    }
  }

  void writeShapes_data() {
    QTest::addColumn<QList<QByteArray>>("chunks");  // one chunk per send, as the tool sends them
    const QByteArray sw[5] = {"5", "255", "128", "0", "17"};
    auto serialSw = [&](int i) { return SetCommand(char(0x27 + i), sw[i], i == 2 ? 8 : 9); };
    auto tcpSw = [&](int i) { return SetCommand(char(0x27 + i), sw[i], 9); };
    const QByteArray cp = SetCommand(0x21, "31", 8);
    const QByteArray name = SetCommand(0x24, kThaiName, 25);
    const QByteArray charset = SetCommand(0x22, "15", 7);
    const QByteArray font = SetCommand(0x25, "ON", 8);
    QTest::newRow("serial") << Chunks({kUnlock, serialSw(0), serialSw(1), serialSw(2), serialSw(3),
                                       serialSw(4), cp, name, charset, font, kLock});
    QTest::newRow("tcp") << Chunks({kUnlock, tcpSw(1), tcpSw(2), tcpSw(4), cp, name, charset, font, kLock,
                                    kUnlock, tcpSw(3), kLock, kUnlock, tcpSw(0), kLock});
    QList<QByteArray> device{kUnlock};
    for (int i = 0; i < 5; ++i) {
      device << Hex("1d6738") + char(0x27 + i);
      device << sw[i] + QByteArray(4 - sw[i].size(), '\0');
    }
    device << cp << name << charset << font << kLock;
    QTest::newRow("device handle") << device;
  }
  void writeShapes() {
    QFETCH(QList<QByteArray>, chunks);
    PendingValues expected;
    expected.switches = {quint8(5), quint8(255), quint8(128), quint8(0), quint8(17)};
    expected.codePage = 31;
    expected.codePageName = QByteArray("Thai character code p");  // 21 characters, no terminator
    expected.charset = 15;
    expected.font8x16 = true;

    // One feed per send, everything in one feed, and one byte at a time.
    QByteArray all;
    for (const auto& c : chunks) all += c;
    QList<QList<QByteArray>> splits{chunks, {all}, {}};
    for (const char b : all) splits[2] << QByteArray(1, b);
    for (const auto& split : splits) {
      SimPrinter printer(Values());
      std::vector<QString> events;
      CommandParser link;
      for (const auto& c : split)
        for (const Step& s : printer.feed(link, c)) {
          QVERIFY2(s.reply.isEmpty(), qPrintable(s.event));
          events.push_back(s.event);
        }
      QCOMPARE(printer.pending(), expected);
      QVERIFY(!printer.unlocked());
      QCOMPARE(printer.current(), Values());  // nothing takes effect before a restart
      QVERIFY(link.pendingBytes().isEmpty());
      for (const auto& e : events) QVERIFY2(!e.startsWith("ignored"), qPrintable(e));
    }
  }

  void writeEvents() {
    SimPrinter printer(Values());
    CommandParser link;
    QStringList events;
    for (const Step& s : printer.feed(link, kUnlock + SetCommand(0x29, "128", 8) + SetCommand(0x25, "", 8) +
                                                SetCommand(0x24, "Cyrillic", 25) + kLock))
      events << s.event;
    QCOMPARE(events, QStringList({"unlock", "set SW3=128", "set font-8x16=", "set code-page-name=Cyrillic", "lock"}));
    QCOMPARE(printer.pending().font8x16, std::optional<bool>(false));
  }

  void valuesOutsideUnlockAreIgnored() {
    SimPrinter printer(Values());
    CommandParser link;
    const auto before = printer.feed(link, SetCommand(0x27, "7", 9));
    QCOMPARE(before.size(), std::size_t(1));
    QCOMPARE(before[0].event, QString("ignored set SW1=7 (locked)"));
    printer.feed(link, kUnlock + SetCommand(0x28, "9", 9) + kLock + SetCommand(0x29, "11", 8));
    PendingValues expected;
    expected.switches[1] = 9;
    QCOMPARE(printer.pending(), expected);
  }

  void badValuesAreRejected_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("switch 256") << SetCommand(0x27, "256", 9);
    QTest::newRow("switch letters") << SetCommand(0x27, "1a", 9);
    QTest::newRow("switch empty") << SetCommand(0x27, "", 9);
    QTest::newRow("font OFF text") << SetCommand(0x25, "OFF", 8);
    QTest::newRow("code page cut by next command") << Hex("1d67382133") + kLock;
  }
  void badValuesAreRejected() {
    QFETCH(QByteArray, command);
    SimPrinter printer(Values());
    QCOMPARE(printer.feed(kUnlock + command), QByteArray());
    QVERIFY(printer.pending().empty());
  }

  void charsetTypedByHandIsKept() {
    // A character set typed into the tool's box goes out as -1.
    SimPrinter printer(Values());
    printer.feed(kUnlock + SetCommand(0x22, "-1", 7) + kLock);
    QCOMPARE(printer.pending().charset, std::optional<int>(-1));
  }

  void restartAppliesPending() {
    SimPrinter printer(Values());
    printer.feed(kUnlock + SetCommand(0x29, "7", 8) + SetCommand(0x21, "31", 8) + SetCommand(0x25, "", 8) + kLock);
    // Queries answer the current values until the printer restarts.
    QCOMPARE(printer.feed(Hex("1d673429" "1d673421" "1d673425")), QByteArray("_128\0_17\0_ON\0", 13));
    printer.restart();
    QCOMPARE(printer.feed(Hex("1d673429" "1d673421" "1d673425")), QByteArray("_7\0_31\0_\0", 9));
    QVERIFY(printer.pending().empty());
    PrinterValues expected = Values();
    expected.switches[2] = 7;
    expected.codePage = 31;
    expected.font8x16 = false;
    QCOMPARE(printer.current(), expected);
  }

  void restartLocksAgain() {
    SimPrinter printer(Values());
    printer.feed(kUnlock);
    printer.restart();
    printer.feed(SetCommand(0x27, "3", 9));
    QVERIFY(printer.pending().empty());
  }

  void selfTest_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("7 bytes") << Hex("1d284102000002");
    QTest::newRow("8 bytes, serial") << Hex("1d28410200000200");
  }
  void selfTest() {
    QFETCH(QByteArray, bytes);
    SimPrinter printer(Values());
    CommandParser link;
    const auto steps = printer.feed(link, bytes);
    QCOMPARE(steps.size(), std::size_t(1));
    QCOMPARE(steps[0].event, QString("self-test"));
    QCOMPARE(printer.selfTests(), 1);
    QVERIFY(link.pendingBytes().isEmpty());
  }

  void fontTestBlocks() {
    QByteArray rows1, rows2;
    for (int c = 0x21; c <= 0x7F; ++c) rows1 += char(c);
    for (int c = 0x80; c <= 0xFF; ++c) rows2 += char(c);
    rows1 += "\r\n";
    rows2 += "\r\n";
    const QList<QByteArray> blocks = {Hex("1b2101") + "FONT:08X16\r\n", rows1, rows2,
                                      Hex("1b2102") + "FONT:12X24\r\n", rows1, rows2, Hex("1b400d0a1b69")};
    SimPrinter printer(Values());
    CommandParser link;
    QStringList events;
    for (const auto& b : blocks)
      for (const Step& s : printer.feed(link, b)) {
        QVERIFY(s.reply.isEmpty());
        events << s.event;
      }
    QCOMPARE(events, QStringList({"font-test block 1", "font-test block 2", "font-test block 3",
                                  "font-test block 4", "font-test block 5", "font-test block 6",
                                  "font-test block 7"}));
    for (int n = 1; n <= 7; ++n) QCOMPARE(printer.fontBlocks(n), 1);
  }

  void unknownBytesAreIgnoredWithoutReply() {
    SimPrinter printer(Values());
    CommandParser link;
    const auto steps = printer.feed(link, Hex("0102") + Hex("1d4999") + Hex("1d494300"));
    QCOMPARE(steps.size(), std::size_t(2));
    QCOMPARE(steps[0].event, QString("ignored 01 02 1d 49 99"));
    QVERIFY(steps[0].reply.isEmpty());
    QCOMPARE(steps[1].reply, QByteArray("_RT-5600\0", 9));
  }

  // Where each command starts in the stream, across chunks and swallowed 00 bytes.
  void commandOffsets_data() {
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QList<qint64>>("offsets");
    QTest::addColumn<QList<QByteArray>>("raws");
    QTest::newRow("queries in one chunk") << QList<QByteArray>{Hex("1d494300" "1d673427")} << QList<qint64>{0, 4}
                                          << QList<QByteArray>{Hex("1d4943"), Hex("1d673427")};
    QTest::newRow("garbage, query, garbage") << QList<QByteArray>{Hex("0102" "1d4943" "0303")}
                                             << QList<qint64>{0, 2, 5}
                                             << QList<QByteArray>{Hex("0102"), Hex("1d4943"), Hex("0303")};
    QTest::newRow("swallowed 00 counted") << QList<QByteArray>{Hex("1d494300" "00" "07")} << QList<qint64>{0, 4}
                                          << QList<QByteArray>{Hex("1d4943"), Hex("0007")};
    QTest::newRow("garbage run over chunks") << QList<QByteArray>{Hex("0102"), Hex("0304"), Hex("1d673427")}
                                             << QList<qint64>{0, 2, 4}
                                             << QList<QByteArray>{Hex("0102"), Hex("0304"), Hex("1d673427")};
    QTest::newRow("held-back start turns garbage") << QList<QByteArray>{Hex("011d67"), Hex("99" "1d494300")}
                                                   << QList<qint64>{0, 1, 4}
                                                   << QList<QByteArray>{Hex("01"), Hex("1d6799"), Hex("1d4943")};
  }
  void commandOffsets() {
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QList<qint64>, offsets);
    QFETCH(QList<QByteArray>, raws);
    CommandParser parser;
    QList<qint64> gotOffsets;
    QList<QByteArray> gotRaws;
    for (const QByteArray& chunk : chunks)
      for (const Command& c : parser.feed(chunk)) {
        gotOffsets << c.offset;
        gotRaws << c.raw;
      }
    QCOMPARE(gotOffsets, offsets);
    QCOMPARE(gotRaws, raws);
  }

  void garbageNeverRepliesOrGrows() {
    // Random bytes with the command lead bytes made frequent; a query can only come out of them by
    // chance, so the stream leaves out 0x49 and 0x34 entirely.
    quint32 state = 12345;
    auto next = [&state] {
      state = state * 1103515245u + 12345u;
      return static_cast<char>((state >> 16) & 0xFF);
    };
    const char leads[] = {0x1D, 0x1B, 0x67, 0x38, 0x00, 0x21, char(0x80), 0x28, 0x41};
    SimPrinter printer(Values());
    CommandParser link;
    for (int round = 0; round < 2000; ++round) {
      QByteArray chunk;
      const int n = (state >> 8) % 40;
      for (int i = 0; i < n; ++i) {
        char c = next();
        if (c & 1) c = leads[static_cast<unsigned char>(c) % sizeof leads];
        if (c == 0x49 || c == 0x34) c = 0x1D;
        chunk += c;
      }
      for (const Step& s : printer.feed(link, chunk)) QVERIFY2(s.reply.isEmpty(), qPrintable(s.event));
      QVERIFY(link.pendingBytes().size() <= 130);
    }
  }
};

QTEST_APPLESS_MAIN(SimPrinterTest)
#include "test_sim_printer.moc"
