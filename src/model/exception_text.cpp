#include "model/exception_text.h"

#include <exception>

namespace kestrova {

std::string CurrentExceptionText() {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return {};
  }
}

}  // namespace kestrova
