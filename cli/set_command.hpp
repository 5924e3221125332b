#pragma once

// `tempinex set`: each file is read, its change planned, admitted as a whole or refused,
// logged for undo and made; or, with --dry-run, only shown.

#include "arguments.hpp"

namespace tempinex::cli {

int RunSet(Arguments& arguments);

}  // namespace tempinex::cli
