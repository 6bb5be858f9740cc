// libFuzzer target: any text at any position parses or fails cleanly, and a
// rebuilt object is no larger than its input warrants.
#include <cstddef>
#include <cstdint>
#include <string>

#include "grammar/TarnFormParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static migwiz::grammar::TTarnFormParser parser;
  std::string input(reinterpret_cast<const char*>(data), size);
  parser.SetNewClassName("TTarnQuery");
  int pos = 1;
  if (parser.ParseString(input, "<object>", pos)) {
    parser.SetLayout(migwiz::grammar::TObjectLayout::Design);
    parser.MakeObject(1);
    parser.SetLayout(migwiz::grammar::TObjectLayout::Kept);
    parser.MakeObject(1);
  }
  return 0;
}
