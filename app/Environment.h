#pragma once

#include <QString>

class Prompts;
class QWidget;

namespace lnk {
class SerialLine;
}

// Renders a window onto paper (or, in tests, into a PDF). Returns an empty string on
// success, otherwise what went wrong.
class PrintTarget
{
public:
    virtual ~PrintTarget() = default;
    virtual QString printWidget(QWidget& window) = 0;
};

// What the main window gets from the world. Tests hand in doubles; main() the real ones.
// Null pointers mean "use the real thing".
struct AppEnvironment
{
    QString programDir;              // the executable's directory
    Prompts* prompts = nullptr;      // message boxes and file dialogs
    lnk::SerialLine* line = nullptr; // the serial layer
    PrintTarget* printer = nullptr;  // the default printer
    QString exportPath;              // where the text export goes; empty for the platform's place
    bool showSplash = true;          // tests skip the start-up splash
};
