#pragma once
// The files a user names (a profile, a list of printers) are read whole before anything else
// happens, so one that is no regular file (a FIFO with no writer, a device, a directory) could
// hold the program for ever. They are opened without waiting and checked before any read.
#include <QByteArray>
#include <QFile>
#include <optional>
#include <string>

namespace kestrova::profile {

// Opens path for reading into file (with the extra open mode, e.g. QIODevice::Text) when it is a
// regular file; false with error ("No such file or directory", "not a regular file (a FIFO)")
// otherwise.
bool OpenRegularFile(const std::string& path, QFile& file, std::string& error,
                     QIODevice::OpenMode extra = QIODevice::NotOpen);

// A profile is a few kilobytes; a file far larger is not one.
constexpr qint64 kProfileFileLimit = 1 << 20;

// The bytes of a profile file (a regular file of at most kProfileFileLimit bytes); nullopt with
// the reason in error otherwise.
std::optional<QByteArray> ReadProfileFile(const std::string& path, std::string& error);

}  // namespace kestrova::profile
