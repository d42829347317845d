#pragma once
// Diagnostic trace lines. Most go out only in debug mode, which a marker file debugmode.dat in the
// working directory switches on once at start; a few go out always. Sink: standard error on Linux
// (one flushed line per trace), the debugger output on Windows; tests may install their own.
#include <functional>
#include <string>

namespace kestrova {

inline constexpr const char* kDebugModeFileName = "debugmode.dat";
constexpr std::size_t kMaxTraceLength = 255;

// Switches debug mode on when dir (the working directory when empty) holds a readable
// debugmode.dat. Never switches it off. Returns the flag afterwards.
bool EnableDebugModeFromMarker(const std::string& dir = {});
bool DebugModeOn();
void SetDebugMode(bool on);

// A line that goes out only in debug mode.
void DebugTrace(const std::string& line);
// A line that goes out whatever the mode.
void DebugOutput(const std::string& line);

using TraceSink = std::function<void(const std::string& line)>;
// Replaces the sink (an empty function restores the default); returns the previous one.
TraceSink SetTraceSink(TraceSink sink);

}  // namespace kestrova
