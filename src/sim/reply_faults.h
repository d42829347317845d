#pragma once
// Faults a simulated printer can be told to show, for testing how the tool copes.
#include <QByteArray>

namespace kestrova::sim {

struct Faults {
  bool silent = false;    // answer nothing at all
  int delayMs = 0;        // send each reply this late
  bool noHeader = false;  // replace the 0x5F header of each reply by 'X'
  int dropAfter = 0;      // close the connection / the pty after this many commands; 0 = never
  bool garbage = false;   // answer with garbage bytes of the reply's length instead
  int overlong = 0;       // pad each reply with '#' before its final 00 to this many bytes; 0 = off
};

// The reply as the faults shape it: overlong first, then the missing header, then garbage.
// garbageState is the state of the garbage generator, kept per link so the bytes are repeatable.
QByteArray ShapeReply(const Faults& faults, const QByteArray& reply, quint32& garbageState);

}  // namespace kestrova::sim
