// Real-time reads and a write against the printer simulator, one per link kind: TCP/IP, the serial
// component on a pseudo-terminal, and the device handle on a pseudo-terminal. Skipped when the
// simulator has not been built.
#include <QtTest>


#include "link/clock.h"
#include "link/com_port_map.h"
#include "link/serial_component_link.h"
#include "link/serial_device_link.h"
#include "link/tcp_link.h"
#include "protocol/query_table.h"
#include "protocol/read_sequence.h"
#include "protocol/write_sequence.h"
#include "recording_observer.h"
#include "sim_process.h"

using namespace kestrova;
using kestrova::sim::testing::SimProcess;

namespace {

const QStringList kPrinter = {"--model", "RT6100", "--switches", "0,1,128,255,30", "--firmware", "V2.01",
                              "--code-page", "17", "--charset", "15", "--font-8x16", "on"};

void CheckRead(const ReadResult& result, const RecordingObserver& observer, const std::string& space) {
  QVERIFY2(result.ok(), result.reason.c_str());
  QCOMPARE(result.activeModelNo, ModelNo(4));
  QCOMPARE(observer.log.size(), std::size_t(18));
  QCOMPARE(observer.log[0], std::string("Read Model Name = RT-6100\r\n"));
  QCOMPARE(observer.log[3], std::string("Read Software Switch 3 = 128\r\n"));
  QCOMPARE(observer.log[6], std::string("Read Firmware Revision = V2.01\r\n"));
  QCOMPARE(observer.record.text(RecordField::Frwv), "V2.01" + space);
  QCOMPARE(observer.codePages, std::vector<int>{17});
  QCOMPARE(observer.charSets, std::vector<int>{15});
  QCOMPARE(observer.fonts, std::vector<FontReply>{FontReply::On});
  QCOMPARE(ValueText(std::string_view(observer.switchSlots[3].data(), 8)), std::string("255"));
}

}  // namespace

class SimReadTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    if (!kestrova::sim::testing::SimBuilt()) QSKIP("the printer simulator is not built");
  }

  void tcpRead() {
    SimProcess sim;
    QVERIFY2(sim.start(kPrinter + QStringList{"--tcp", "127.0.0.1:0"}), qPrintable(sim.errorText()));
    TcpLink link;
    link.prepare("127.0.0.1", std::to_string(sim.tcpPort()));
    QVERIFY(link.connectToPrinter());
    RecordingObserver observer;
    QElapsedTimer timer;
    timer.start();
    const ReadResult result = ReadData(link, SteadyClock::instance(), observer);
    CheckRead(result, observer, "");
    QVERIFY(timer.elapsed() >= 18 * 200);

    // and a write over the same connection goes out in full
    WriteValues values;
    for (auto& s : values.switches) s = std::uint8_t(7);
    values.codePageName = "Cyrillic";
    values.codePageNumber = 17;
    values.charSetNumber = 3;
    QVERIFY(WriteSwitchSettings(link, SteadyClock::instance(), values).ok());
    QVERIFY(link.isOpen());
  }

  void serialComponentRead() {
    SimProcess sim;
    const QString pty = sim.ptyPath();
    QVERIFY2(sim.start(kPrinter + QStringList{"--pty", pty}), qPrintable(sim.errorText()));
    ComPortMap map;
    map.setOverride(2, pty.toStdString());
    SerialComponentLink link(map);
    link.setCommPort(1);
    QVERIFY(link.probeAndOpen());
    RecordingObserver observer;
    const ReadResult result = ReadData(link, SteadyClock::instance(), observer);
    CheckRead(result, observer, "");
    link.close();
  }

  void deviceHandleRead() {
    SimProcess sim;
    const QString pty = sim.ptyPath();
    QVERIFY2(sim.start(kPrinter + QStringList{"--pty", pty}), qPrintable(sim.errorText()));
    LinkError error;
    auto link = SerialDeviceLink::Open(pty.toStdString(), error);
    QVERIFY2(link, DescribeLinkError(error).c_str());
    RecordingObserver observer;
    const ReadResult result = ReadDeviceData(*link, SteadyClock::instance(), observer, 0);
    CheckRead(result, observer, " ");
    QVERIFY(!link->isOpen());
  }
};

QTEST_GUILESS_MAIN(SimReadTest)
#include "test_sim_read.moc"
