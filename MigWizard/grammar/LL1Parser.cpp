#include "grammar/LL1Parser.h"

#include <algorithm>

#include "platform/LargeStack.h"
#include "resources/RExpertRes.h"
#include "support/Assert.h"
#include "support/StrUtils.h"

namespace migwiz::grammar {

using support::AsciiUpper;
using support::Assert;
using support::LowerCase;
using support::SameText;

namespace {

constexpr const char* kUnit = "LL1Parser";
constexpr std::string_view kPlaceholder = "<__Spec>";

// Thrown when nesting passes the depth limit; ends the parse as a failure.
struct ParseTooDeep {};

// Length of the reference starting at i (a '<' that opens one), or 0 when
// the '<' there is literal.
size_t ReferenceLength(std::string_view alt, size_t i) {
  if (alt[i] != '<' || i + 1 >= alt.size()) return 0;
  if (alt[i + 1] == '<' || alt[i + 1] == '>') return 0;
  for (size_t k = i + 1; k < alt.size(); ++k) {
    if (alt[k] == '<') return 0;
    if (alt[k] == '>') return k - i + 1;
  }
  return 0;
}

// 0 literal, 1 character class, 2 nonterminal: by the first element.
int KindOf(std::string_view alt) {
  if (alt.empty()) return 0;
  size_t len = ReferenceLength(alt, 0);
  if (len == 0) return 0;
  return alt[1] == '*' ? 1 : 2;
}

// Descending by text, letters as upper case, a proper prefix is smaller.
bool TextGoesFirst(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto ca = static_cast<unsigned char>(AsciiUpper(a[i]));
    auto cb = static_cast<unsigned char>(AsciiUpper(b[i]));
    if (ca != cb) return ca > cb;
  }
  return a.size() > b.size();
}

void ReplaceAllNoCase(std::string& text, std::string_view what, std::string_view with) {
  if (what.empty()) return;
  for (size_t i = 0; i + what.size() <= text.size();) {
    if (SameText(std::string_view(text).substr(i, what.size()), what)) {
      text.replace(i, what.size(), with);
      i += with.size();
    } else {
      ++i;
    }
  }
}

void AddUnique(std::vector<std::string>& list, const std::string& text) {
  for (const std::string& s : list)
    if (SameText(s, text)) return;
  list.push_back(text);
}

// Spells out every placeholder with each alternative of the snapshot.
void Expand(const std::string& text, const std::vector<std::string>& snapshot,
            std::vector<std::string>& out) {
  size_t at = text.find(kPlaceholder);
  if (at == std::string::npos) {
    AddUnique(out, text);
    return;
  }
  for (const std::string& alt : snapshot) {
    std::string copy = text;
    copy.replace(at, kPlaceholder.size(), alt);
    Expand(copy, snapshot, out);
  }
}

std::vector<std::string> SplitAlternatives(std::string_view body) {
  std::vector<std::string> alts(1);
  for (size_t i = 0; i < body.size(); ++i) {
    char c = body[i];
    if (c == '|') {
      alts.emplace_back();
    } else if (c == '\\') {
      if (++i == body.size()) throw EGrammarError(RExpertRes::SInvalidRuleFormat);
      if (body[i] >= '0' && body[i] <= '9') {
        int code = 0;
        while (i < body.size() && body[i] >= '0' && body[i] <= '9')
          code = (code * 10 + (body[i++] - '0')) & 0xFF;
        --i;
        alts.back().push_back(static_cast<char>(code & 0xFF));
      } else {
        alts.back().push_back(body[i]);
      }
    } else {
      alts.back().push_back(c);
    }
  }
  return alts;
}

}  // namespace

bool TLL1Parser::NameLess::operator()(const std::string& a, const std::string& b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(AsciiUpper(x)) < static_cast<unsigned char>(AsciiUpper(y));
  });
}

void TParseState::Assign(const TParseState& source) { curPos_ = source.curPos_; }

TLL1Parser::TLL1Parser(TParseStateClass parseStateClass)
    : parseStateClass_(std::move(parseStateClass)), state_(parseStateClass_(this)) {}

