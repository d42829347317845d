// The fault matrix in the window over TCP/IP: every fault of the printer, a refused connection.
#include <QtTest>

#include "link/com_port_map.h"
#include "window_fixture.h"
#include "window_matrix.h"

using namespace kestrova::reliability;

class FaultMatrixWindowTcp : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (!kestrova::sim::testing::SimBuilt()) QSKIP("kestrova-printer-sim not built");
  }
  void cleanup() { kestrova::ComPortMap::instance().clearOverrides(); }

  void matrix_data() { AddWindowRows(Link::Tcp); }
  void matrix() { RunWindowRow(Link::Tcp); }
};

QTEST_MAIN(FaultMatrixWindowTcp)
#include "test_fault_matrix_window_tcp.moc"
