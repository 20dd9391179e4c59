// Runs a panel whose program folder goes bad between start and close, on behalf of the file
// stress test, and prints what happened as key=value lines. Run it inside a private mount
// namespace (full, readonly) or as the folder's unprivileged owner (locked).
//
//   orvex_stress_probe close <programDir> full|readonly|locked
//
// full:     the folder is a small file system of its own; it is filled to the brim.
// readonly: the folder is a bind mount of its own; it is remounted read-only.
// locked:   the folder belongs to the probe's user, who takes away its own write permission.

#include "OldPanel.h"
#include "app/frmMain.h"
#include "storage/DataFolder.h"
#include "support/FileBytes.h"
#include "support/MemoryLine.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString lastSystemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Writes zeros until the file system refuses; returns the bytes written or an error text.
QString fill(const QString& dir)
{
    const int fd = ::open(QFile::encodeName(QDir(dir).filePath(QStringLiteral("fill"))),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return QStringLiteral("error ") + lastSystemError();
    }
    const QByteArray block(4096, '\0');
    qint64 total = 0;
    for (;;) {
        const ssize_t n = ::write(fd, block.constData(), static_cast<size_t>(block.size()));
        if (n <= 0) {
            break;
        }
        total += n;
    }
    const bool full = errno == ENOSPC;
    ::close(fd);
    return full ? QString::number(total) : QStringLiteral("error ") + lastSystemError();
}

// Makes the folder refuse writes the way `how` says; an empty result on success.
QString spoil(const QString& dir, const QString& how)
{
    const QByteArray path = QFile::encodeName(dir);
    if (how == QLatin1String("full")) {
        const QString filled = fill(dir);
        return filled.startsWith(QLatin1String("error")) ? filled : QString();
    }
    if (how == QLatin1String("readonly")) {
        if (::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                    nullptr) != 0) {
            return QStringLiteral("remount: ") + lastSystemError();
        }
        return {};
    }
    if (how == QLatin1String("locked")) {
        if (::chmod(path.constData(), 0555) != 0) {
            return QStringLiteral("chmod: ") + lastSystemError();
        }
        return {};
    }
    return QStringLiteral("unknown way: ") + how;
}

int closeOnSpoiledFolder(QTextStream& out, const QString& dir, const QString& how)
{
    const QString working = QDir(dir).filePath(QStringLiteral("actual.DAB"));
    const QByteArray old = stress::oldWorkingFile();
    {
        QFile f(working);
        if (!f.open(QIODevice::WriteOnly) || f.write(old) != old.size()) {
            out << "setup=cannot write the old working file: " << f.errorString() << '\n';
            return 4;
        }
    }

    ScriptedPrompts prompts;
    MemoryLine line;
    const AppEnvironment env = testEnvironment(dir, prompts, line);
    frmMain window(env);
    window.load();
    out << "datadir=" << window.dataDir() << '\n';
    out << "loadMessages=" << prompts.messages.size() << '\n';
    out << "loaded=" << (storage::formatParameterFile(window.params()) == old ? 1 : 0) << '\n';

    // The folder was fine at start; it goes bad while the panel runs.
    const QString spoiled = spoil(dir, how);
    if (!spoiled.isEmpty()) {
        out << "setup=" << spoiled << '\n';
        return 4;
    }
    out << "writable=" << (storage::isWritableFolder(dir) ? 1 : 0) << '\n';

    window.params().assign(stress::kMoved, stress::kMovedTo);
    const qsizetype before = prompts.messages.size();
    window.close();
    out << "closeMessages=" << prompts.messages.size() - before << '\n';
    if (prompts.messages.size() > before) {
        out << "closeText=" << prompts.messages.last().text << '\n';
        out << "closeTitle=" << prompts.messages.last().title << '\n';
    }
    out << "intact=" << (contentOf(working) == old ? 1 : 0) << '\n';
    out << "entries="
        << QDir(dir)
               .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)
               .join(QLatin1Char(','))
        << '\n';
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("OrvexDAB"));
    QApplication::setOrganizationName(QStringLiteral("OrvexDAB"));
    QTextStream out(stdout);
    out << "started=1\n";
    out.flush();
    const QStringList args = app.arguments();
    if (args.value(1) == QLatin1String("close") && args.size() == 4) {
        return closeOnSpoiledFolder(out, args.at(2), args.at(3));
    }
    out << "usage=bad\n";
    return 2;
}
