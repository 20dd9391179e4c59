#pragma once

#include "app/Environment.h"
#include "session/PanelSession.h"

#include <QDir>
#include <QTest>

#include <chrono>

// What every test's main window gets: its own program folder, scripted prompts, lines that never
// reach a real port, no splash, and the text export kept inside the program folder.
inline AppEnvironment testEnvironment(const QString& programDir, Prompts& prompts,
                                      lnk::LineProvider& lines)
{
    AppEnvironment env;
    env.programDir = programDir;
    env.prompts = &prompts;
    env.lines = &lines;
    env.showSplash = false;
    env.exportPath = QDir(programDir).filePath(QStringLiteral("OrvexDAB.txt"));
    return env;
}

// Runs the event loop until the session has no exchange running or waiting (bounded).
[[nodiscard]] inline bool waitIdle(const session::PanelSession& s,
                                   std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    return QTest::qWaitFor([&s] { return !s.busy(); }, static_cast<int>(limit.count()));
}
