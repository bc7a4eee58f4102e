// Feeds arbitrary bytes to the calculation file reader. Anything may be
// refused with EHXFileReadError; nothing may crash, hang, leak or allocate
// without bound. A file that loads must also save and load again.
#include <cstdint>
#include <cstdlib>

#include "files/hx_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace torvacalc;
  THXFile file;
  try {
    TByteReader reader(data, size);
    file.LoadFromStream(reader);
  } catch (const EHXFileReadError&) {
    if (file.Document().TagCount() != 0 || file.Document().Attributes().Count() != 0) std::abort();
    return 0;
  }
  std::string saved;
  try {
    saved = file.SaveToString();
  } catch (const EHXFileWriteError&) {
    // A type read from the file that may not be written (an unregistered
    // derived type such as XML data) is refused, as intended.
    return 0;
  }
  THXFile again;
  try {
    again.LoadFromString(saved);
  } catch (const EHXFileReadError&) {
    std::abort();  // what was read and written must read back
  }
  return 0;
}
