#pragma once
// The files named on the command line (--from, --tcp-list) are read whole before anything else
// happens, so one that is no regular file (a FIFO with no writer, a device, a directory) could
// hold the tool for ever. They are opened without waiting and checked before any read.
#include <QFile>
#include <string>

namespace kestrova::cli {

// Opens path for reading into file (with the extra open mode, e.g. QIODevice::Text) when it is a
// regular file; false with error ("No such file or directory", "not a regular file (a FIFO)")
// otherwise.
bool OpenRegularFile(const std::string& path, QFile& file, std::string& error,
                     QIODevice::OpenMode extra = QIODevice::NotOpen);

}  // namespace kestrova::cli
