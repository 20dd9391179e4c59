#pragma once

#include "MemoryLine.h"
#include "ScriptedPrompts.h"
#include "app/frmMain.h"
#include "support/TestEnvironment.h"

#include <QTemporaryDir>

#include <memory>

// A main window over a fresh program folder, with scripted prompts and an in-memory line.
struct PanelFixture
{
    explicit PanelFixture(bool runLoad = true)
    {
        env = testEnvironment(dir.path(), prompts, line);
        window = std::make_unique<frmMain>(env);
        if (runLoad) {
            window->load();
        }
    }

    // Closes the window as the close box would (writes the working and settings files).
    void closeWindow() { window->close(); }
    // Lets the exchanges asked for run to their end.
    [[nodiscard]] bool settle() { return waitIdle(window->session()); }

    QTemporaryDir dir;
    ScriptedPrompts prompts;
    MemoryLine line;
    AppEnvironment env;
    std::unique_ptr<frmMain> window;
};
