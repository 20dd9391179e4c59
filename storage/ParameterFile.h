#pragma once

#include "model/ParameterSet.h"
#include "storage/FileError.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

// The parameter file (*.DAB): 32 printed numbers, one per line, CR LF line ends. The same
// layout serves the working file, the preset files and every file saved through the menu.
namespace storage {

inline constexpr int kParameterFileLines = 32;

// The members in file order, taken from the member table's file lines.
const std::array<model::Member, kParameterFileLines>& parameterFileOrder();

// The exact bytes of the file for a panel: sliders as they stand, flags as 1 or 0, the
// spatial enhancer box as 0 when clear and 1 otherwise (a greyed box is saved as on).
QByteArray formatParameterFile(const model::ParameterSet& set);

// Writes the file, replacing any old one all at once or not at all.
std::optional<FileError> writeParameterFile(const QString& path, const model::ParameterSet& set);

// Reads field after field and applies each to the set at once, before the next is read, so
// the set's change rules see the state in force at that moment (bass density follows density
// under the AutoDensity mark held before the file's own mark is read). A failure stops at
// its field: the fields before it stay applied, the rest are not read. Nothing after the
// last field is looked at. The file is taken by readSmallFile: anything but a regular file of
// at most kSmallFileLimit bytes is refused before a field is applied.
std::optional<FileError> readParameterFile(const QString& path, model::ParameterSet& set);

} // namespace storage
