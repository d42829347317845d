#include "model/model_choice.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "model/c_decimal.h"
#include "model/catalogue.h"

namespace kestrova {

std::string ModelChoicePath(const std::string& dir) {
  std::error_code ec;
  std::filesystem::path base = dir.empty() ? std::filesystem::current_path(ec) : std::filesystem::path(dir);
  return (base / kModelChoiceFileName).string();
}

int ParseModelChoice(std::string_view firstBytes) {
  const int position = CDecimalToInt(firstBytes.substr(0, 3));
  return position >= 0 && position < kModelListSize ? position : -1;
}

int LoadModelChoice(const std::string& dir) {
  std::FILE* f = std::fopen(ModelChoicePath(dir).c_str(), "r");
  if (!f) return kDefaultModelListPosition;
  std::string text;
  for (int c; text.size() < 3 && (c = std::fgetc(f)) != EOF;) text.push_back(static_cast<char>(c));
  std::fclose(f);
  return ParseModelChoice(text);
}

namespace {

// Writes the digits to a file; 0 or the errno of what failed.
int WriteDigits(const std::string& file, const std::string& digits) {
  std::FILE* f = std::fopen(file.c_str(), "w");
  if (!f) return errno;
  int error = 0;
  if (std::fwrite(digits.data(), 1, digits.size(), f) != digits.size()) error = errno ? errno : EIO;
  if (std::fclose(f) != 0 && error == 0) error = errno;
  return error;
}

}  // namespace

bool SaveModelChoice(int position, Notifier& notifier, const std::string& dir) {
  const std::string path = ModelChoicePath(dir);
  const std::string temp = path + ".tmp";
  const std::string digits = std::to_string(position);
  // A temporary file renamed over the old one, so that the file is never left half written.
  int error = WriteDigits(temp, digits);
  if (error == 0 && std::rename(temp.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    std::remove(temp.c_str());
    // A folder that takes no new file may still let the file itself be rewritten in place.
    if (WriteDigits(path, digits) == 0) return true;
    notifier.notify({"Can't save default com port setting !!", "Error", MessageIcon::Error,
                     path + ": " + std::strerror(error)});
  }
  return error == 0;
}

}  // namespace kestrova
