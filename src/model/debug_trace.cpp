#include "model/debug_trace.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace kestrova {

namespace {

std::atomic<bool> g_debugMode{false};
std::mutex g_sinkMutex;
TraceSink g_sink;

void DefaultSink(const std::string& line) {
#ifdef _WIN32
  OutputDebugStringA(line.c_str());
#else
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
#endif
}

void Emit(const std::string& line) {
  const std::string cut = line.size() > kMaxTraceLength ? line.substr(0, kMaxTraceLength) : line;
  std::lock_guard<std::mutex> lock(g_sinkMutex);
  if (g_sink)
    g_sink(cut);
  else
    DefaultSink(cut);
}

}  // namespace

bool EnableDebugModeFromMarker(const std::string& dir) {
  std::error_code ec;
  std::filesystem::path base = dir.empty() ? std::filesystem::current_path(ec) : std::filesystem::path(dir);
  if (std::FILE* f = std::fopen((base / kDebugModeFileName).string().c_str(), "r")) {
    std::fclose(f);
    g_debugMode = true;
  }
  return g_debugMode;
}

bool DebugModeOn() { return g_debugMode; }
void SetDebugMode(bool on) { g_debugMode = on; }

void DebugTrace(const std::string& line) {
  if (g_debugMode) Emit(line);
}

void DebugOutput(const std::string& line) { Emit(line); }

TraceSink SetTraceSink(TraceSink sink) {
  std::lock_guard<std::mutex> lock(g_sinkMutex);
  TraceSink previous = std::move(g_sink);
  g_sink = std::move(sink);
  return previous;
}

}  // namespace kestrova
