#include "platform/StandaloneIDE.h"

#include <cstdlib>
#include <stdexcept>

#include "platform/AsciiCase.h"
#include "platform/Folders.h"
#include "platform/KryParser.h"
#include "platform/PathNames.h"
#include "platform/Paths.h"
#include "platform/TextCodec.h"
#include "platform/TextFile.h"

namespace migwiz::platform {

namespace {

// A path that names a drive or a network share (D:\Units\X.pas,
// \\server\share\X.pas): absolute on the machine the project was
// written on, and on no folder here.
bool IsWindowsAbsolute(const std::string& path) {
  const bool drive = path.size() >= 2 && path[1] == ':' &&
                     ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return drive || path.rfind("\\\\", 0) == 0;
}

// A path written in a project file, with either delimiter, made absolute
// against the project's folder and spelt as it is on disk. A Windows
// absolute path stays as written, so that it is reported as the project
// names it.
std::string ProjectPath(std::string written, const std::string& projectDir, FileSystem& fs) {
  if (IsWindowsAbsolute(written)) return written;
  for (char& c : written)
    if (c == '\\') c = kPathDelim;
  std::string path = IsAbsolutePath(written) ? written : ConcatPath(projectDir, written);
  std::string onDisk = FindPathNoCase(path, fs);
  return onDisk.empty() ? path : onDisk;
}

std::string Unquote(const std::string& s) {
  if (s.size() >= 2 && s.front() == '\'' && s.back() == '\'') {
    std::string out;
    for (size_t i = 1; i + 1 < s.size(); ++i) {
      out.push_back(s[i]);
      if (s[i] == '\'' && s[i + 1] == '\'') ++i;
    }
    return out;
  }
  return s;
}

std::string XmlUnescape(std::string s) {
  static const std::pair<const char*, const char*> kEntities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
  for (const auto& [entity, ch] : kEntities) {
    for (size_t at = s.find(entity); at != std::string::npos; at = s.find(entity, at + 1))
      s.replace(at, std::string_view(entity).size(), ch);
  }
  return s;
}

}  // namespace

std::vector<std::string> DprUnitFiles(const std::string& dprText, const std::string& projectDir,
                                      FileSystem& fs) {
  std::vector<std::string> units;
  TParser lexer(dprText);
  std::string lexeme;
  auto next = [&]() {
    int code;
    do code = lexer.GetNext(lexeme);
    while (code == lcBlank || code == lcComment);
    return code;
  };
  int code;
  while ((code = next()) != lcEnd && !(code == lcIdent && SameText(lexeme, "uses"))) {
  }
  if (code == lcEnd) return units;
  for (;;) {
    if (next() != lcIdent) break;
    std::string name = lexeme;
    code = next();
    while (lexeme == ".") {
      if (next() != lcIdent) return units;
      name += "." + lexeme;
      code = next();
    }
    if (code == lcIdent && SameText(lexeme, "in")) {
      if (next() != lcString) break;
      units.push_back(ProjectPath(Unquote(lexeme), projectDir, fs));
      code = next();
    } else {
      std::string local = FindPathNoCase(ConcatPath(projectDir, name + ".pas"), fs);
      if (!local.empty()) units.push_back(local);
    }
    if (lexeme != ",") break;
  }
  return units;
}

std::vector<std::string> DprojUnitFiles(const std::string& dprojText,
                                        const std::string& projectDir, FileSystem& fs,
                                        std::string* mainSource) {
  std::vector<std::string> units;
  const std::string tag = "<DCCReference Include=\"";
  for (size_t at = dprojText.find(tag); at != std::string::npos; at = dprojText.find(tag, at + 1)) {
    size_t start = at + tag.size();
    size_t end = dprojText.find('"', start);
    if (end == std::string::npos) break;
    std::string written = XmlUnescape(dprojText.substr(start, end - start));
    if (SameText(ExtractFileExt(written), ".pas"))
      units.push_back(ProjectPath(written, projectDir, fs));
  }
  if (mainSource) {
    size_t open = dprojText.find("<MainSource>");
    size_t close = dprojText.find("</MainSource>");
    if (open != std::string::npos && close != std::string::npos && close > open)
      *mainSource = ProjectPath(XmlUnescape(dprojText.substr(open + 12, close - open - 12)), projectDir, fs);
  }
  return units;
}

std::unique_ptr<TStandaloneProject> TStandaloneProject::Open(const std::string& givenName,
                                                             FileSystem& fs) {
  // An IDE names its projects with their full path; so does this host.
  std::string fileName = givenName;
  fileName = NativePath(fileName);
  if (!fileName.empty() && !IsAbsolutePath(fileName)) {
    std::string cwd = CurrentDirectory();
    if (!cwd.empty()) fileName = ConcatPath(cwd, fileName);
  }
  std::string bytes, err;
  if (!fs.ReadFile(fileName, bytes, err)) throw std::runtime_error(err);
  std::string text = ReadTextFile(bytes).text;
  auto project = std::make_unique<TStandaloneProject>();
  project->fileName_ = fileName;
  std::string dir = ExtractFileDir(fileName);
  if (SameText(ExtractFileExt(fileName), ".dproj")) {
    std::string mainSource;
    std::vector<std::string> units = DprojUnitFiles(text, dir, fs, &mainSource);
    if (mainSource.empty()) mainSource = FindPathNoCase(ChangeFileExt(fileName, ".dpr"), fs);
    if (!mainSource.empty()) project->modules_.push_back(mainSource);
    project->modules_.insert(project->modules_.end(), units.begin(), units.end());
  } else {
    project->modules_.push_back(fileName);
    std::vector<std::string> units = DprUnitFiles(text, dir, fs);
    project->modules_.insert(project->modules_.end(), units.begin(), units.end());
  }
  return project;
}

class TStandaloneIDE::Group : public IOTAProjectGroup {
 public:
  explicit Group(std::unique_ptr<TStandaloneProject> project) : project_(std::move(project)) {}
  std::string FileName() const override { return "ProjectGroup1.groupproj"; }
  IOTAProject* ActiveProject() override { return project_.get(); }
  bool Close() override {
    closed_ = true;
    return true;
  }
  bool Closed() const { return closed_; }

 private:
  std::unique_ptr<TStandaloneProject> project_;
  bool closed_ = false;
};

TStandaloneIDE::TStandaloneIDE(FileSystem& fs) : fs_(fs) {}
TStandaloneIDE::~TStandaloneIDE() = default;

int TStandaloneIDE::ModuleCount() const { return group_ && !group_->Closed() ? 1 : 0; }

IOTAModule* TStandaloneIDE::Module(int index) {
  return index == 0 && ModuleCount() == 1 ? group_.get() : nullptr;
}

bool TStandaloneIDE::OpenProject(const std::string& projName, bool /*newProjGroup*/) {
  if (projName.empty()) return false;  // nothing to open
  try {
    group_ = std::make_unique<Group>(TStandaloneProject::Open(projName, fs_));
    lastError_.clear();
    return true;
  } catch (const std::exception& e) {
    lastError_ = e.what();
    return false;
  }
}

bool TStandaloneIDE::ReloadFile(const std::string& fileName) {
  reloaded_.push_back(fileName);
  return fs_.FileExists(fileName);
}

}  // namespace migwiz::platform
