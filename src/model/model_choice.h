#pragma once
// The model-list choice kept across runs in modelno.dat in the current working directory: the
// list position as signed decimal ASCII, nothing else ("-1" when no entry is selected).
#include <string>
#include <string_view>

#include "model/notifier.h"

namespace kestrova {

inline constexpr const char* kModelChoiceFileName = "modelno.dat";

// Full path of modelno.dat in dir (the working directory when dir is empty), whatever its length.
std::string ModelChoicePath(const std::string& dir = {});

// The list position a modelno.dat content stands for: its first three characters read by the
// C-library decimal conversion; -1 when the number is outside the list. Pure.
int ParseModelChoice(std::string_view firstBytes);

// The stored list position: the first three characters of the file read by the C-library decimal
// conversion; kDefaultModelListPosition when the file cannot be opened; -1 when the number is
// outside the list.
int LoadModelChoice(const std::string& dir = {});

// Replaces the file with the position (a temporary file renamed over it, so a crash never leaves
// it empty or half-written). On failure notifies "Can't save default com port setting !!" /
// "Error" and returns false.
bool SaveModelChoice(int position, Notifier& notifier, const std::string& dir = {});

}  // namespace kestrova
