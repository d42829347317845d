// The modelno.dat file: ParseModelChoice on any content, and on a small share of the inputs (files
// are slow) LoadModelChoice on the same bytes written to a scratch folder.
#include <stdlib.h>

#include <fstream>
#include <string>

#include "fuzz_support.h"
#include "model/catalogue.h"
#include "model/model_choice.h"

using namespace kestrova;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  // The entry is what strtol makes of the first three bytes when that is 0..15, else -1 (none).
  const int position = ParseModelChoice(content);
  const long expected = std::strtol(std::string(content.substr(0, 3)).c_str(), nullptr, 10);
  FUZZ_CHECK(position == (expected >= 0 && expected < kModelListSize ? expected : -1));
  if (size > 0 && data[size - 1] % 32 == 0) {
    static char folder[] = "/tmp/kestrova-fuzz-model-choice-XXXXXX";
    static const bool made = mkdtemp(folder) != nullptr;
    FUZZ_CHECK(made && (std::ofstream(ModelChoicePath(folder), std::ios::binary | std::ios::trunc) << content));
    FUZZ_CHECK(LoadModelChoice(folder) == position);
  }
  return 0;
}
