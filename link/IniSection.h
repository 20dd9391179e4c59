#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

// The INI text Qt's settings classes read and write, for files this program reads from memory
// (the settings classes can only open a path themselves, which a bounded reader must do
// instead). Keys come out as the settings classes name them: "section/key", a key of
// [General] or before any section without a section.
namespace lnk::ini {

struct Entry
{
    QString key;
    QString value;
};

struct Parsed
{
    QList<Entry> entries; // in file order; a later entry of the same key wins
    QString error;        // why the text is not INI at all; empty when it is
};

Parsed parse(const QByteArray& text);

// A value as the settings classes write it: quoted when it has to be, escapes where needed.
QByteArray escapedValue(const QString& value);

// The text with the named section replaced by these entries (in the given order), everything
// else left as it stood. The section is dropped when there are no entries.
QByteArray withSection(const QByteArray& text, const QString& section,
                       const QList<std::pair<QString, QString>>& entries);

} // namespace lnk::ini
