// libFuzzer target: binary component streams and text forms never crash the
// converters; what converts to text converts back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "streams/ComponentStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  using namespace migwiz::platform;
  try {
    std::string text = ObjectBinaryToTextUtf8("TPF0" + input);
    ObjectTextToBinaryUtf8(text);  // text written by the converter must read back
    ObjectBinaryToText("TPF0" + input);
  } catch (const EStreamError&) {
  }
  try {
    std::string stream = ObjectTextToBinary(input);
    ObjectBinaryToTextUtf8(stream);
  } catch (const ETextFormError&) {
  }
  return 0;
}
