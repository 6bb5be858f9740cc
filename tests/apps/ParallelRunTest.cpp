// Files converted side by side come out exactly as one after the other: the
// same tree is converted with --jobs 1 and with --jobs 4, and every byte the
// two runs leave behind or print is compared.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "platform/Paths.h"
#include "streams/ComponentStream.h"
#include "support/TextFile.h"
#include "testing/RunProgram.h"
#include "testing/TempDir.h"

using migwiz::testing::ProgramResult;
using migwiz::testing::RunProgram;
using migwiz::testing::TempDir;
namespace fs = std::filesystem;

namespace {

const std::string kMigwiz = MIGWIZ_BIN;
constexpr int kModules = 18;

std::string Pad(int depth) { return std::string(2 * depth, ' '); }

// The datasets of module n at the given depth, with every kind of value a
// form holds: integers, floats, strings with character codes, identifiers,
// sets, string lists, binary data, collections and child objects.
std::string Datasets(int n, int depth) {
  const std::string p = Pad(depth), q = Pad(depth + 1), r = Pad(depth + 2);
  const std::string db = "'Db" + std::to_string(n % 5) + "'";
  std::string s;
  s += p + "object Query" + std::to_string(n) + ": TQuery\r\n";
  s += q + "DatabaseName = " + db + "\r\n";
  s += q + "SQL.Strings = (\r\n" + r + "'select * from T" + std::to_string(n) + "'\r\n" + r +
       "'where id = :id and name = '#39'x'#39)\r\n";
  s += q + "Left = " + std::to_string(8 * n) + "\r\n" + q + "Top = -4\r\n";
  s += q + "ParamData = <\r\n" + r + "item\r\n" + r + "  DataType = ftInteger\r\n" + r +
       "  Name = 'id'\r\n" + r + "  ParamType = ptInput\r\n" + r + "  Value = 42\r\n" + r + "end>\r\n";
  s += q + "object Query" + std::to_string(n) + "ID: TIntegerField\r\n" + r + "FieldName = 'ID'\r\n" + q + "end\r\n";
  s += q + "object Query" + std::to_string(n) + "AMOUNT: TFloatField\r\n" + r +
       "DisplayFormat = '0.00'\r\n" + r + "MaxValue = 1.5E10\r\n" + q + "end\r\n";
  s += p + "end\r\n";
  s += p + "object Table" + std::to_string(n) + ": TTable\r\n" + q + "DatabaseName = " + db + "\r\n" + q +
       "TableName = 'CUSTOMER'\r\n" + q + "ReadOnly = True\r\n" + p + "end\r\n";
  s += p + "object Proc" + std::to_string(n) + ": TStoredProc\r\n" + q + "DatabaseName = " + db + "\r\n" + q +
       "StoredProcName = 'NEXT_ID'\r\n" + p + "end\r\n";
  s += p + "object Update" + std::to_string(n) + ": TUpdateSQL\r\n" + q + "ModifySQL.Strings = (\r\n" + r +
       "'update T set a = :a')\r\n" + p + "end\r\n";
  s += p + "object Move" + std::to_string(n) + ": TBatchMove\r\n" + q + "Destination = Table" +
       std::to_string(n) + "\r\n" + q + "Mode = batAppend\r\n" + q + "Source = Query" + std::to_string(n) +
       "\r\n" + p + "end\r\n";
  return s;
}

std::string DataModuleForm(int n) {
  const int depth = 1 + n % 4;  // datasets inside containers, up to four levels deep
  std::string s = "object DM" + std::to_string(n) + ": TDataModule\r\n  OldCreateOrder = False\r\n";
  s += "  object Database" + std::to_string(n) + ": TDatabase\r\n    AliasName = 'Alias'\r\n";
  s += "    DatabaseName = 'Db" + std::to_string(n % 5) + "'\r\n    LoginPrompt = False\r\n";
  s += "    Params.Strings = (\r\n      'USER NAME=sysdba'\r\n      'PASSWORD=masterkey'\r\n"
       "      'SERVER NAME=db" + std::to_string(n) + ".example.org')\r\n";
  s += "    TransIsolation = tiDirtyRead\r\n  end\r\n";
  for (int d = 1; d < depth; ++d)
    s += Pad(d) + "object Box" + std::to_string(d) + ": TPanel\r\n" + Pad(d + 1) +
         "Anchors = [akLeft, akTop]\r\n";
  s += Datasets(n, depth);
  for (int d = depth - 1; d >= 1; --d) s += Pad(d) + "end\r\n";
  s += "  object Logo: TImage\r\n    Picture.Data = {\r\n      07544269746D6170360100002E}\r\n  end\r\n";
  if (n % 6 == 5)  // an object the grammar does not take: warned about, kept
    s += "  object Broken: TQuery\r\n    SQL.Strings = (\r\n      'select'\r\n  end\r\n";
  return s + "end\r\n";
}

std::string PlainForm(int n) {
  return "object Form" + std::to_string(n) + ": TForm\r\n  Caption = 'Caf'#233' \xC3\xBC'\r\n"
         "  Font.Style = [fsBold, fsItalic]\r\n  Scaled = False\r\n"
         "  object Label1: TLabel\r\n    Caption = 'Customers'\r\n    Left = 8\r\n  end\r\nend\r\n";
}

std::string Unit(const std::string& name, bool bde, const std::string& resource) {
  return "unit " + name + ";\r\ninterface\r\nuses SysUtils, Classes" + (bde ? ", DB, DBTables" : "") +
         ";\r\ntype\r\n  T" + name + " = class(TDataModule)\r\n" +
         (bde ? "    Q: TQuery;\r\n    { a TTable in a comment }\r\n" : "") + "  end;\r\nimplementation\r\n" +
         resource + "\r\nend.\r\n";
}

// A tree of data modules and plain forms in three folder levels: text forms
// (ANSI, UTF-8 and UTF-16 with their marks) and binary ones, resource
// directives that name the form in another letter case, a link that leads
// out of the folder and a FIFO that is no regular file.
void WriteTree(const TempDir& dir, const std::string& outside) {
  const char* folders[] = {"src/", "src/a/", "src/a/b/"};
  std::string dpr = "program App;\r\nuses\r\n";
  for (int n = 0; n < kModules; ++n) {
    const std::string folder = folders[n % 3];
    const std::string rel = folder.substr(4);
    const std::string dm = "DataMod" + std::to_string(n), fm = "Form" + std::to_string(n);
    dir.Write(folder + dm + ".pas", Unit(dm, true, n % 4 == 0 ? "{$R *.DFM}" : "{$R *.dfm}"));
    const std::string form = DataModuleForm(n);
    if (n % 3 == 1) {
      dir.Write(folder + dm + ".dfm", migwiz::platform::WriteResourceForm(
                                          "TDM" + std::to_string(n), migwiz::platform::ObjectTextToBinary(form)));
    } else {
      dir.Write(folder + dm + ".dfm", form);
    }
    std::string plain = PlainForm(n);
    if (n % 3 == 0)
      plain = "\xFF\xFE" + migwiz::support::EncodeText(plain, migwiz::support::TEncoding::Utf16LE);
    else if (n % 3 == 1)
      plain = "\xEF\xBB\xBF" + plain;
    else
      plain = migwiz::support::EncodeText(plain, migwiz::support::TEncoding::Ansi);
    dir.Write(folder + fm + ".pas", Unit(fm, n % 2 == 0, "{$R " + fm + ".dfm}"));
    dir.Write(folder + fm + ".dfm", plain);
    for (const std::string& u : {dm, fm}) {
      std::string path = rel;
      for (char& c : path) c = c == '/' ? '\\' : c;
      dpr += "  " + u + " in '" + path + u + ".pas',\r\n";
    }
  }
  dpr += "  Last in 'Last.pas';\r\nbegin\r\nend.\r\n";
  dir.Write("src/App.dpr", dpr);
  dir.Write("src/Last.pas", Unit("Last", true, ""));
#ifdef _WIN32  // a link out of the tree and a FIFO: POSIX only
  (void)outside;
#else
  fs::create_symlink(outside, dir.Path("src/a/Outside.pas"));
  ::mkfifo(dir.Path("src/a/b/Pipe.pas").c_str(), 0644);
#endif
}

// Everything a run printed and left in the folder, the log without its
// time of creation.
struct Outcome {
  ProgramResult result;
  std::map<std::string, std::string> files;
  std::string json;
};

Outcome Convert(const std::vector<std::string>& args, const std::string& jobs) {
  TempDir tree, tmp, out, elsewhere;
  const std::string outside = elsewhere.Write("Outside.pas", Unit("Outside", true, ""));
  WriteTree(tree, outside);
  std::vector<std::string> all{"replace"};
  for (const std::string& a : args) all.push_back(a == "@" ? tree.Path("src") : a == "@dpr" ? tree.Path("src/App.dpr") : a);
  for (const std::string& a : {std::string("--report"), out.Path("report.json"), std::string("--jobs"), jobs})
    all.push_back(a);
  Outcome o;
  o.result = RunProgram(kMigwiz, all, {std::string(migwiz::platform::kTempDirVariable) + "=" + tmp.path()});
  // The two runs happen in folders of different names.
  auto same = [&](std::string text) {
    for (std::string from : {tree.path(), outside, out.path()}) {
      for (size_t at; (at = text.find(from)) != std::string::npos;) text.replace(at, from.size(), "<dir>");
      // and as the JSON report writes it, where "\" is escaped
      for (size_t at = 0; (at = from.find('\\', at)) != std::string::npos; at += 2) from.insert(at, 1, '\\');
      for (size_t at; (at = text.find(from)) != std::string::npos;) text.replace(at, from.size(), "<dir>");
    }
    return text;
  };
  o.result.out = same(o.result.out);
  o.result.err = same(o.result.err);
  for (const auto& e : fs::recursive_directory_iterator(tree.Path("src"))) {
    if (!e.is_regular_file() || e.is_symlink()) continue;
    std::string rel = e.path().string().substr(tree.path().size());
    std::replace(rel.begin(), rel.end(), '\\', '/');  // the keys below are written with "/"
    std::string bytes = same(migwiz::testing::ReadAll(e.path().string()));
    if (rel.ends_with("Wiz_Log.txt")) {
      size_t at = bytes.find("Created at:");
      if (at != std::string::npos) bytes.erase(at, bytes.find('\n', at) - at);
    }
    o.files[rel] = bytes;
  }
  o.json = same(out.Read("report.json"));
  EXPECT_TRUE(fs::is_empty(tmp.path())) << "the temporary folder was left";
  return o;
}

void ExpectSame(const Outcome& one, const Outcome& four) {
  EXPECT_EQ(one.result.status, four.result.status);
  EXPECT_EQ(one.result.out, four.result.out);
  EXPECT_EQ(one.result.err, four.result.err);
  EXPECT_EQ(one.json, four.json);
  ASSERT_EQ(one.files.size(), four.files.size());
  for (const auto& [rel, bytes] : one.files) {
    auto it = four.files.find(rel);
    ASSERT_NE(it, four.files.end()) << rel;
    EXPECT_TRUE(it->second == bytes) << rel << " differs";
  }
}

// The run did what it is to do, so that the comparison means something.
void ExpectAWholeRun(const Outcome& o) {
  EXPECT_EQ(o.result.status, 0) << o.result.err;
#ifndef _WIN32  // the tree has a link and a FIFO on POSIX systems only
  EXPECT_NE(o.result.err.find("Link leads outside the folder"), std::string::npos) << o.result.err;
  EXPECT_NE(o.result.err.find("Not a regular file"), std::string::npos);
#endif
  EXPECT_NE(o.result.err.find("Processing form"), std::string::npos);
  EXPECT_NE(o.result.err.find("not converted"), std::string::npos);
  EXPECT_NE(o.result.out.find("objects converted:                   "), std::string::npos) << o.result.out;
  EXPECT_TRUE(o.files.count("/src/RBackup/RExpert.reu"));
  EXPECT_TRUE(o.files.count("/src/a/b/RBackup/DataMod2.~dfm") || o.files.count("/src/RBackup/a/b/DataMod2.~dfm"));
  EXPECT_TRUE(o.files.count("/src/Wiz_Report.txt"));
  EXPECT_NE(o.json.find("\"Connection\""), std::string::npos);
}

}  // namespace

TEST(ParallelRun, FolderRunIsTheSameForAnyNumberOfJobs) {
  Outcome one = Convert({"@", "-r", "--link-connections"}, "1");
  ExpectAWholeRun(one);
  ExpectSame(one, Convert({"@", "-r", "--link-connections"}, "4"));
  // Forms converted as their units name them, without a table of names.
  Outcome plain = Convert({"@", "-r"}, "1");
  EXPECT_EQ(plain.result.status, 0) << plain.result.err;
  ExpectSame(plain, Convert({"@", "-r"}, "4"));
}

TEST(ParallelRun, ProjectRunIsTheSameForAnyNumberOfJobs) {
  Outcome one = Convert({"--project", "@dpr"}, "1");
  EXPECT_EQ(one.result.status, 0) << one.result.err;
  EXPECT_NE(one.result.err.find("Processing form 1 of"), std::string::npos) << one.result.err;
  ExpectSame(one, Convert({"--project", "@dpr"}, "4"));
}
