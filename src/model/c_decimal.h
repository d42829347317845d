#pragma once
// Decimal text to integer, with the rules of the C library's atoi: optional leading white space,
// an optional sign, then digits; reading stops at the first other character; no digits give 0.
// Unlike atoi, a number too large for an int saturates instead of being undefined.
#include <string_view>

namespace kestrova {

int CDecimalToInt(std::string_view text);

}  // namespace kestrova
