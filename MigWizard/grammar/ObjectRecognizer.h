// Reads one object of a text form the way the form grammar reads it, in a
// single pass and without the grammar engine: where each top-level property
// name and value and each child object lie, and where the object ends.
//
// It answers only where it is certain to agree with the engine: for every
// text it takes, the engine (its alternatives tried in their prepared order,
// the first that matches winning) ends at the same place with the same
// captures. Whatever it is unsure of (a text the grammar rejects, a value
// handed out and then given up, a parse deep enough to reach the engine's
// nesting limit) it leaves to the engine by answering false.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace migwiz::grammar {

struct TRecognizedItem {
  bool nested = false;  // a child object, else a property
  // A property: its name and its value as the grammar captures them (a
  // value may begin with the blanks before a continued string). A child:
  // its text, from the start of its line's indentation to its "end".
  size_t nameStart = 0, nameEnd = 0;
  size_t valueStart = 0, valueEnd = 0;
  size_t textStart = 0, textEnd = 0;
};

struct TRecognizedObject {
  size_t keywordStart = 0, keywordEnd = 0;
  size_t nameStart = 0, nameEnd = 0;
  size_t typeStart = 0, typeEnd = 0;
  std::vector<TRecognizedItem> items;  // in the order of the text
  size_t end = 0;                      // where the parse of the object ends
  // Its "end" is the last of the text, with no blank after it: the engine
  // first tries the alternative that wants blanks there, and then reads
  // the properties a second time.
  bool readTwice = false;
  // The furthest position the reader looked at (a text cut after it reads
  // the same).
  size_t furthestRead = 0;
};

class TObjectRecognizer {
 public:
  explicit TObjectRecognizer(std::string_view text) : s_(text) {}

  // The object whose keyword is at pos (0-based). False when the engine
  // must decide.
  bool Recognize(size_t pos, TRecognizedObject& out);

 private:
  static constexpr size_t kFail = static_cast<size_t>(-1);

  unsigned char At(size_t p) const {
    if (p > furthest_) furthest_ = p;
    return p < s_.size() ? static_cast<unsigned char>(s_[p]) : 0;
  }
  bool Word(size_t p, std::string_view lowerWord) const;
  size_t Blanks(size_t p) const;  // past a run of blanks; p when there is none
  size_t Name(size_t p) const;
  size_t PropName(size_t p);
  size_t Digits(size_t p) const;
  size_t Hexs(size_t p) const;
  size_t Int(size_t p) const;
  size_t Number(size_t p) const;
  size_t Value(size_t p);
  size_t ValueAfterBlank(size_t p);
  size_t String(size_t p);
  size_t StringSegment(size_t p);
  size_t ContinuedString(size_t p, int& continuations);
  template <class Item>
  size_t List(size_t p, unsigned char close, Item item);
  size_t Strings(size_t p);
  size_t Numbers(size_t p);
  size_t Set(size_t p);
  size_t Binary(size_t p);
  size_t Collection(size_t p);
  size_t CollectionItem(size_t p);
  size_t ItemProperties(size_t p);
  size_t ItemProperty(size_t p);
  size_t Object(size_t p, TRecognizedObject* top);
  size_t Header(size_t p, TRecognizedObject* top);
  size_t Property(size_t p, TRecognizedItem& item);
  bool Step();  // one level more the engine may recurse by; false past the safe bound

  std::string_view s_;
  size_t depth_ = 0;
  int nesting_ = 0;
  bool unsure_ = false;
  mutable size_t furthest_ = 0;
};

}  // namespace migwiz::grammar
