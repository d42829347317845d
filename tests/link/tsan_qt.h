#pragma once
// Thread-sanitizer builds: Qt and its GLib event dispatcher come from the system, uninstrumented,
// so the sanitizer cannot see the locks and atomic counts inside them. The rules below are for
// those libraries only; a report in our own code is fixed, never suppressed. (A race: rule would
// match any report with a Qt frame anywhere on its stacks, which is every report on a QThread or
// under QTest, so there are none here.) make test-tsan also passes tests/tsan.supp, which holds
// the same rules for every test program and the programs they start; this copy keeps a link test
// run by hand quiet. Include this in exactly one file of each test program that starts threads.
extern "C" const char* __tsan_default_suppressions() {
  return
      // Allocations and frees made by Qt itself (queued events, their argument arrays, socket and
      // serial-port buffers) are ordered by Qt's own locks and counts: ignore what the
      // interceptors see when Qt calls them.
      "called_from_lib:libQt6Core.so\n"
      "called_from_lib:libQt6Network.so\n"
      "called_from_lib:libQt6SerialPort.so\n"
      "called_from_lib:libQt6Test.so\n"
      // GLib's main context under Qt's event loop: the same, for its own structures.
      "called_from_lib:libglib-2.0.so\n";
}
