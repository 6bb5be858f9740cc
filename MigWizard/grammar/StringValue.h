// String values as the text form writes them: quoted parts (an apostrophe
// doubled inside), #nnn character codes (UTF-16 code units), and parts
// joined with '+', across lines where a long string was split.
#pragma once

#include <string>
#include <string_view>

namespace migwiz::grammar {

// How a form writes the characters that need care, so that a new value is
// written the way the form around it is.
struct TStringStyle {
  bool rawNonAscii = false;       // 'é' rather than #233
  bool apostropheAsCode = false;  // #39 rather than ''
};

// Reads one string value at pos (blanks before it are skipped); on success
// value holds its UTF-8 text and pos is just after its last part. style, when
// given, learns how the value was written.
bool ReadStringValue(std::string_view text, size_t& pos, std::string& value,
                     TStringStyle* style = nullptr);
// The whole text (blanks around it allowed) as one string value.
bool DecodeStringValue(std::string_view text, std::string& value, TStringStyle* style = nullptr);
// A property value that should be a string (DatabaseName): decoded, or,
// when it is none, the text without its first and last characters.
std::string StringValueText(std::string_view valueText);
// A literal that reads back as value, written in the given style; control
// characters are always written as #nnn.
std::string EncodeStringValue(std::string_view value, const TStringStyle& style = {});

}  // namespace migwiz::grammar
