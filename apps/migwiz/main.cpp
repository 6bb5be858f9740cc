// migwiz: the migration wizard's engine on the command line.
#include <CLI/CLI.hpp>

#include <clocale>
#include <iostream>

#include "Arguments.h"
#include "Command.h"
#include "Signals.h"
#include "platform/LargeStack.h"
#include "platform/Processors.h"

namespace {

int Run(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  migwiz::app::PrepareConsole();
  migwiz::app::IgnoreBrokenPipes();
  migwiz::app::TArguments args(argc, argv);
  CLI::App app{"Moves Delphi projects from BDE data access to Tarnbase for MySQL."};
  app.set_version_flag("--version", std::string("migwiz ") + MIGWIZ_VERSION);
  app.require_subcommand(0, 1);
  migwiz::app::AddFormCommands(app);
  migwiz::app::AddReplaceCommands(app);
  migwiz::app::AddProfileCommands(app);
  migwiz::app::AddInventoryCommand(app);
  try {
    app.parse(args.Count(), args.Values());
    if (app.get_subcommands().empty()) std::cout << app.help();
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  } catch (const migwiz::app::ECommandExit& e) {
    std::cerr << "migwiz: " << e.what() << "\n";
    return e.Status();
  } catch (const std::exception& e) {
    std::cerr << "migwiz: " << e.what() << "\n";
    return 1;
  }
  return migwiz::app::ExitStatus();
}

}  // namespace

// The command runs on a thread with a large stack, so that a run done one
// file at a time parses each file where it stands instead of handing every
// file to another thread and waiting for it.
int main(int argc, char** argv) {
  migwiz::platform::ShareOneHeap();
  int status = 1;
  bool ran = false;
  {
    migwiz::platform::TLargeStackThread command([&] {
      status = Run(argc, argv);
      ran = true;
    });
  }
  return ran ? status : Run(argc, argv);
}
