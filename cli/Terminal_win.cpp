#include "cli/Terminal.h"

#include <io.h>
#include <stdio.h>

namespace cli {

bool standardErrorIsTerminal()
{
    return ::_isatty(::_fileno(stderr)) != 0;
}

bool standardInputIsTerminal()
{
    return ::_isatty(::_fileno(stdin)) != 0;
}

} // namespace cli
