#pragma once

// Whether standard error is a terminal: progress is shown there only then, so that scripts
// and their logs get nothing but results and errors.
namespace cli {

bool standardErrorIsTerminal();

// Whether standard input is a terminal: only then may the tool ask a question and wait.
bool standardInputIsTerminal();

} // namespace cli
