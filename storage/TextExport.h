#pragma once

#include "model/ParameterSet.h"
#include "storage/FileError.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The labelled text export: 34 lines in the comma-delimited sequential format (quoted texts,
// a comma without blanks, #TRUE#/#FALSE#, decimal integers), each ended by CR LF.
namespace storage {

inline constexpr int kExportLineCount = 34;

QByteArray encodeTextExport(const model::ParameterSet& params);

// Replaces the file at path as a whole: a failed write leaves the previous export as it was.
std::optional<FileError> writeTextExport(const QString& path, const model::ParameterSet& params);

} // namespace storage