TLL1Parser::~TLL1Parser() { ClearRules(); }

void TLL1Parser::AddRule(std::string_view ruleText) {
  Assert(!rulesPrepared_, kUnit, "rule added after the first parse");
  if (ruleText.size() < 2) return;
  std::string rule = LowerCase(ruleText);
  size_t close = rule.find('>', 1);
  if (close == std::string::npos || close + 1 >= rule.size())
    throw EGrammarError(RExpertRes::SInvalidRuleFormat);
  std::vector<std::string> alternatives = SplitAlternatives(std::string_view(rule).substr(close + 2));
  std::string name = rule.substr(0, close + 1);
  Rule& r = rules_[name];
  r.name = name;
  for (std::string& alt : alternatives) r.alternatives.push_back(std::move(alt));
}

void TLL1Parser::ClearRules() {
  ruleIndex_.clear();
  rules_.clear();
}

std::vector<std::string> TLL1Parser::Alternatives(std::string_view ruleName) const {
  auto it = rules_.find(LowerCase(ruleName));
  return it == rules_.end() ? std::vector<std::string>() : it->second.alternatives;
}

void TLL1Parser::PrepareRules() {
  InlineEmptyAlternatives();
  OrderAlternatives();
  for (auto& [name, rule] : rules_) {
    ruleIndex_[name] = &rule;
    rule.compiled.clear();
    for (const std::string& alt : rule.alternatives) {
      std::vector<Element> elements;
      for (size_t i = 0; i < alt.size();) {
        size_t len = ReferenceLength(alt, i);
        if (len > 0) {
          std::string ref = alt.substr(i, len);
          elements.push_back({ref[1] == '*' ? Element::CharClass : Element::Nonterminal, ref});
          i += len;
        } else {
          if (elements.empty() || elements.back().kind != Element::Literal)
            elements.push_back({Element::Literal, std::string()});
          elements.back().text.push_back(alt[i++]);
        }
      }
      rule.compiled.push_back(std::move(elements));
    }
  }
}

void TLL1Parser::InlineEmptyAlternatives() {
  for (auto& entry : rules_) {
    const std::string& rName = entry.first;
    Rule& r = entry.second;
    auto empty = std::find(r.alternatives.begin(), r.alternatives.end(), std::string());
    if (empty == r.alternatives.end()) continue;
    auto rewrite = [&rName](Rule& s, const std::vector<std::string>& snapshot) {
      std::vector<std::string> next;
      for (std::string alt : s.alternatives) {
        ReplaceAllNoCase(alt, rName, kPlaceholder);
        Expand(alt, snapshot, next);
      }
      s.alternatives = std::move(next);
    };
    for (auto& [sName, s] : rules_)
      if (&s != &r) rewrite(s, r.alternatives);
    rewrite(r, r.alternatives);
    auto it = std::find(r.alternatives.begin(), r.alternatives.end(), std::string());
    if (it != r.alternatives.end()) r.alternatives.erase(it);
  }
}

void TLL1Parser::OrderAlternatives() {
  for (auto& [name, rule] : rules_) {
    std::stable_sort(rule.alternatives.begin(), rule.alternatives.end(),
                     [](const std::string& a, const std::string& b) {
                       int ka = KindOf(a), kb = KindOf(b);
                       if (ka != kb) return ka < kb;
                       return TextGoesFirst(a, b);
                     });
  }
}

TLL1Parser::Rule* TLL1Parser::FindRule(std::string_view name) {
  if (auto hit = ruleIndex_.find(name); hit != ruleIndex_.end()) return hit->second;
  auto it = rules_.find(LowerCase(name));
  return it == rules_.end() ? nullptr : &it->second;
}

