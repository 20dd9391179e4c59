#pragma once

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>

#include <optional>

#include <unistd.h>

// Runs the storage probe where permissions matter: as a user who cannot write root's
// folders (tests usually run as root, who can write anywhere), or in a private mount
// namespace with a tiny file system.
namespace probe {

struct Result
{
    bool finished = false;
    int exitCode = -1;
    QMap<QString, QString> values;
    QString errors;
};

inline QString program()
{
    return QDir(qEnvironmentVariable("ORVEX_BIN_DIR"))
        .filePath(QStringLiteral("orvex_storage_probe"));
}

inline Result run(const QStringList& command, const QProcessEnvironment& env)
{
    constexpr int kTimeoutMs = 60000;
    Result result;
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(command.first(), command.mid(1));
    if (!process.waitForFinished(kTimeoutMs)) {
        process.kill();
        process.waitForFinished(kTimeoutMs);
        result.errors = QStringLiteral("probe did not finish: ") + process.errorString();
        return result;
    }
    result.finished = process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    result.errors = QString::fromLocal8Bit(process.readAllStandardError());
    const QStringList lines = QString::fromLocal8Bit(process.readAllStandardOutput()).split('\n');
    for (const QString& line : lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0) {
            result.values.insert(line.left(eq), line.mid(eq + 1));
        }
    }
    return result;
}

// The command prefix that drops root's rights, or nothing (with the reason in why) when
// this machine cannot run the probe as someone else.
inline std::optional<QStringList> unprivilegedPrefix(QString& why)
{
    if (::geteuid() != 0) {
        return QStringList{};
    }
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty()) {
        why = QStringLiteral("running as root and setpriv is not installed");
        return std::nullopt;
    }
    const QStringList prefix{setpriv, QStringLiteral("--reuid=nobody"),
                             QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups")};
    const Result hello = run(prefix + QStringList{program(), QStringLiteral("hello")},
                             QProcessEnvironment::systemEnvironment());
    if (hello.values.value(QStringLiteral("hello")) != QLatin1String("ok")) {
        why = QStringLiteral("user nobody cannot run the probe from this build folder: ") +
              hello.errors;
        return std::nullopt;
    }
    return prefix;
}

// In a test function: skips the test, saying why, where the probe cannot run as another user;
// otherwise `prefix` holds the command line that runs it as one.
#define ORVEX_SKIP_UNLESS_UNPRIVILEGED(prefix)                                                     \
    QString prefix##Why;                                                                           \
    const std::optional<QStringList> prefix = probe::unprivilegedPrefix(prefix##Why);              \
    if (!(prefix)) {                                                                               \
        QSKIP(qPrintable(prefix##Why));                                                            \
    }

// Opens a folder to every user; writable or read-only for all but root.
inline bool openFolder(const QString& path, bool writable)
{
    QFileDevice::Permissions p = QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                 QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                 QFileDevice::ReadOther | QFileDevice::ExeOther;
    if (writable) {
        p |= QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    }
    return QFile::setPermissions(path, p);
}

inline bool restoreFolder(const QString& path)
{
    return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner);
}

} // namespace probe
