#pragma once
// Thread-sanitizer builds: Qt, its GLib event dispatcher and the test watchdog come from the
// system, uninstrumented, so the sanitizer cannot see their locks and reports races inside them
// (queued events, QThread start and wait). Those reports are suppressed; races in our own code
// still show. Include this in exactly one file of each test program that starts threads.
extern "C" const char* __tsan_default_suppressions() {
  return "race:libQt6Core.so\n"
         "race:libQt6Network.so\n"
         "race:libQt6Test.so\n"
         "race:libglib-2.0.so\n"
         "called_from_lib:libglib-2.0.so\n";
}
