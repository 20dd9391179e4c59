#include "cli/Terminal.h"

#include <unistd.h>

namespace cli {

bool standardErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

bool standardInputIsTerminal()
{
    return ::isatty(STDIN_FILENO) == 1;
}

} // namespace cli
