#include "sim/reply_faults.h"

namespace kestrova::sim {

QByteArray ShapeReply(const Faults& faults, const QByteArray& reply, quint32& garbageState) {
  QByteArray out = reply;
  if (faults.overlong > out.size() && !out.isEmpty()) {
    const int fill = faults.overlong - out.size();
    out.insert(out.size() - 1, QByteArray(fill, '#'));
  }
  if (faults.noHeader && !out.isEmpty()) out[0] = 'X';
  if (faults.garbage) {
    for (int i = 0; i < out.size(); ++i) {
      // xorshift32; never 0x5F in the first byte, so no garbage reply looks valid
      garbageState ^= garbageState << 13;
      garbageState ^= garbageState >> 17;
      garbageState ^= garbageState << 5;
      out[i] = static_cast<char>(garbageState & 0xFF);
    }
    if (!out.isEmpty() && out[0] == '_') out[0] = '\x5E';
  }
  return out;
}

}  // namespace kestrova::sim
