// A reproducible stream of form objects for differential tests of the form
// parser: every value form of the grammar, odd spacing and letter case,
// nested children, collections, and objects that must fail. The same seed
// gives the same text on every platform (own generator, no std
// distributions).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace migwiz::testing {

class FormCorpus {
 public:
  explicit FormCorpus(uint64_t seed) : state_(seed * 2862933555777941757ULL + 3037000493ULL) {}

  struct Case {
    std::string text;      // the object, followed by what stands after it in a file
    std::string newClass;  // empty: keep the parsed type name
    int level;
  };

  Case Next() {
    Case c;
    std::string body;
    const char* type = Pick({"TQuery", "TTable", "TDatabase", "TStoredProc", "TUpdateSQL",
                             "TBatchMove", "TLabel", "TwwQuery", "TDataSource"});
    int indent = Below(3);
    c.level = Below(4);
    c.newClass = Below(5) == 0 ? "" : Pick({"TTarnQuery", "TTarnTable", "TTarnConnection", "TLabel"});
    body += Object(indent, type, 0);
    switch (Below(6)) {  // what follows the object
      case 0: break;
      case 1: body += "\r\n"; break;
      case 2: body += "\r\n" + Spaces(indent) + "object Next: TLabel\r\n" + Spaces(indent) + "end\r\n"; break;
      case 3: body += "\r\n" + Spaces(indent > 0 ? indent - 1 : 0) + "end\r\n"; break;
      case 4: body += "\n  \t"; break;
      default: body += "\r\nend"; break;
    }
    c.text = std::move(body);
    return c;
  }

 private:
  uint64_t state_;

