#pragma once

// The exchanges of the fault matrix: how the panel starts each, what it says when it fails, and
// what the processor's log shows once it got through.

#include "app/frmMain.h"
#include "link/Frames.h"

#include <QString>

namespace matrix {

enum class Exchange
{
    Posliden,
    Sendnight,
    Uploadday,
    Uploadnight,
    Testtone,
};

inline QString messageOf(Exchange e)
{
    switch (e) {
    case Exchange::Posliden:
        return QStringLiteral("Error RS232, USB or IP, try to use other port (Menu Setup) or wrong "
                              "firmware version.");
    case Exchange::Sendnight:
        return QStringLiteral("Error RS232, USB or IP, try to use other port (Menu Setup)or wrong "
                              "firmware version.");
    case Exchange::Uploadday:
        return QStringLiteral("Error RS232, USB or IP, try to use other port (Menu Setup), wrong "
                              "connection or wrong firmware version.");
    case Exchange::Uploadnight:
        return QStringLiteral("Error RS232, USB or IP, try to use other port (Menu Setup) or wrong "
                              "connection or wrong firmware version. ");
    case Exchange::Testtone:
        return QStringLiteral("Error RS232, USB or IP, try to use other port (Menu Setup)");
    }
    return {};
}

inline bool isUpload(Exchange e)
{
    return e == Exchange::Uploadday || e == Exchange::Uploadnight;
}

inline lnk::Layout layoutOf(Exchange e)
{
    return e == Exchange::Uploadnight || e == Exchange::Sendnight ? lnk::Layout::Night
                                                                  : lnk::Layout::Day;
}

inline void run(frmMain& w, Exchange e)
{
    switch (e) {
    case Exchange::Posliden:
        w.toolbarKey(QStringLiteral("sendd"));
        break;
    case Exchange::Sendnight:
        w.toolbarKey(QStringLiteral("sendn"));
        break;
    case Exchange::Uploadday:
        w.toolbarKey(QStringLiteral("uplod"));
        break;
    case Exchange::Uploadnight:
        w.toolbarKey(QStringLiteral("uplon"));
        break;
    case Exchange::Testtone:
        w.Testtone();
        break;
    }
}

// What the processor's log says once the exchange reached it.
inline QString arrival(Exchange e)
{
    switch (e) {
    case Exchange::Posliden:
        return QStringLiteral("day frame:");
    case Exchange::Sendnight:
        return QStringLiteral("night frame:");
    case Exchange::Uploadday:
        return QStringLiteral("sent day reply");
    case Exchange::Uploadnight:
        return QStringLiteral("sent night reply");
    case Exchange::Testtone:
        return QStringLiteral("command 100 Testtone");
    }
    return {};
}

} // namespace matrix
