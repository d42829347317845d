#include <QtTest>

#include <QFile>
#include <QTemporaryDir>

#include "model/debug_trace.h"

using namespace kestrova;

class DebugTraceTest : public QObject {
  Q_OBJECT
  std::vector<std::string> lines_;

 private slots:
  void init() {
    lines_.clear();
    SetDebugMode(false);
    SetTraceSink([this](const std::string& line) { lines_.push_back(line); });
  }
  void cleanup() { SetTraceSink({}); }

  void gatedByDebugMode() {
    DebugTrace("(Timer1)WattingTimer = 1");
    QVERIFY(lines_.empty());
    DebugOutput("(ConnectThread)enter Execute()");
    QCOMPARE(lines_, std::vector<std::string>{"(ConnectThread)enter Execute()"});
    SetDebugMode(true);
    DebugTrace("(Timer1)WattingTimer = 1");
    QCOMPARE(lines_.back(), std::string("(Timer1)WattingTimer = 1"));
  }

  void markerFileSwitchesOnOnce() {
    QTemporaryDir dir;
    QVERIFY(!EnableDebugModeFromMarker(dir.path().toStdString()));
    QVERIFY(!DebugModeOn());
    QFile marker(dir.filePath("debugmode.dat"));
    QVERIFY(marker.open(QIODevice::WriteOnly));  // empty file is enough
    marker.close();
    QVERIFY(EnableDebugModeFromMarker(dir.path().toStdString()));
    QVERIFY(marker.remove());
    // never switched off again while running
    QVERIFY(EnableDebugModeFromMarker(dir.path().toStdString()));
    QVERIFY(DebugModeOn());
  }

  void longLinesAreCut() {
    DebugOutput(std::string(1000, 'x'));
    QCOMPARE(lines_.back().size(), kMaxTraceLength);
    DebugOutput(std::string(255, 'y'));
    QCOMPARE(lines_.back(), std::string(255, 'y'));
  }
};

QTEST_APPLESS_MAIN(DebugTraceTest)
#include "test_debug_trace.moc"
