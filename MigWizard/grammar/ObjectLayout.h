// How a rebuilt object is laid out in its form text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace migwiz::grammar {

enum class TObjectLayout {
  // Header at two columns per level, every property two further in, the
  // children after all properties, "end", a line break; what follows the
  // object starts at its first non-blank character.
  Design,
  // The object as it was read, changed only where its meaning changed: the
  // class name in the header, and the lines of properties translated,
  // dropped or added. Everything else keeps its bytes.
  Kept,
};

// "design" or "kept" (letter case ignored); false for anything else.
bool LayoutFromName(std::string_view name, TObjectLayout& layout);
const char* LayoutName(TObjectLayout layout);

// A property of the rebuilt object as it will be written: its name and the
// lines of its value.
struct TLayoutProperty {
  std::string name;
  std::vector<std::string> lines;
};

// Where one property of the object stood in the text (0-based offsets) and
// what became of it: the entries [first, first + count) of the properties to
// write (none when it was dropped).
struct TPropertySource {
  size_t nameStart = 0;
  size_t valueStart = 0;
  size_t valueEnd = 0;
  std::string name;
  size_t first = 0;
  size_t count = 0;
};

// The object's text [start, end) of text, with its header's class name
// replaced by newClassName (kept when empty) and each property that changed
// rewritten in place. sources are in text order; properties not covered by
// any source are added after the last property, at the properties' column.
// lineBreak is used where a new line is begun that the text had no break
// for.
std::string WriteKeptObject(std::string_view text, size_t start, size_t end,
                            const std::string& newClassName,
                            const std::vector<TPropertySource>& sources,
                            const std::vector<TLayoutProperty>& properties,
                            const std::string& lineBreak);

}  // namespace migwiz::grammar
