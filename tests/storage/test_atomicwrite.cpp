#include "Unprivileged.h"
#include "model/ParameterSet.h"
#include "storage/AtomicWrite.h"
#include "storage/ParameterFile.h"
#include "support/FileBytes.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kOld(" 5 \r\n old panel \r\n");

QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestAtomicWrite : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void createsAndReplacesLeavingNothingElse();
    void directoryInTheWay();
    void missingFolder();
    void unprivilegedFailures_data();
    void unprivilegedFailures();
    void diskFullLeavesOldFile();
};

void TestAtomicWrite::createsAndReplacesLeavingNothingElse()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.DAB"));
    QCOMPARE(storage::writeFileAtomically(path, kOld), std::nullopt);
    QCOMPARE(contentOf(path), kOld);
    QCOMPARE(storage::writeFileAtomically(path, QByteArray(" 1 \r\n")), std::nullopt);
    QCOMPARE(contentOf(path), QByteArray(" 1 \r\n"));
    QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("a.DAB")});
}

void TestAtomicWrite::directoryInTheWay()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("actual.DAB"));
    QVERIFY(QDir().mkdir(path));
    QVERIFY(put(QDir(path).filePath(QStringLiteral("inside")), kOld));

    const std::optional<storage::FileError> error =
        storage::writeParameterFile(path, model::ParameterSet());
    QVERIFY(error.has_value());
    QCOMPARE(error->description(), QStringLiteral("Path/File access error"));
    QVERIFY(QFileInfo(path).isDir());
    QCOMPARE(contentOf(QDir(path).filePath(QStringLiteral("inside"))), kOld);
    QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("actual.DAB")});
}

void TestAtomicWrite::missingFolder()
{
    QTemporaryDir dir;
    const std::optional<storage::FileError> error =
        storage::writeFileAtomically(dir.filePath(QStringLiteral("no/such/x.DAB")), kOld);
    QVERIFY(error.has_value());
    QCOMPARE(error->description(), QStringLiteral("Path not found"));
}

void TestAtomicWrite::unprivilegedFailures_data()
{
    QTest::addColumn<bool>("folderWritable");
    QTest::addColumn<bool>("fileWritable");
    QTest::newRow("read-only folder") << false << true;
    QTest::newRow("read-only file in a writable folder") << true << false;
}

void TestAtomicWrite::unprivilegedFailures()
{
    QFETCH(bool, folderWritable);
    QFETCH(bool, fileWritable);
    ORVEX_SKIP_UNLESS_UNPRIVILEGED(prefix)
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("actual.DAB"));
    QVERIFY(put(path, kOld));
    const QFile::Permissions readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    const QFile::Permissions writable = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    QVERIFY(QFile::setPermissions(path, fileWritable ? readable | writable : readable));
    QVERIFY(probe::openFolder(dir.path(), folderWritable));

    const probe::Result r =
        probe::run(*prefix + QStringList{probe::program(), QStringLiteral("writeparams"), path},
                   QProcessEnvironment::systemEnvironment());
    probe::restoreFolder(dir.path());
    QVERIFY2(r.finished && r.exitCode == 0, qPrintable(r.errors));
    QCOMPARE(r.values.value(QStringLiteral("error")), QStringLiteral("Permission denied"));
    QCOMPARE(r.values.value(QStringLiteral("intact")), QStringLiteral("1"));
    QCOMPARE(r.values.value(QStringLiteral("entries")), QStringLiteral("actual.DAB"));
    QCOMPARE(contentOf(path), kOld);
}

void TestAtomicWrite::diskFullLeavesOldFile()
{
    const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
    if (unshare.isEmpty()) {
        QSKIP("unshare is not installed: cannot make a full file system");
    }
    QTemporaryDir dir;
    // A private mount namespace, a 64 KiB file system filled to the brim, an old working
    // file on it; then the probe tries to replace that file.
    const QString script =
        QStringLiteral("mount -t tmpfs -o size=64k tmpfs \"$1\" || exit 3\n"
                       "printf ' 5 \\r\\n old panel \\r\\n' > \"$1/actual.DAB\" || exit 4\n"
                       "dd if=/dev/zero of=\"$1/fill\" bs=1k 2>/dev/null\n"
                       "exec \"$2\" writeparams \"$1/actual.DAB\"\n");
    const QStringList ns = ::geteuid() == 0 ? QStringList{QStringLiteral("--mount")}
                                            : QStringList{QStringLiteral("--map-root-user"),
                                                          QStringLiteral("--mount")};
    const probe::Result r =
        probe::run(QStringList{unshare} + ns +
                       QStringList{QStringLiteral("sh"), QStringLiteral("-c"), script,
                                   QStringLiteral("sh"), dir.path(), probe::program()},
                   QProcessEnvironment::systemEnvironment());
    if (!r.finished || r.values.isEmpty()) {
        QSKIP(qPrintable(QStringLiteral("no private mount namespace with a small file system "
                                        "here (exit %1): %2")
                             .arg(r.exitCode)
                             .arg(r.errors)));
    }
    QCOMPARE(r.values.value(QStringLiteral("error")), QStringLiteral("Disk full"));
    QCOMPARE(r.values.value(QStringLiteral("intact")), QStringLiteral("1"));
    QCOMPARE(r.values.value(QStringLiteral("entries")), QStringLiteral("actual.DAB,fill"));
}

QTEST_GUILESS_MAIN(TestAtomicWrite)
#include "test_atomicwrite.moc"
