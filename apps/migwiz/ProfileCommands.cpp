// profile show and profile check: the migration profile as a file.
#include <iostream>
#include <iterator>

#include "Command.h"
#include "profile/ProfileLoader.h"

namespace migwiz::app {

namespace {

void ShowProfile() { std::cout << profile::BuiltinProfileText(); }

// "-" reads the profile from standard input.
void CheckProfile(const std::string& file) {
  profile::TProfileCheck check;
  if (file == "-") {
    std::string text((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    check = profile::CheckProfileText(text, "<stdin>");
  } else {
    check = profile::CheckProfileFile(file);
  }
  if (!check.Ok()) {
    for (const profile::TProfileIssue& issue : check.Issues) std::cerr << issue.Text() << "\n";
    throw ECommandFailed(std::to_string(check.Issues.size()) + " error(s); the profile cannot be used");
  }
  const profile::TMigrationProfile& p = *check.Profile;
  std::cout << (file == "-" ? "<stdin>" : file) << ": valid: " << p.Pairs.size() << " pair(s), "
            << p.Classes.size() << " class(es), " << p.Rules.size() << " translation rule(s), "
            << p.Descendants.size() << " descendant(s), " << p.Uncovered.size()
            << " class(es) without counterpart\n";
}

}  // namespace

profile::TProfilePtr LoadProfileArg(const std::string& file) {
  if (file.empty()) return profile::BuiltinProfile();
  profile::TProfileCheck check = profile::CheckProfileFile(file);
  if (check.Ok()) return check.Profile;
  std::string text = "the profile " + file + " cannot be used; nothing was read or written:";
  for (const profile::TProfileIssue& issue : check.Issues) text += "\n  " + issue.Text();
  throw ECommandFailed(text);
}

void AddProfileCommands(CLI::App& app) {
  auto* profileCmd = app.add_subcommand("profile", "Show the built-in migration profile or check one.");
  profileCmd->require_subcommand(1);
  auto* show = profileCmd->add_subcommand("show", "Print the built-in profile (a TOML file).");
  show->callback(ShowProfile);
  static std::string file;
  auto* check = profileCmd->add_subcommand("check", "Check a profile file; exit status 1 when it has errors.");
  check->add_option("FILE", file, "profile file (- for standard input)")->required();
  check->callback([] { CheckProfile(file); });
}

}  // namespace migwiz::app