  uint32_t Raw() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>(state_ >> 33);
  }
  int Below(int n) { return static_cast<int>(Raw() % static_cast<uint32_t>(n)); }
  const char* Pick(std::initializer_list<const char*> items) { return items.begin()[Below(static_cast<int>(items.size()))]; }
  static std::string Spaces(int level) { return std::string(static_cast<size_t>(level) * 2, ' '); }

  std::string Eol() {
    switch (Below(12)) {
      case 0: return "\n";
      case 1: return " \r\n";
      case 2: return "\r\n\r\n";
      default: return "\r\n";
    }
  }

  std::string Ident() {
    static const char* const kNames[] = {"Left", "Top", "Name", "Caption", "EndDate", "end_",
                                         "_x1", "Items", "SQL", "Tag", "Q", "object1", "ITEM"};
    std::string s = kNames[Below(13)];
    if (Below(4) == 0) s += std::to_string(Below(100));
    return s;
  }

  std::string Quoted() {
    switch (Below(8)) {
      case 0: return "''";
      case 1: return "'it''s'";
      case 2: return "#13#10";
      case 3: return "'a'#9'b'";
      case 4: return "#39'x'#39";
      case 5: return "'select * from T where A = :A'";
      case 6: return "'SERVER NAME=db.example.com'";
      default: return "'Text " + std::to_string(Below(1000)) + "'";
    }
  }

  std::string Value(int indent, int depth) {
    const std::string inner = Spaces(indent + 1);
    switch (Below(depth > 2 ? 12 : 17)) {
      case 0: return std::to_string(Below(5000));
      case 1: return "-" + std::to_string(Below(99));
      case 2: return Pick({"1.5", "-0.25", "1.5E+6", "2e3", "+7", "3.25e-2", "12d", "0.5", "7E-1", "1E"});
      case 3: return Pick({"True", "False", "clBtnFace", "tiReadCommitted", "tiDirtyRead", "ftInteger"});
      case 4: return Pick({"Owner.Field", "DM.Database1", "Frame1.Query1", "x._y", "a.b.c"});
      case 5: return Pick({"[]", "[fsBold]", "[fsBold, fsItalic]", "[ a ,b ]", "[ ]", "[a,]"});
      case 6: return Quoted();
      case 7: {
        std::string s = Quoted();
        return s + " + " + Quoted();
      }
      case 8: {
        std::string s = Quoted() + " +";
        s += Eol() + inner;
        s += Quoted();
        if (Below(2)) {
          s += " +" + Eol() + inner;
          s += Quoted();
        }
        return s;
      }
      case 9: return "(1 2 -3 4.5)";
      case 10: return Pick({"{}", "{0A0B0C}", "{\r\n" "    0A0B 0C0D\r\n    FF00}", "{ 00 }", "{ab\r\n cd}", "{ XYZ }"});
      case 11: return Pick({"()", "(1)", "( )"});
      case 12: {
        std::string s = "(" + Eol();
        int n = 1 + Below(5);
        for (int i = 0; i < n; ++i) {
          s += inner + Quoted();
          s += i + 1 == n ? std::string(")") : Eol();
        }
        return s;
      }
      case 13: {
        std::string s = "(";
        int n = Below(4);
        for (int i = 0; i < n; ++i) s += (i ? " " : "") + Quoted();
        return s + ")";
      }
      default: {  // a collection
        if (Below(6) == 0) return "<>";
        std::string s = "<";
        int n = 1 + Below(3);
        for (int i = 0; i < n; ++i) {
          s += Eol() + inner + "item";
          s += Eol();
          int props = Below(25) == 0 ? 0 : 1 + Below(3);
          for (int k = 0; k < props; ++k) {
            s += inner + "  " + Ident() + " = ";
            s += Value(indent + 2, depth + 1);
            s += Eol();
          }
          s += inner + "end";
        }
        return s + ">";
      }
    }
  }

  std::string Property(int indent, int depth) {
    std::string name = Ident();
    if (Below(4) == 0) name += std::string(".") + Pick({"Strings", "Name", "Style", "Data"});
    if (Below(9) == 0) name = Pick({"Params.Strings", "DatabaseName", "TransIsolation", "DataSource",
                                   "ParamData", "SessionName"});
    std::string eq = Pick({" = ", " = ", " = ", "=", " =", "= ", " =\t"});
    std::string value;
    if (name == "Params.Strings") {
      value = "(\r\n" + Spaces(indent + 1) + "'USER NAME=sa'\r\n" + Spaces(indent + 1) +
              "'PASSWORD=p''w'\r\n" + Spaces(indent + 1) + "'DATABASE NAME=" + Pick({"sales", "", "x y"}) + "')";
    } else if (name == "DatabaseName") {
      value = Pick({"'Sales'", "'DB_1'", "'Unknown'", "''"});
    } else if (name == "TransIsolation") {
      value = Pick({"tiDirtyRead", "tiReadCommitted", "tiRepeatableRead", "tiOther"});
    } else {
      value = Value(indent, depth);
    }
    value += Eol();
    return Spaces(indent) + name + eq + value;
  }

  std::string Object(int indent, const char* type, int depth) {
    std::string s = Spaces(indent);
    s += Pick({"object", "object", "object", "inherited", "inline", "OBJECT", "Object"});
    s += Pick({" ", " ", "  ", "\t"});
    s += std::string("Obj") + std::to_string(Below(50));
    s += Pick({": ", ": ", " : ", ":", ":  "});
    s += type;
    if (Below(40) == 0) s += " [0]";  // text after the type: the object fails
    s += Eol();
    int props = Below(8);
    int children = depth >= 4 ? 0 : (Below(3) == 0 ? 1 + Below(3) : 0);
    for (int i = 0; i < props; ++i) s += Property(indent + 1, depth);
    for (int i = 0; i < children; ++i) {
      if (Below(3) == 0) s += Property(indent + 1, depth);
      s += Object(indent + 1, Pick({"TStringField", "TIntegerField", "TQuery", "TPanel"}), depth + 1);
      s += Eol();
    }
    if (Below(50) == 0) return s;  // no end: fails
    s += Spaces(indent) + Pick({"end", "end", "end", "End", "END"});
    return s;
  }
};

}  // namespace migwiz::testing
