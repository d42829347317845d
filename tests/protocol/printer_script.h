#pragma once
// Scripts a FakeLink to answer the 18 queries like a printer would.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "fake_link.h"

// The 18 query commands as they go on the wire, in read order. Written out here rather than taken
// from the query table, so a mistyped command there fails every read test.
inline kestrova::Bytes QueryBytes(int step) {
  static const unsigned char wire[18][4] = {
      {0x1D, 0x49, 0x43, 0x00}, {0x1D, 0x67, 0x34, 0x27}, {0x1D, 0x67, 0x34, 0x28}, {0x1D, 0x67, 0x34, 0x29},
      {0x1D, 0x67, 0x34, 0x2A}, {0x1D, 0x67, 0x34, 0x2B}, {0x1D, 0x49, 0x41, 0x00}, {0x1D, 0x67, 0x34, 0x10},
      {0x1D, 0x67, 0x34, 0x15}, {0x1D, 0x67, 0x34, 0x09}, {0x1D, 0x67, 0x34, 0x16}, {0x1D, 0x67, 0x34, 0x1B},
      {0x1D, 0x67, 0x34, 0x05}, {0x1D, 0x67, 0x34, 0x24}, {0x1D, 0x49, 0x45, 0x00}, {0x1D, 0x67, 0x34, 0x21},
      {0x1D, 0x67, 0x34, 0x22}, {0x1D, 0x67, 0x34, 0x25}};
  return kestrova::Bytes(reinterpret_cast<const char*>(wire[step - 1]), 4);
}
// Over the device handle the model name and firmware queries go without their 0x00.
inline kestrova::Bytes DeviceQueryBytes(int step) { return QueryBytes(step).substr(0, step == 1 || step == 7 ? 3 : 4); }

// The value texts of a printer, by query step (index 0 = step 1).
struct PrinterAnswers {
  std::array<std::string, 18> values = {
      "RT-6100", "0", "1", "128", "255", "30", "V1.02", "1234", "567", "2021-03-04",
      "2", "89012", "SN0001", "Latin", "ROM-A", "17", "15", "ON"};
};

// Every query answered delayMs after it with 0x5F, the value, 0x00; device = the device-handle
// commands. The steps in except get no script here (the test scripts them itself).
inline void ScriptPrinter(FakeLink& link, const PrinterAnswers& answers = {}, bool device = false, int delayMs = 0,
                          const std::vector<int>& except = {}) {
  for (int step = 1; step <= 18; ++step) {
    if (std::find(except.begin(), except.end(), step) != except.end()) continue;
    link.answer(device ? DeviceQueryBytes(step) : QueryBytes(step), Reply(answers.values[static_cast<std::size_t>(step - 1)]),
                delayMs);
  }
}
