// The fault matrix in the window over the serial component (COM3 on a pty): every fault of the printer, the port absent or held by another program.
#include <QtTest>

#include "link/com_port_map.h"
#include "window_fixture.h"
#include "window_matrix.h"

using namespace kestrova::reliability;

class FaultMatrixWindowSerial : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (!kestrova::sim::testing::SimBuilt()) QSKIP("kestrova-printer-sim not built");
  }
  void cleanup() { kestrova::ComPortMap::instance().clearOverrides(); }

  void matrix_data() { AddWindowRows(Link::Serial); }
  void matrix() { RunWindowRow(Link::Serial); }
};

QTEST_MAIN(FaultMatrixWindowSerial)
#include "test_fault_matrix_window_serial.moc"
