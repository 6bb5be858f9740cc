// migwiz: the migration wizard's engine on the command line.
#include <CLI/CLI.hpp>

#include <clocale>
#include <iostream>

#include "resources/RExpertRes.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  CLI::App app{"Moves Delphi projects from BDE data access to Tarnbase for MySQL."};
  app.set_version_flag("--version", std::string("migwiz ") + MIGWIZ_VERSION);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }
  std::cout << app.help();
  return 0;
}
