// The fault matrix in the window, one test function per group of rows. CTest runs each function as
// a test of its own (see CMakeLists.txt), so that the groups run side by side:
//   tcp             TCP/IP: every fault of the printer, a refused connection
//   serial          the serial component (COM3 on a pty): every fault, the port absent or held
//   device          the device handle (COM7 on a pty), the rows that end within 14 s: a dropped
//                   link, late answers, an unknown model, the port absent or held
//   device_replies  the device handle, the rows whose replies never count or count late: three
//                   tries of every query before the read ends
#include <QtTest>

#include "link/com_port_map.h"
#include "window_fixture.h"
#include "window_matrix.h"

using namespace kestrova::reliability;

namespace {

bool EndsSoon(const FaultRow& r) { return r.limitMs < 14000; }

}  // namespace

class FaultMatrixWindow : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (!kestrova::sim::testing::SimBuilt()) QSKIP("kestrova-printer-sim not built");
  }
  void cleanup() { kestrova::ComPortMap::instance().clearOverrides(); }

  void tcp_data() { AddWindowRows(Link::Tcp); }
  void tcp() { RunWindowRow(Link::Tcp); }
  void serial_data() { AddWindowRows(Link::Serial); }
  void serial() { RunWindowRow(Link::Serial); }
  void device_data() { AddWindowRows(Link::Device, EndsSoon); }
  void device() { RunWindowRow(Link::Device); }
  void device_replies_data() { AddWindowRows(Link::Device, [](const FaultRow& r) { return !EndsSoon(r); }); }
  void device_replies() { RunWindowRow(Link::Device); }
};

QTEST_MAIN(FaultMatrixWindow)
#include "test_fault_matrix_window.moc"
