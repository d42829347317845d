// How the fault options reshape a reply.
#include <QtTest>

#include "sim/reply_faults.h"

using namespace kestrova::sim;

class ReplyFaultsTest : public QObject {
  Q_OBJECT
 private slots:
  void shape_data() {
    QTest::addColumn<bool>("noHeader");
    QTest::addColumn<int>("overlong");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray reply("_128\0", 5);
    QTest::newRow("none") << false << 0 << reply;
    QTest::newRow("no header") << true << 0 << QByteArray("X128\0", 5);
    QTest::newRow("overlong 10") << false << 10 << QByteArray("_128#####\0", 10);
    QTest::newRow("overlong shorter than reply") << false << 3 << reply;
    QTest::newRow("overlong without header") << true << 8 << QByteArray("X128###\0", 8);
  }
  void shape() {
    QFETCH(bool, noHeader);
    QFETCH(int, overlong);
    QFETCH(QByteArray, expected);
    Faults f;
    f.noHeader = noHeader;
    f.overlong = overlong;
    quint32 state = 1;
    QCOMPARE(ShapeReply(f, QByteArray("_128\0", 5), state), expected);
  }

  void overlongToTenKilobytes() {
    Faults f;
    f.overlong = 10240;
    quint32 state = 1;
    const QByteArray out = ShapeReply(f, QByteArray("_RT-5600\0", 9), state);
    QCOMPARE(out.size(), 10240);
    QVERIFY(out.startsWith("_RT-5600#"));
    QCOMPARE(out.indexOf('\0'), 10239);
  }

  void garbageKeepsLengthNeverHeader() {
    Faults f;
    f.garbage = true;
    quint32 state = 7;
    QByteArray previous;
    for (int i = 0; i < 500; ++i) {
      const QByteArray out = ShapeReply(f, QByteArray("_0\0", 3), state);
      QCOMPARE(out.size(), 3);
      QVERIFY(out[0] != '_');
      QVERIFY(out != previous);
      previous = out;
    }
  }
};

QTEST_APPLESS_MAIN(ReplyFaultsTest)
#include "test_reply_faults.moc"
