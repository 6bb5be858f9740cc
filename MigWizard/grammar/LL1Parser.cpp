#include "grammar/LL1Parser.h"

#include <algorithm>
#include <bit>

#include "platform/LargeStack.h"
#include "resources/RExpertRes.h"
#include "support/Assert.h"
#include "support/StrUtils.h"

namespace migwiz::grammar {

using support::AsciiLower;
using support::AsciiUpper;
using support::Assert;
using support::LowerCase;
using support::SameText;

namespace {

constexpr const char* kUnit = "LL1Parser";
constexpr std::string_view kPlaceholder = "<__Spec>";

// Thrown when nesting passes the depth limit; ends the parse as a failure.
struct ParseTooDeep {};

// Drops the entries from size on (never grows, so nothing is constructed).
template <class T>
void ShrinkTo(std::vector<T>& v, size_t size) {
  v.erase(v.begin() + static_cast<std::ptrdiff_t>(size), v.end());
}

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
  ++rulesAdded_;
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
  ruleList_.clear();
  rules_.clear();
}

std::vector<std::string> TLL1Parser::Alternatives(std::string_view ruleName) const {
  auto it = rules_.find(LowerCase(ruleName));
  return it == rules_.end() ? std::vector<std::string>() : it->second.alternatives;
}

void TLL1Parser::PrepareRules() {
  InlineEmptyAlternatives();
  OrderAlternatives();
  CompileRules();
  useFirst_ = false;
  RulesPrepared();
}

// Splits every alternative into its elements and resolves each reference to
// the index of its rule or class, so that a parse looks nothing up by name.
void TLL1Parser::CompileRules() {
  ruleList_.clear();
  for (auto& [name, rule] : rules_) ruleList_.push_back(&rule);
  auto classIndex = [this](const std::string& ref) {
    auto [it, added] = classIndex_.emplace(ref, static_cast<int>(classes_.size()));
    if (added) classes_.push_back(ClassSlot{ref});
    return it->second;
  };
  for (Rule* rule : ruleList_) {
    rule->compiled.clear();
    for (const std::string& alt : rule->alternatives) {
      std::vector<Element> elements;
      for (size_t i = 0; i < alt.size();) {
        size_t len = ReferenceLength(alt, i);
        if (len > 0) {
          std::string ref = alt.substr(i, len);
          if (ref[1] == '*') {
            elements.push_back({Element::CharClass, ref, classIndex(ref)});
          } else {
            int index = -1;
            if (auto it = rules_.find(LowerCase(ref)); it != rules_.end())
              index = static_cast<int>(std::distance(rules_.begin(), it));
            elements.push_back({Element::Nonterminal, ref, index});
          }
          i += len;
        } else {
          if (elements.empty() || elements.back().kind != Element::Literal)
            elements.push_back({Element::Literal, std::string()});
          elements.back().text.push_back(alt[i++]);
        }
      }
      rule->compiled.push_back(std::move(elements));
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

int TLL1Parser::LookUpRule(std::string_view name) const {
  auto it = rules_.find(LowerCase(name));
  if (it == rules_.end() || ruleList_.empty()) return -1;
  return static_cast<int>(std::distance(rules_.begin(), it));
}

int TLL1Parser::LookUpCharClass(std::string_view className) const {
  auto it = classIndex_.find(std::string(className));
  return it == classIndex_.end() ? -1 : it->second;
}

void TLL1Parser::UseFirstCharacters(const std::vector<int>& opaqueClasses) {
  std::bitset<256> any;
  any.set();
  // Adds what the element may begin with to set; whether it may match empty.
  auto elementFirst = [&](const Element& e, std::bitset<256>& set) {
    if (e.kind == Element::Literal) {
      for (int c = 0; c < 256; ++c)
        if (AsciiLower(static_cast<char>(c)) == e.text[0]) set.set(static_cast<size_t>(c));
      return false;
    }
    bool opaque = e.index < 0 || (e.kind == Element::CharClass &&
                                  std::find(opaqueClasses.begin(), opaqueClasses.end(), e.index) !=
                                      opaqueClasses.end());
    if (opaque) {
      set |= any;
      return true;
    }
    if (e.kind == Element::CharClass) {
      const ClassSlot& slot = ResolvedClass(e.index);
      for (int c = 1; c < 256; ++c)
        if (slot.chars[c]) set.set(static_cast<size_t>(c));
      return false;  // a class matches at least one character
    }
    set |= ruleList_[e.index]->first;
    return ruleList_[e.index]->nullable;
  };
  auto alternativeFirst = [&](const std::vector<Element>& alt, std::bitset<256>& set) {
    for (const Element& e : alt)
      if (!elementFirst(e, set)) return false;
    return true;
  };
  for (Rule* rule : ruleList_) {
    rule->first.reset();
    rule->nullable = false;
  }
  for (bool changed = true; changed;) {
    changed = false;
    for (Rule* rule : ruleList_) {
      std::bitset<256> first;
      bool nullable = false;
      for (const auto& alt : rule->compiled) nullable = alternativeFirst(alt, first) || nullable;
      if (first != rule->first || nullable != rule->nullable) {
        rule->first = first;
        rule->nullable = nullable;
        changed = true;
      }
    }
  }
  for (Rule* rule : ruleList_) {
    rule->altFirst.assign(rule->compiled.size(), std::bitset<256>());
    rule->altNullable.assign(rule->compiled.size(), false);
    for (size_t i = 0; i < rule->compiled.size(); ++i)
      rule->altNullable[i] = alternativeFirst(rule->compiled[i], rule->altFirst[i]);
    rule->viable.clear();
    if (rule->compiled.size() <= 64) {
      rule->viable.assign(256, 0);
      for (size_t c = 0; c < 256; ++c)
        for (size_t i = 0; i < rule->compiled.size(); ++i)
          if (rule->altNullable[i] || rule->altFirst[i].test(c)) rule->viable[c] |= std::uint64_t{1} << i;
    }
  }
  useFirst_ = true;
}

void TLL1Parser::UseSharedBeginnings() {
  auto same = [](const Element& a, const Element& b) {
    return a.kind == b.kind && a.index == b.index && a.text == b.text;
  };
  for (Rule* rule : ruleList_) {
    const size_t n = rule->compiled.size();
    rule->shared.assign(n * n, 0);
    rule->keepAfter.assign(n, 0);
    for (size_t a = 0; a < n; ++a) {
      for (size_t b = 0; b < n; ++b) {
        const std::vector<Element>& x = rule->compiled[a];
        const std::vector<Element>& y = rule->compiled[b];
        size_t k = 0;
        while (k < x.size() && k < y.size() && same(x[k], y[k])) ++k;
        rule->shared[a * n + b] = static_cast<int>(k);
      }
    }
    // An alternative matched as a whole ends the rule: nothing is kept
    // after its last element.
    for (size_t a = 0; a < n; ++a)
      for (size_t b = a + 1; b < n; ++b)
        if (int k = rule->Shared(static_cast<int>(a), static_cast<int>(b)); k > 0 && k < 64 && static_cast<size_t>(k) < rule->compiled[a].size())
          rule->keepAfter[a] |= std::uint64_t{1} << k;
  }
  useShared_ = true;
}

std::vector<bool> TLL1Parser::RulesReaching(const std::vector<int>& targets) const {
  std::vector<bool> reaches(ruleList_.size(), false);
  for (int t : targets)
    if (t >= 0) reaches[t] = true;
  for (bool changed = true; changed;) {
    changed = false;
    for (size_t r = 0; r < ruleList_.size(); ++r) {
      if (reaches[r]) continue;
      for (const auto& alt : ruleList_[r]->compiled)
        for (const Element& e : alt)
          if (e.kind == Element::Nonterminal && e.index >= 0 && reaches[e.index]) reaches[r] = true;
      changed = changed || reaches[r];
    }
  }
  return reaches;
}

bool TLL1Parser::ParseString(std::string_view inpStr, std::string_view startRule, int& pos) {
  if (!rulesPrepared_) {
    PrepareRules();
    rulesPrepared_ = true;
  }
  input_ = inpStr;
  state_->SetCurPos(pos);
  errorPos_ = pos;
  errorStr_.clear();
  depth_ = peak_ = 0;
  saveStack_.clear();
  checkpoints_.clear();
  classFurthest_ = pos;
  memo_.Reset(pos);
  pendingRuleName_ = pendingClassName_ = nullptr;
  BeforeParse();
  bool result = false;
  if (!ParseDirectly(startRule, result)) platform::RunOnLargeStack([&] {
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
  memo_.Reset(0);
  return result;
}

bool TLL1Parser::ParseNonterminal(std::string_view name) {
  int index = RuleIndexOf(name);
  if (index < 0) throw EGrammarError(std::string(RExpertRes::SUnknownNonterminal) + std::string(name));
  return ParseRule(index);
}

bool TLL1Parser::ParseRule(int index) {
  if (++depth_ > maxDepth_) throw ParseTooDeep{};
  struct DepthGuard {
    int& depth;
    ~DepthGuard() { --depth; }
  } guard{depth_};
  if (depth_ > peak_) peak_ = depth_;
  const Rule& rule = *ruleList_[index];
  if (useFirst_ && !rule.nullable && !rule.first.test(InputAt(state_->CurPos()))) return false;
  return rule.memoised ? ParseMemoised(index) : TryAlternatives(rule);
}

// Every alternative starts from the state on entry: a failed one is put back
// to it before the next is tried.
bool TLL1Parser::TryAlternatives(const Rule& rule) {
  if (useShared_) return TryAlternativesShared(rule);
  const size_t mark = saveStack_.size();
  state_->Save(saveStack_);
  const unsigned char next = useFirst_ ? InputAt(state_->CurPos()) : 0;
  for (size_t i = 0; i < rule.compiled.size(); ++i) {
    if (useFirst_ && !rule.altNullable[i] && !rule.altFirst[i].test(next)) continue;
    Outcome outcome = ParseAlternative(rule.compiled[i]);
    if (outcome == Outcome::Matched) {
      ShrinkTo(saveStack_, mark);
      return true;
    }
    if (outcome == Outcome::Failed) state_->Restore(saveStack_.data() + mark);
  }
  ShrinkTo(saveStack_, mark);
  return false;
}

// As TryAlternatives, with the leading elements that alternatives share
// parsed once: an alternative goes on from the newest state kept by an
// earlier one that matched the same elements, and is passed over when the
// last one tried failed at an element the two share (it would fail there
// again); neither when the parse of those elements called out of the
// parser. The state is put back only before it is needed.
bool TLL1Parser::TryAlternativesShared(const Rule& rule) {
  const size_t mark = saveStack_.size();
  const size_t kept = checkpoints_.size();
  state_->Save(saveStack_);
  const unsigned char next = useFirst_ ? InputAt(state_->CurPos()) : 0;
  bool moved = false;  // the state may differ from the one on entry
  int lastTried = -1;  // the last alternative tried without calling out
  int lastMatched = 0;
  const int count = static_cast<int>(rule.compiled.size());
  const bool masked = useFirst_ && !rule.viable.empty();
  std::uint64_t viable = masked ? rule.viable[next] : 0;
  for (int i = masked ? 0 : -1;;) {
    if (masked) {
      if (viable == 0) break;
      i = std::countr_zero(viable);
      viable &= viable - 1;
    } else {
      if (++i >= count) break;
      if (useFirst_ && !rule.altNullable[i] && !rule.altFirst[i].test(next)) continue;
    }
    if (lastTried >= 0 && rule.Shared(lastTried, i) > lastMatched) continue;
    while (checkpoints_.size() > kept) {
      const Checkpoint& top = checkpoints_.back();
      if (top.elements <= rule.Shared(top.alternative, i)) break;
      ShrinkTo(saveStack_, top.saved);
      checkpoints_.pop_back();
    }
    int from = 0;
    if (checkpoints_.size() > kept) {
      from = checkpoints_.back().elements;
      state_->Restore(saveStack_.data() + checkpoints_.back().saved);
    } else if (moved) {
      state_->Restore(saveStack_.data() + mark);
    }
    int matched = 0;
    bool calledOut = false;
    const Outcome outcome = ParseAlternativeFrom(rule, i, from, matched, calledOut);
    if (outcome == Outcome::Matched) {
      ShrinkTo(checkpoints_, kept);
      ShrinkTo(saveStack_, mark);
      return true;
    }
    lastTried = calledOut ? -1 : i;
    lastMatched = matched;
    moved = from > 0 || outcome == Outcome::Failed;
  }
  if (moved) state_->Restore(saveStack_.data() + mark);
  ShrinkTo(checkpoints_, kept);
  ShrinkTo(saveStack_, mark);
  return false;
}
// A literal (lower-cased with its rule) against the input lower-cased the
// same way: on a match the position moves past it.
bool TLL1Parser::MatchLiteral(const std::string& text) {
  const int pos = state_->CurPos();
  const size_t n = text.size();
  if (pos < 1 || static_cast<size_t>(pos) - 1 + n > input_.size()) return false;
  const char* in = input_.data() + (pos - 1);
  for (size_t i = 0; i < n; ++i)
    if (AsciiLower(in[i]) != text[i]) return false;
  state_->SetCurPos(pos + static_cast<int>(n));
  return true;
}


TLL1Parser::Outcome TLL1Parser::ParseAlternativeFrom(const Rule& rule, int alt, int from, int& matched,
                                                     bool& calledOut) {
  const std::vector<Element>& alternative = rule.compiled[alt];
  const unsigned callsBefore = callsOut_;
  struct CallsOut {  // also when an element fails
    const unsigned& now;
    unsigned before;
    bool& calledOut;
    ~CallsOut() { calledOut = now != before; }
  } callsOut{callsOut_, callsBefore, calledOut};
  const std::uint64_t keep = rule.keepAfter[alt];
  const int count = static_cast<int>(alternative.size());
  for (int k = from; k < count; ++k) {
    matched = k;
    const Element& e = alternative[k];
    switch (e.kind) {
      case Element::CharClass:
      case Element::Nonterminal:
        if (!ParseElementRef(e)) return Outcome::Failed;
        break;
      case Element::Literal: {
        if (!MatchLiteral(e.text)) return k == 0 ? Outcome::FailedUntouched : Outcome::Failed;
        break;
      }
    }
    if (k + 1 < 64 && ((keep >> (k + 1)) & 1) && callsOut_ == callsBefore) {
      checkpoints_.push_back(Checkpoint{alt, k + 1, saveStack_.size()});
      state_->Save(saveStack_);
    }
  }
  matched = count;
  return Outcome::Matched;
}

// A rule tried again at the same place gives the same answer; so does the
// depth its parse reaches, which is checked against the limit as a fresh
// parse would be.
bool TLL1Parser::ParseMemoised(int index) {
  const int pos = state_->CurPos();
  if (const MemoResult* hit = memo_.Find(pos, [index](const MemoResult& m) { return m.rule == index; })) {
    if (depth_ + hit->relPeak > maxDepth_) throw ParseTooDeep{};
    if (hit->endPos == 0) return false;
    state_->SetCurPos(hit->endPos);
    return true;
  }
  const int outerPeak = peak_;
  peak_ = depth_;
  bool ok = TryAlternatives(*ruleList_[index]);
  memo_.Add(pos, MemoResult{index, ok ? state_->CurPos() : 0, peak_ - depth_});
  peak_ = std::max(peak_, outerPeak);
  return ok;
}

// A literal that does not match changes nothing; when it is the first
// element, there is nothing to put back.
TLL1Parser::Outcome TLL1Parser::ParseAlternative(const std::vector<Element>& alternative) {
  for (const Element& e : alternative) {
    switch (e.kind) {
      case Element::CharClass:
      case Element::Nonterminal:
        if (!ParseElementRef(e)) return Outcome::Failed;
        break;
      case Element::Literal: {
        if (!MatchLiteral(e.text)) return &e == alternative.data() ? Outcome::FailedUntouched : Outcome::Failed;
        break;
      }
    }
  }
  return Outcome::Matched;
}

bool TLL1Parser::ParseElementRef(const Element& e) {
  if (e.kind == Element::CharClass) {
    if (e.index >= 0 && classes_[e.index].direct) return MatchClass(e.index);
    pendingClassName_ = e.text.data();
    pendingClass_ = e.index;
    return ParseCharClass(e.text);
  }
  if (e.index >= 0 && ruleList_[e.index]->direct) return ParseRule(e.index);
  pendingRuleName_ = e.text.data();
  pendingRule_ = e.index;
  return ParseNonterminal(e.text);
}

TLL1Parser::ClassSlot& TLL1Parser::ResolvedClass(int index) {
  ClassSlot& slot = classes_[index];
  if (!slot.resolved) {
    TCharSet set = GetCharSet(slot.name);
    for (int c = 0; c < 256; ++c) slot.chars[c] = set.chars.test(c);
    slot.singleChar = set.singleChar;
    slot.resolved = true;
  }
  return slot;
}

bool TLL1Parser::ParseCharClass(std::string_view className) {
  int index = CharClassIndexOf(className);
  if (index < 0) {
    // A class no rule names (a subclass asking for one of its own).
    index = static_cast<int>(classes_.size());
    classIndex_.emplace(std::string(className), index);
    classes_.push_back(ClassSlot{std::string(className)});
  }
  return MatchClass(index);
}

bool TLL1Parser::MatchClass(int index) {
  const ClassSlot& set = classes_[index].resolved ? classes_[index] : ResolvedClass(index);
  const int pos = state_->CurPos();
  int len = 0;
  if (set.singleChar) {
    len = set.chars[InputAt(pos)] ? 1 : 0;
  } else if (pos >= 1) {
    // The end of the input counts as byte 0, which is in no class.
    const auto* in = reinterpret_cast<const unsigned char*>(input_.data());
    const int size = static_cast<int>(input_.size());
    while (pos + len <= size && set.chars[in[pos + len - 1]]) ++len;
  }
  state_->SetCurPos(pos + len);
  if (len > 0 && pos + len > classFurthest_) classFurthest_ = pos + len;
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
