#include "PascalHighlighter.h"

namespace migwiz::ide {

namespace {

// Block states: which multi-line comment is still open at the block's end.
enum { kNone = 0, kBrace = 1, kParenStar = 2 };

QTextCharFormat Format(const QColor& colour, bool bold = false, bool italic = false) {
  QTextCharFormat f;
  f.setForeground(colour);
  if (bold) f.setFontWeight(QFont::Bold);
  f.setFontItalic(italic);
  return f;
}

}  // namespace

TPascalHighlighter::TPascalHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {
  const QStringList keywords = {
      "and", "array", "as", "begin", "case", "class", "const", "constructor", "destructor", "div",
      "do", "downto", "else", "end", "except", "exports", "file", "finalization", "finally", "for",
      "function", "goto", "if", "implementation", "in", "inherited", "initialization", "inline",
      "interface", "is", "label", "library", "mod", "nil", "not", "object", "of", "or", "packed",
      "procedure", "program", "property", "raise", "record", "repeat", "resourcestring", "set",
      "shl", "shr", "string", "then", "threadvar", "to", "try", "type", "unit", "until", "uses",
      "var", "while", "with", "xor", "private", "protected", "public", "published", "inherited",
      "item", "override", "virtual"};
  rules_.push_back({QRegularExpression("\\b(" + keywords.join('|') + ")\\b",
                                       QRegularExpression::CaseInsensitiveOption),
                    Format(QColor(0, 0, 128), true)});
  rules_.push_back({QRegularExpression("\\b(\\$[0-9A-Fa-f]+|\\d+(\\.\\d+)?([eE][-+]?\\d+)?)\\b"),
                    Format(QColor(0, 0, 255))});
  rules_.push_back({QRegularExpression("'[^']*'|#\\d+"), Format(QColor(0, 0, 255))});
  rules_.push_back({QRegularExpression("//[^\n]*"), Format(QColor(0, 128, 0), false, true)});
  comment_ = Format(QColor(0, 128, 0), false, true);
  directive_ = Format(QColor(0, 128, 128));
}

void TPascalHighlighter::highlightBlock(const QString& text) {
  for (const Rule& rule : rules_) {
    for (auto it = rule.pattern.globalMatch(text); it.hasNext();) {
      auto m = it.next();
      setFormat(static_cast<int>(m.capturedStart()), static_cast<int>(m.capturedLength()), rule.format);
    }
  }
  // Multi-line comments last, so that nothing inside them keeps another colour.
  int state = previousBlockState() < 0 ? kNone : previousBlockState();
  int pos = 0;
  while (pos <= text.size()) {
    int start = pos;
    if (state == kNone) {
      int brace = static_cast<int>(text.indexOf('{', pos));
      int paren = static_cast<int>(text.indexOf("(*", pos));
      if (brace < 0 && paren < 0) break;
      // Skip openers inside a string or a line comment already coloured.
      if (brace >= 0 && (paren < 0 || brace < paren)) {
        start = brace;
        state = kBrace;
      } else {
        start = paren;
        state = kParenStar;
      }
      if (format(start).foreground().color() == QColor(0, 0, 255) ||
          format(start).fontItalic()) {
        pos = start + 1;
        state = kNone;
        continue;
      }
    }
    const bool directive = state == kBrace && text.mid(start, 2) == "{$";
    int end = static_cast<int>(state == kBrace ? text.indexOf('}', start) : text.indexOf("*)", start + 1));
    int length;
    if (end < 0) {
      length = static_cast<int>(text.size()) - start;
      setFormat(start, length, directive ? directive_ : comment_);
      setCurrentBlockState(state);
      return;
    }
    length = end - start + (state == kBrace ? 1 : 2);
    setFormat(start, length, directive ? directive_ : comment_);
    pos = start + length;
    state = kNone;
  }
  setCurrentBlockState(kNone);
}

}  // namespace migwiz::ide
