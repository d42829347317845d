// The modelno.dat reader: ParseModelChoice on any content, and LoadModelChoice on the same bytes
// written to a file.
//
// Properties:
//  - the position is -1..15 (-1: no entry selected);
//  - it equals what strtol makes of the first three bytes when that is 0..15, else -1;
//  - only the first three bytes matter;
//  - LoadModelChoice reads the file to the same position.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "model/catalogue.h"
#include "model/model_choice.h"

using namespace kestrova;

namespace {

const std::string& ScratchDir() {
  static const std::string dir = [] {
    char pattern[] = "/tmp/kestrova-fuzz-model-choice-XXXXXX";
    const char* made = mkdtemp(pattern);
    FUZZ_CHECK(made != nullptr);
    return std::string(made);
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view content = fuzz::AsView(data, size);

  const int position = ParseModelChoice(content);
  FUZZ_CHECK(position >= -1 && position < kModelListSize);

  const std::string first3(content.substr(0, 3));
  const long expected = std::strtol(first3.c_str(), nullptr, 10);
  FUZZ_CHECK(position == (expected >= 0 && expected < kModelListSize ? expected : -1));
  FUZZ_CHECK(ParseModelChoice(content.substr(0, 3)) == position);

  // The file reader, on a small share of the inputs (files are slow).
  if (size > 0 && data[size - 1] % 32 == 0) {
    const std::string path = ModelChoicePath(ScratchDir());
    std::FILE* f = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(std::fwrite(content.data(), 1, content.size(), f) == content.size());
    std::fclose(f);
    FUZZ_CHECK(LoadModelChoice(ScratchDir()) == position);
  }
  return 0;
}
