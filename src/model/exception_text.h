#pragma once
// The message of the exception being handled, for reports and traces.
#include <string>

namespace kestrova {

// Inside a catch block: the exception's what(); empty when it is not a std::exception.
std::string CurrentExceptionText();

}  // namespace kestrova
