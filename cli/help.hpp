#pragma once

// `tempinex --help`, laid out as the GNU tools lay theirs out: the synopsis, what the program
// does, each option with a one-line description, the forms of a time and the exit status.

namespace tempinex::cli {

void PrintHelp();

}  // namespace tempinex::cli