bool TLL1Parser::ParseString(const std::string& inpStr, std::string_view startRule, int& pos) {
  if (!rulesPrepared_) {
    PrepareRules();
    rulesPrepared_ = true;
  }
  inputStr_ = inpStr;
  inputStrLower_ = LowerCase(inpStr);
  state_->SetCurPos(pos);
  errorPos_ = pos;
  errorStr_.clear();
  depth_ = 0;
  BeforeParse();
  bool result = false;
  platform::RunOnLargeStack([&] {
    try {
      result = ParseNonterminal(startRule);
    } catch (const ParseTooDeep&) {
      result = false;
      errorStr_ = "nesting too deep";
    }
  });
  AfterParse(result);
  if (result) {
    errorPos_ = -1;
    errorStr_.clear();
    pos = state_->CurPos();
  }
  return result;
}

unsigned char TLL1Parser::InputAt(int pos) const {
  if (pos < 1 || pos > static_cast<int>(inputStr_.size())) return 0;
  return static_cast<unsigned char>(inputStr_[pos - 1]);
}

bool TLL1Parser::ParseNonterminal(std::string_view name) {
  Rule* rule = FindRule(name);
  if (!rule) throw EGrammarError(std::string(RExpertRes::SUnknownNonterminal) + std::string(name));
  if (++depth_ > maxDepth_) throw ParseTooDeep{};
  struct DepthGuard {
    int& depth;
    ~DepthGuard() { --depth; }
  } guard{depth_};
  // Every alternative starts from the state on entry: a failed one is put
  // back to it before the next is tried.
  std::unique_ptr<TParseState> saved = parseStateClass_(this);
  saved->Assign(*state_);
  for (const auto& alternative : rule->compiled) {
    if (ParseAlternative(alternative)) return true;
    state_->Assign(*saved);
  }
  return false;
}

bool TLL1Parser::ParseAlternative(const std::vector<Element>& alternative) {
  for (const Element& e : alternative) {
    switch (e.kind) {
      case Element::CharClass:
        if (!ParseCharClass(e.text)) return false;
        break;
      case Element::Nonterminal:
        if (!ParseNonterminal(e.text)) return false;
        break;
      case Element::Literal: {
        int pos = state_->CurPos();
        if (pos < 1 || pos - 1 + e.text.size() > inputStrLower_.size()) return false;
        if (inputStrLower_.compare(pos - 1, e.text.size(), e.text) != 0) return false;
        state_->SetCurPos(pos + static_cast<int>(e.text.size()));
        break;
      }
    }
  }
  return true;
}

const TCharSet& TLL1Parser::CharSetOf(std::string_view className) {
  auto it = charSets_.find(std::string(className));
  if (it == charSets_.end())
    it = charSets_.emplace(std::string(className), GetCharSet(className)).first;
  return it->second;
}

bool TLL1Parser::ParseCharClass(std::string_view className) {
  const TCharSet& set = CharSetOf(className);
  int pos = state_->CurPos();
  int len = 0;
  if (set.singleChar) {
    len = set.chars.test(InputAt(pos)) ? 1 : 0;
  } else {
    while (set.chars.test(InputAt(pos + len))) ++len;
  }
  state_->SetCurPos(pos + len);
  return len > 0;
}

TCharSet TLL1Parser::GetCharSet(std::string_view className) {
  TCharSet set;
  auto addRange = [&set](int from, int to) {
    for (int c = from; c <= to; ++c) set.chars.set(c);
  };
  std::string name = LowerCase(className);
  if (name == "<*char>" || name == "<*chars_or_digits>") {
    addRange('A', 'Z');
    addRange('a', 'z');
    set.chars.set('_');
    if (name == "<*chars_or_digits>") addRange('0', '9');
    set.singleChar = name == "<*char>";
  } else if (name == "<*digit>" || name == "<*digits>") {
    addRange('0', '9');
    set.singleChar = name == "<*digit>";
  } else if (name == "<*hexs>") {
    addRange('0', '9');
    addRange('A', 'F');
    addRange('a', 'f');
  } else if (name == "<*symbol>" || name == "<*symbols>") {
    addRange(1, 255);
    set.chars.reset('\'');
    set.singleChar = name == "<*symbol>";
  } else {
    Assert(false, kUnit, "unknown character class");
  }
  set.chars.reset(0);
  return set;
}

}  // namespace migwiz::grammar
