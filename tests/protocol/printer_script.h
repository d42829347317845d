#pragma once
// Scripts a FakeLink to answer the 18 queries like a printer would.
#include <array>
#include <string>

#include "fake_link.h"
#include "protocol/query_table.h"

inline kestrova::Bytes QueryBytes(int step) { return kestrova::QueryCommand(kestrova::Queries()[static_cast<std::size_t>(step - 1)]); }
inline kestrova::Bytes DeviceQueryBytes(int step) {
  return kestrova::DeviceQueryCommand(kestrova::Queries()[static_cast<std::size_t>(step - 1)]);
}

// The value texts of a printer, by query step (index 0 = step 1).
struct PrinterAnswers {
  std::array<std::string, 18> values = {
      "RT-6100", "0", "1", "128", "255", "30", "V1.02", "1234", "567", "2021-03-04",
      "2", "89012", "SN0001", "Latin", "ROM-A", "17", "15", "ON"};
};

// Every query answered at once with 0x5F, the value, 0x00; device = the device-handle commands.
inline void ScriptPrinter(FakeLink& link, const PrinterAnswers& answers = {}, bool device = false) {
  for (int step = 1; step <= 18; ++step)
    link.answer(device ? DeviceQueryBytes(step) : QueryBytes(step), Reply(answers.values[static_cast<std::size_t>(step - 1)]));
}
