#include "session/OutputFile.h"

#include "storage/AtomicWrite.h"
#include "storage/OutputPath.h"
#include "storage/ParameterFile.h"

namespace session {

std::optional<storage::FileError> checkOutputPath(const QString& path)
{
    using storage::FileErrorKind;
    const std::optional<storage::OutputPathProblem> problem = storage::checkOutputPath(path);
    if (!problem) {
        return std::nullopt;
    }
    switch (*problem) {
    case storage::OutputPathProblem::MissingFolder:
        return storage::FileError{FileErrorKind::PathNotFound};
    case storage::OutputPathProblem::Folder:
    case storage::OutputPathProblem::NotRegularFile:
        return storage::FileError{FileErrorKind::PathFileAccess};
    case storage::OutputPathProblem::UnwritableFolder:
    case storage::OutputPathProblem::ReadOnlyFile:
        break;
    }
    return storage::FileError{FileErrorKind::PermissionDenied};
}

storage::FileResult<model::ParameterSet::Values> readParameterValues(const QString& path)
{
    storage::FileResult<model::ParameterSet::Values> result;
    model::ParameterSet set;
    result.error = storage::readParameterFile(path, set);
    if (!result.error) {
        result.value = set.values();
    }
    return result;
}

OutputFileWriter::OutputFileWriter(int writers, QObject* parent) : QObject(parent)
{
    m_pool.setMaxThreadCount(writers);
}

OutputFileWriter::~OutputFileWriter()
{
    m_pool.waitForDone();
}

void OutputFileWriter::write(const QString& path, const model::ParameterSet::Values& values,
                             Done done)
{
    model::ParameterSet set;
    set.restore(values);
    const QByteArray bytes = storage::formatParameterFile(set);
    m_pool.start([this, path, bytes, done = std::move(done)] {
        const std::optional<storage::FileError> error = storage::writeFileAtomically(path, bytes);
        QMetaObject::invokeMethod(
            this, [done, error] { done(error); }, Qt::QueuedConnection);
    });
}

} // namespace session
