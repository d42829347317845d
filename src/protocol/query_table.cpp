#include "protocol/query_table.h"

#include "model/switch_bank.h"

namespace kestrova {

const std::array<Query, kQueryCount>& Queries() {
  using E = QueryEffect;
  using F = RecordField;
  // clang-format off
  static const std::array<Query, kQueryCount> queries = {{
      // step command                 dev  Log History line                                 effect       field                    sw  progress delays
      { 1, {0x1D, 0x49, 0x43, 0x00}, 3, "Read Model Name = %s\r\n",                  E::ModelName, F::ModelName,            0, true,  0},
      { 2, {0x1D, 0x67, 0x34, 0x27}, 4, "Read Software Switch 1 = %s\r\n",           E::Switch,    F::ModelName,            1, true,  1},
      { 3, {0x1D, 0x67, 0x34, 0x28}, 4, "Read Software Switch 2 = %s\r\n",           E::Switch,    F::ModelName,            2, true,  1},
      { 4, {0x1D, 0x67, 0x34, 0x29}, 4, "Read Software Switch 3 = %s\r\n",           E::Switch,    F::ModelName,            3, true,  1},
      { 5, {0x1D, 0x67, 0x34, 0x2A}, 4, "Read Software Switch 4 = %s\r\n",           E::Switch,    F::ModelName,            4, true,  1},
      { 6, {0x1D, 0x67, 0x34, 0x2B}, 4, "Read Software Switch 5 = %s\r\n",           E::Switch,    F::ModelName,            5, true,  1},
      { 7, {0x1D, 0x49, 0x41, 0x00}, 3, "Read Firmware Revision = %s\r\n",           E::Field,     F::Frwv,                 0, true,  1},
      { 8, {0x1D, 0x67, 0x34, 0x10}, 4, "Read Hours Powered = %s\r\n",               E::Field,     F::HoursPowered,         0, true,  2},
      { 9, {0x1D, 0x67, 0x34, 0x15}, 4, "Read Cut Paper Count = %s\r\n",             E::Field,     F::CutPaperCount,        0, true,  2},
      {10, {0x1D, 0x67, 0x34, 0x09}, 4, "Read Installation Date = %s\r\n",           E::Field,     F::InstallationDate,     0, false, 1},
      {11, {0x1D, 0x67, 0x34, 0x16}, 4, "Read Failed Paper Cut = %s\r\n",            E::Field,     F::FailedPaperCut,       0, false, 1},
      {12, {0x1D, 0x67, 0x34, 0x1B}, 4, "Read Line Printed = %s\r\n",                E::Field,     F::LinePrinted,          0, false, 1},
      {13, {0x1D, 0x67, 0x34, 0x05}, 4, "Read Serial Number = %s\r\n",               E::Field,     F::SerialNumber,         0, true,  1},
      {14, {0x1D, 0x67, 0x34, 0x24}, 4, "Read Language Model = %s\r\n",              E::Field,     F::LanModel,             0, true,  1},
      {15, {0x1D, 0x49, 0x45, 0x00}, 4, "Read Font ROM = %s\r\n",                    E::Field,     F::FontRom,              0, true,  1},
      {16, {0x1D, 0x67, 0x34, 0x21}, 4, "Read Code Page = %s\r\n",                   E::CodePage,  F::CodePage,             0, true,  1},
      {17, {0x1D, 0x67, 0x34, 0x22}, 4, "Read International Character Set = %s\r\n", E::CharSet,   F::InternationalCharSet, 0, true,  1},
      {18, {0x1D, 0x67, 0x34, 0x25}, 4, "Read New 8x16 Font = %s\r\n",               E::NewFont,   F::New8x16Font,          0, true,  2},
  }};
  // clang-format on
  return queries;
}

Bytes QueryCommand(const Query& query) { return Bytes(reinterpret_cast<const char*>(query.command), 4); }

Bytes DeviceQueryCommand(const Query& query) {
  return Bytes(reinterpret_cast<const char*>(query.command), query.deviceLength);
}

std::string FormatLogLine(const char* logTemplate, std::string_view value) {
  std::string line(logTemplate);
  const auto at = line.find("%s");
  if (at != std::string::npos) line.replace(at, 2, value.data(), value.size());
  return line;
}

std::string ValueText(std::string_view reply) { return ReplyValueText(reply); }

}  // namespace kestrova
