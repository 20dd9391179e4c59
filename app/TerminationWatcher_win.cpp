#include "app/TerminationWatcher.h"

#include <QMetaObject>

#include <qt_windows.h>

#include <atomic>

// Console control events (Ctrl+C, Ctrl+Break, the console closing, logoff, shutdown) arrive on
// a thread of the system's; the request is handed to the event loop.
namespace {

std::atomic<TerminationWatcher*> g_watcher = nullptr;

BOOL WINAPI onConsoleEvent(DWORD)
{
    if (TerminationWatcher* w = g_watcher.load()) {
        QMetaObject::invokeMethod(w, &TerminationWatcher::terminationRequested,
                                  Qt::QueuedConnection);
        return TRUE;
    }
    return FALSE;
}

} // namespace

TerminationWatcher::TerminationWatcher(QObject* parent) : QObject(parent)
{
    g_watcher = this;
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

TerminationWatcher::~TerminationWatcher()
{
    ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    g_watcher = nullptr;
}
