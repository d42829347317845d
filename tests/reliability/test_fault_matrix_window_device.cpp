// The fault matrix in the window over the device handle (COM7 on a pty), the rows that end within 10 s: a dropped link, late answers, an unknown model, the port absent or held.
#include <QtTest>

#include "link/com_port_map.h"
#include "window_fixture.h"
#include "window_matrix.h"

using namespace kestrova::reliability;

class FaultMatrixWindowDevice : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (!kestrova::sim::testing::SimBuilt()) QSKIP("kestrova-printer-sim not built");
  }
  void cleanup() { kestrova::ComPortMap::instance().clearOverrides(); }

  void matrix_data() { AddWindowRows(Link::Device, [](const FaultRow& r) { return r.limitMs < 14000; }); }
  void matrix() { RunWindowRow(Link::Device); }
};

QTEST_MAIN(FaultMatrixWindowDevice)
#include "test_fault_matrix_window_device.moc"
