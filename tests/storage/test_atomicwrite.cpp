#include "Unprivileged.h"
#include "model/ParameterSet.h"
#include "storage/AtomicWrite.h"
#include "storage/OutputPath.h"
#include "storage/ParameterFile.h"
#include "support/FileBytes.h"
#include "support/NodeIdentity.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>

using storage::OutputPathProblem;

namespace {

const QByteArray kOld(" 5 \r\n old panel \r\n");

QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// What stands at the output path before a write.
enum class Node
{
    Nothing,
    NoFolder,
    Fifo,
    CharacterDevice, // a twin of /dev/null made in the test's own folder
    Folder,
    LinkToFifo,
    DanglingLink,
    LinkToRegularFile,
};

// Puts the node at dir/out; false when this machine does not allow it.
bool make(Node node, const QString& dir, const QString& out)
{
    const QByteArray path = QFile::encodeName(out);
    const QString aside = QDir(dir).filePath(QStringLiteral("aside"));
    switch (node) {
    case Node::Nothing:
    case Node::NoFolder:
        return true;
    case Node::Fifo:
        return ::mkfifo(path.constData(), 0600) == 0;
    case Node::CharacterDevice:
        return ::mknod(path.constData(), S_IFCHR | 0600, makedev(1, 3)) == 0;
    case Node::Folder:
        return QDir().mkdir(out);
    case Node::LinkToFifo:
        return ::mkfifo(QFile::encodeName(aside).constData(), 0600) == 0 && QFile::link(aside, out);
    case Node::DanglingLink:
        return QFile::link(aside, out);
    case Node::LinkToRegularFile:
        return put(aside, kOld) && QFile::link(aside, out);
    }
    return false;
}

} // namespace

Q_DECLARE_METATYPE(Node)

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
    void onlyRegularFilesAreReplaced_data();
    void onlyRegularFilesAreReplaced();
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
    QTest::addColumn<QString>("check"); // what the look before the write says
    QTest::newRow("read-only folder") << false << true << QStringLiteral("folder not writable");
    QTest::newRow("read-only file in a writable folder")
        << true << false << QStringLiteral("file not writable");
}

void TestAtomicWrite::unprivilegedFailures()
{
    QFETCH(bool, folderWritable);
    QFETCH(bool, fileWritable);
    QFETCH(QString, check);
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
    QCOMPARE(r.values.value(QStringLiteral("check")), check);
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

void TestAtomicWrite::onlyRegularFilesAreReplaced_data()
{
    QTest::addColumn<Node>("node");
    QTest::addColumn<QString>("error"); // empty: written
    QTest::addColumn<int>("problem");   // what the look before the write finds; -1: nothing
    const QString refused = QStringLiteral("Path/File access error");
    const int notRegular = int(OutputPathProblem::NotRegularFile);
    QTest::newRow("FIFO refused") << Node::Fifo << refused << notRegular;
    QTest::newRow("character device refused") << Node::CharacterDevice << refused << notRegular;
    QTest::newRow("folder refused") << Node::Folder << refused << int(OutputPathProblem::Folder);
    QTest::newRow("link to a FIFO refused") << Node::LinkToFifo << refused << notRegular;
    QTest::newRow("dangling link refused") << Node::DanglingLink << refused << notRegular;
    QTest::newRow("link to a regular file writes that file")
        << Node::LinkToRegularFile << QString() << -1;
    QTest::newRow("new file") << Node::Nothing << QString() << -1;
    QTest::newRow("missing folder") << Node::NoFolder << QStringLiteral("Path not found")
                                    << int(OutputPathProblem::MissingFolder);
}

void TestAtomicWrite::onlyRegularFilesAreReplaced()
{
    QFETCH(Node, node);
    QFETCH(QString, error);
    QFETCH(int, problem);
    QTemporaryDir dir;
    const QString out = node == Node::NoFolder ? dir.filePath(QStringLiteral("gone/out.DAB"))
                                               : dir.filePath(QStringLiteral("out.DAB"));
    if (!make(node, dir.path(), out)) {
        QVERIFY2(node == Node::CharacterDevice, "could not set up the node");
        QSKIP("no device node can be made here (not root)");
    }
    const NodeId before = nodeAt(out);
    const QStringList entriesBefore = entries(dir.path());

    const std::optional<OutputPathProblem> found = storage::checkOutputPath(out);
    QCOMPARE(found ? int(*found) : -1, problem);
    const std::optional<storage::FileError> written =
        storage::writeParameterFile(out, model::ParameterSet());
    QCOMPARE(written ? written->description() : QString(), error);

    if (node == Node::Nothing) {
        QCOMPARE(nodeAt(out).type, mode_t(S_IFREG));
        return;
    }
    // The node itself is the same one, of the same type; nothing was left beside it.
    QCOMPARE(nodeAt(out), before);
    QCOMPARE(entries(dir.path()), entriesBefore);
    if (node == Node::LinkToRegularFile) {
        QVERIFY(contentOf(out).startsWith(" 1 \r\n"));
    }
}

QTEST_GUILESS_MAIN(TestAtomicWrite)
#include "test_atomicwrite.moc"
