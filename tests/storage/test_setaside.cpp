// Setting a damaged working file aside: renamed to the first free backup name, never over
// anything that is already there.
#include "Unprivileged.h"
#include "storage/SetAside.h"
#include "support/FileBytes.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

namespace {

const QByteArray kDamaged("\x01\x02 not a panel \xFF");
const QByteArray kOlder(" 5 \r\n an older backup \r\n");

} // namespace

class TestSetAside : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstFreeName_data();
    void firstFreeName();
    void unreadableFileIsMovedToo();
    void allNamesTaken();
    void racersNeverShareAName();
    void readOnlyFolderLeavesTheFile();
};

void TestSetAside::firstFreeName_data()
{
    QTest::addColumn<QStringList>("taken"); // suffixes already there: f file, d folder, l link
    QTest::addColumn<QString>("expected");
    QTest::newRow("nothing there") << QStringList{} << ".bak";
    QTest::newRow("a backup file kept") << QStringList{"f.bak"} << ".bak.1";
    QTest::newRow("a folder at .bak") << QStringList{"d.bak"} << ".bak.1";
    QTest::newRow("a dangling link at .bak") << QStringList{"l.bak"} << ".bak.1";
    QTest::newRow("first two taken") << QStringList{"f.bak", "d.bak.1"} << ".bak.2";
    QTest::newRow("a gap is filled") << QStringList{"f.bak", "f.bak.2"} << ".bak.1";
}

void TestSetAside::firstFreeName()
{
    QFETCH(QStringList, taken);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("actual.DAB"));
    QVERIFY(put(path, kDamaged));
    for (const QString& t : taken) {
        const QString name = path + t.mid(1);
        if (t.startsWith('f')) {
            QVERIFY(put(name, kOlder));
        } else if (t.startsWith('d')) {
            QVERIFY(QDir().mkdir(name));
        } else {
            QVERIFY(QFile::link(dir.filePath(QStringLiteral("nowhere")), name));
        }
    }

    const storage::FileResult<QString> moved = storage::setAside(path);
    QVERIFY(moved.ok());
    QCOMPARE(moved.value, path + expected);
    QCOMPARE(contentOf(moved.value), kDamaged);
    QVERIFY(!QFileInfo::exists(path));
    for (const QString& t : taken) {
        const QFileInfo kept(path + t.mid(1));
        if (t.startsWith('f')) {
            QCOMPARE(contentOf(kept.filePath()), kOlder);
        } else {
            QVERIFY(t.startsWith('d') ? kept.isDir() : kept.isSymLink());
        }
    }
}

void TestSetAside::unreadableFileIsMovedToo()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("actual.DAB"));
    QVERIFY(put(path, kDamaged));
    QVERIFY(QFile::setPermissions(path, {}));
    const storage::FileResult<QString> moved = storage::setAside(path);
    QVERIFY(moved.ok());
    // The current user's bits say what root may do, not the mode.
    const QFile::Permissions userBits = QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
    QCOMPARE(QFileInfo(moved.value).permissions() & ~userBits, QFile::Permissions{});
    QVERIFY(!QFileInfo::exists(path));
}

void TestSetAside::allNamesTaken()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("actual.DAB"));
    QVERIFY(put(path, kDamaged));
    // Dangling links: quicker to make and remove than folders.
    QVERIFY(QFile::link(QStringLiteral("nowhere"), path + ".bak"));
    for (int i = 1; i < storage::kSetAsideNames; ++i) {
        QVERIFY(QFile::link(QStringLiteral("nowhere"), path + ".bak." + QString::number(i)));
    }
    QElapsedTimer clock;
    clock.start();
    const storage::FileResult<QString> moved = storage::setAside(path);
    qInfo("every name tried in %lld us", clock.nsecsElapsed() / 1000);
    QVERIFY(!moved.ok());
    QCOMPARE(moved.error->description(), QStringLiteral("Path/File access error"));
    QCOMPARE(contentOf(path), kDamaged);

    // A missing file is said to be missing.
    QCOMPARE(storage::setAside(dir.filePath(QStringLiteral("gone"))).error->description(),
             QStringLiteral("File not found"));
}

void TestSetAside::racersNeverShareAName()
{
    // Two programs setting their files aside under the same name at the same moment: one
    // gets it, the other is told it is taken, and no file is lost.
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("actual.DAB.bak"));
    for (int round = 0; round < 200; ++round) {
        const QString a = dir.filePath(QStringLiteral("a"));
        const QString b = dir.filePath(QStringLiteral("b"));
        QVERIFY(put(a, "a") && put(b, "b"));
        storage::FileError ea;
        storage::FileError eb;
        storage::RenameOutcome ra{};
        std::thread other([&] { ra = storage::renameWithoutReplacing(a, target, ea); });
        const storage::RenameOutcome rb = storage::renameWithoutReplacing(b, target, eb);
        other.join();
        QVERIFY((ra == storage::RenameOutcome::Renamed) != (rb == storage::RenameOutcome::Renamed));
        QVERIFY(ra != storage::RenameOutcome::Failed && rb != storage::RenameOutcome::Failed);
        const QString loser = ra == storage::RenameOutcome::Renamed ? b : a;
        QCOMPARE(contentOf(target), ra == storage::RenameOutcome::Renamed ? "a" : "b");
        QVERIFY(QFile::remove(loser) && QFile::remove(target));
    }
}

void TestSetAside::readOnlyFolderLeavesTheFile()
{
    ORVEX_SKIP_UNLESS_UNPRIVILEGED(prefix)
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("actual.DAB"));
    QVERIFY(put(path, kDamaged));
    QVERIFY(probe::openFolder(dir.path(), false));
    const probe::Result r =
        probe::run(*prefix + QStringList{probe::program(), QStringLiteral("setaside"), path},
                   QProcessEnvironment::systemEnvironment());
    probe::restoreFolder(dir.path());
    QVERIFY2(r.finished && r.exitCode == 0, qPrintable(r.errors));
    QCOMPARE(r.values.value(QStringLiteral("error")), QStringLiteral("Permission denied"));
    QCOMPARE(r.values.value(QStringLiteral("moved")), QString());
    QCOMPARE(r.values.value(QStringLiteral("entries")), QStringLiteral("actual.DAB"));
    QCOMPARE(contentOf(path), kDamaged);
}

QTEST_GUILESS_MAIN(TestSetAside)
#include "test_setaside.moc"
