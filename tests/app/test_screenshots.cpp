// Saves a picture of every tab after a read of the simulated printer, for the README. Runs only
// when KESTROVA_SCREENSHOT_DIR names the folder to write to (make screenshots, under Xvfb).
#include <QtTest>

#include <QTabWidget>

#include "window_fixture.h"

using kestrova::sim::testing::SimProcess;

class ScreenshotsTest : public QObject {
  Q_OBJECT
 private slots:
  void everyTab() {
    const QString out = qEnvironmentVariable("KESTROVA_SCREENSHOT_DIR");
    if (out.isEmpty()) QSKIP("KESTROVA_SCREENSHOT_DIR not set");
    if (!kestrova::sim::testing::SimBuilt()) QSKIP("kestrova-printer-sim not built");
    QVERIFY(QDir().mkpath(out));
    SimProcess sim;
    QVERIFY(sim.start({"--model", "RT5600", "--switches", "3,0,224,0,0", "--code-page", "17", "--charset", "3",
                       "--font-8x16", "on", "--tcp", "127.0.0.1:0"}));
    WindowFixture w;
    w.open();
    w.setTcpTarget(sim.tcpPort());
    QVERIFY(w.read());
    QTabWidget* pages = w.ui().pages;
    const QStringList names = {"printer-information", "switch-1", "switch-2", "switch-3", "switch-4", "switch-5",
                               "additional-software-switch", "log-history"};
    for (int i = 0; i < pages->count(); ++i) {
      pages->setCurrentIndex(i);
      QTest::qWait(150);
      const QString file = QString("%1/%2-%3.png").arg(out).arg(i + 1).arg(names.value(i));
      QVERIFY2(w.form->grab().save(file), qPrintable(file));
    }
  }
};

QTEST_MAIN(ScreenshotsTest)
#include "test_screenshots.moc"
