#pragma once
// The --state file: the current and pending values of every simulated printer, as JSON:
//   {"printers": [{"current": {...}, "pending": {...}}, ...]}
// "pending" holds only what was written and not yet taken over; its "switches" array has null
// where a switch byte is not pending. Texts are stored byte for byte as Latin-1 strings.
#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

#include "sim/sim_printer.h"

namespace kestrova::sim {

struct SavedPrinter {
  PrinterValues current;
  PendingValues pending;
};

QJsonObject ToJson(const SavedPrinter& printer);
// Keys that are missing or of the wrong type keep the values of defaults.
SavedPrinter FromJson(const QJsonObject& object, const PrinterValues& defaults);

// Writes atomically (a temporary file renamed over the old one).
bool SaveStateFile(const QString& path, const std::vector<SavedPrinter>& printers, QString* error);
// The printers of the file; an empty list when the file does not exist; nullopt when it cannot be
// read or is not such a JSON document.
std::optional<std::vector<SavedPrinter>> LoadStateFile(const QString& path, const PrinterValues& defaults,
                                                       QString* error);

}  // namespace kestrova::sim
