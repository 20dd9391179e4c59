#pragma once

// Parameter files and readings the fleet verbs' tests share.
#include "CliRig.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace clirig {

// Distinct values, as the exchange tests hold them.
inline const QByteArray kFileA =
    dabFile({8,  255, 205, 180, 60, 141, 59, 65, 123, 141, 59, 58,  58,  126, 128, 130,
             65, 136, 131, 25,  73, 1,   90, 1,  1,   0,   1,  100, 135, 92,  220, 165});
// A with gate 9 and the digital input off.
inline const QByteArray kFileB =
    dabFile({9,  255, 205, 180, 60, 141, 59, 65, 123, 141, 59, 58,  58,  126, 128, 130,
             65, 136, 131, 25,  73, 1,   90, 1,  0,   0,   1,  100, 135, 92,  220, 165});
inline const QString kAToB = QStringLiteral("  gate: 8 -> 9\n  Digin: 1 -> 0\n");

inline QList<QJsonObject> jsonLines(const Run& r)
{
    QList<QJsonObject> objects;
    for (const QString& line : r.lines()) {
        objects << QJsonDocument::fromJson(line.toUtf8()).object();
    }
    return objects;
}

// Lines every simulator logged.
inline int received(const Rig& rig)
{
    int lines = 0;
    for (const auto& [n, s] : rig.simulators) {
        lines += s->log().count();
    }
    return lines;
}

} // namespace clirig
