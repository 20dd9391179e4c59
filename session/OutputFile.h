#pragma once

#include "model/ParameterSet.h"
#include "storage/FileError.h"

#include <QObject>
#include <QString>
#include <QThreadPool>

#include <functional>
#include <optional>

// Parameter files that a front end reads and writes on its own, outside the panel's working
// file: a script's base and reference files, and the files an upload writes.
namespace session {

// A parameter file's values, read as the panel reads one into a fresh panel (the change rules
// fire once, field by field, as they would there).
storage::FileResult<model::ParameterSet::Values> readParameterValues(const QString& path);

// Nothing when a parameter file may be written at path: its folder exists and takes a new file,
// and the path is free or holds a regular file (a link to one included). Anything else is the
// error the writer would give later, found before a run sends a byte: renaming over a device or
// a FIFO would destroy it, and a file that cannot be written would lose what the run read.
std::optional<storage::FileError> checkOutputPath(const QString& path);

// Writes parameter files off the event loop, each replaced all at once or not at all. Writing a
// file is mostly waiting for the disk, so many processors' files are flushed side by side.
class OutputFileWriter : public QObject
{
    Q_OBJECT

public:
    explicit OutputFileWriter(int writers, QObject* parent = nullptr);
    // Waits for the files still being written.
    ~OutputFileWriter() override;

    using Done = std::function<void(const std::optional<storage::FileError>& error)>;
    // done is called on this object's thread, from its event loop, unless the writer is gone
    // by then.
    void write(const QString& path, const model::ParameterSet::Values& values, Done done);

private:
    QThreadPool m_pool;
};

} // namespace session
