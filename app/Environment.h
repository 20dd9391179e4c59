#pragma once

#include <QString>

class Prompts;
class PrintTarget;

namespace lnk {
class LineProvider;
}

// What the main window gets from the world. Tests hand in doubles; main() the real ones.
// Null pointers mean "use the real thing".
struct AppEnvironment
{
    QString programDir;                 // the executable's directory
    Prompts* prompts = nullptr;         // message boxes and file dialogs
    lnk::LineProvider* lines = nullptr; // the lines to the ports
    PrintTarget* printer = nullptr;     // the default printer
    QString exportPath;     // where the text export goes; empty for the platform's place
    bool showSplash = true; // tests skip the start-up splash
};
