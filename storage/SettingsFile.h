#pragma once

#include "storage/FileError.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The settings file (ORVEXFM.INI): the serial port number as one printed number and CR LF.
namespace storage {

QByteArray formatSettingsFile(quint8 portNo);

// Replaces the file all at once or not at all.
std::optional<FileError> writeSettingsFile(const QString& path, quint8 portNo);

// The first field of the file as a port number, or nothing when the file is missing,
// unreadable, empty, refused by readSmallFile (not a regular file of at most kSmallFileLimit
// bytes), or its first field is not a number 0..255. Later lines are not looked at.
std::optional<quint8> readSettingsFile(const QString& path);

} // namespace storage
