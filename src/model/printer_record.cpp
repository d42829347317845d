#include "model/printer_record.h"

namespace kestrova {

const std::array<RecordFieldInfo, kRecordFieldCount>& RecordFields() {
  static const std::array<RecordFieldInfo, kRecordFieldCount> fields = {{
      {RecordField::ModelName, "Model Name", "TXT_RTInfoModelName", "modelName"},
      {RecordField::Frwv, "Firmware Revision", "TXT_RTInfoFrwv", "firmwareRevision"},
      {RecordField::HoursPowered, "Hours Powered", "TXT_RTInfoHoursPowered", "hoursPowered"},
      {RecordField::CutPaperCount, "Cut Paper Count", "TXT_RTInfoCutPaperCount", "cutPaperCount"},
      {RecordField::InstallationDate, "Installation Date", "TXT_RTInfoInstallationDate", "installationDate"},
      {RecordField::FailedPaperCut, "Failed Paper Cut ", "TXT_RTInfoFailedPaperCut", "failedPaperCut"},
      {RecordField::LinePrinted, "Line Printed", "TXT_RTInfoLinePrinted", "linePrinted"},
      {RecordField::SerialNumber, "Serial Number", "TXT_RTInfoSerialNumber", "serialNumber"},
      {RecordField::LanModel, "Language Model", "TXT_LanInfoLanModel", "languageModel"},
      {RecordField::FontRom, "Font ROM", "TXT_LanInfoFontRom", "fontRom"},
      {RecordField::CodePage, "Code Page", "TXT_LanInfoCodePage", "codePage"},
      {RecordField::InternationalCharSet, "International Character Set", "TXT_LanInfoInternationalCharSet",
       "internationalCharSet"},
      {RecordField::PrintDensity, "Print Density", "TXT_LanInfoPrintDensity", "printDensity"},
      {RecordField::New8x16Font, "New 8x16 Font", "TXT_LanInfoNew8x16Font", "new8x16Font"},
      {RecordField::Thai1n3Pass, "Thai 1Pass/3Pass", "TXT_LanInfoThai1n3Pass", "thaiPass"},
  }};
  return fields;
}

const RecordFieldInfo& RecordFieldInfoOf(RecordField field) {
  return RecordFields()[static_cast<std::size_t>(field)];
}

}  // namespace kestrova
