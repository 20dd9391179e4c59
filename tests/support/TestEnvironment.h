#pragma once

#include "app/Environment.h"

#include <QDir>

// What every test's main window gets: its own program folder, scripted prompts, a line that
// is never a real port, no splash, and the text export kept inside the program folder.
inline AppEnvironment testEnvironment(const QString& programDir, Prompts& prompts,
                                      lnk::SerialLine& line)
{
    AppEnvironment env;
    env.programDir = programDir;
    env.prompts = &prompts;
    env.line = &line;
    env.showSplash = false;
    env.exportPath = QDir(programDir).filePath(QStringLiteral("OrvexDAB.txt"));
    return env;
}
