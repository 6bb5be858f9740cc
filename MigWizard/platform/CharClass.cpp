#include "platform/CharClass.h"

#include "platform/TextCodec.h"

namespace migwiz::platform {

std::string FoldCase(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (char32_t c : Utf8ToCodePoints(utf8)) AppendUtf8(out, FoldCaseChar(c));
  return out;
}

}  // namespace migwiz::platform
