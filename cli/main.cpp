// tempinex: the times and Windows attributes of files from the command line, through the same
// file state core as the dialog.

#include <ctime>

#include "arguments.hpp"
#include "messages.hpp"
#include "set_command.hpp"
#include "show.hpp"
#include "undo_log.hpp"

int main(int argc, char** argv) {
  using namespace tempinex::cli;
  SetUpMessages();
  tzset();
  int status = kExitUsage;
  std::optional<Arguments> arguments = ParseArguments(argc, argv, status);
  if (!arguments) {
    return status;
  }
  switch (arguments->command) {
    case Command::kShow:
      return RunShow(arguments->files, arguments->json);
    case Command::kSet:
      return RunSet(*arguments);
    case Command::kUndo:
      return RunUndo(arguments->files.front());
  }
  return kExitUsage;
}
