#pragma once
// The 18 status queries of a read, in the order every read sends them, and what each reply fills.
//
// Commands (4 bytes): 1D 49 n 00 asks an identity item (n = 43 model name, 41 firmware, 45 font
// ROM); 1D 67 34 m asks a stored item (switch bytes, counters, language settings). Every reply is
// 0x5F, the value as ASCII text, 0x00.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "link/byte_link.h"
#include "model/printer_record.h"

namespace kestrova {

enum class QueryEffect {
  ModelName,  // field ModelName, and the reported name selects the model
  Switch,     // raw reply into switch slot switchNo, decoded at the end of the read
  Field,      // value text into the field
  CodePage,   // number selects the code page; the code page entry text into the field
  CharSet,    // number selects the international character set; the entry text into the field
  NewFont,    // "ON" / empty selects the font state; the entry text into the field
};

struct Query {
  int step;                   // 1..18
  unsigned char command[4];
  std::size_t deviceLength;   // bytes sent over the device handle: 3 for the model name and firmware
  const char* logTemplate;    // Log History line, "%s" = the value text
  QueryEffect effect;
  RecordField field;          // the field filled (unused for a switch)
  int switchNo;               // 1..5 for a switch, else 0
  bool progressStep;          // the progress bar advances (not after steps 10, 11, 12)
  int deviceDelays;           // inter-query delays before it on the device handle
};

constexpr int kQueryCount = 18;
const std::array<Query, kQueryCount>& Queries();

// The command bytes of a query: the whole 4 bytes, or its device-handle length.
Bytes QueryCommand(const Query& query);
Bytes DeviceQueryCommand(const Query& query);

// The line template with its "%s" replaced by the value.
std::string FormatLogLine(const char* logTemplate, std::string_view value);

// Value text of a reply: from its second byte up to the first 0x00.
std::string ValueText(std::string_view reply);

}  // namespace kestrova
