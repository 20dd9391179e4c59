#include "Unprivileged.h"
#include "storage/DataFolder.h"
#include "support/FileBytes.h"

#include <QTemporaryDir>
#include <QTest>

class TestDataFolder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writableProgramFolderKeepsFiles();
    void missingFolderIsNotWritable();
    void perUserFolderWhenProgramFolderReadOnly();
};

void TestDataFolder::writableProgramFolderKeepsFiles()
{
    QTemporaryDir dir;
    QCOMPARE(storage::chooseDataDir(dir.path()), QDir::toNativeSeparators(dir.path()));
    // The probe for writability leaves nothing behind.
    QVERIFY(QDir(dir.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                .isEmpty());
}

void TestDataFolder::missingFolderIsNotWritable()
{
    QTemporaryDir dir;
    QVERIFY(!storage::isWritableFolder(dir.filePath(QStringLiteral("gone"))));
    QVERIFY(!storage::isWritableFolder(QString()));
}

void TestDataFolder::perUserFolderWhenProgramFolderReadOnly()
{
    ORVEX_SKIP_UNLESS_UNPRIVILEGED(prefix)
    QTemporaryDir program;
    QTemporaryDir home;
    QVERIFY(probe::openFolder(program.path(), false));
    QVERIFY(probe::openFolder(home.path(), true));
    const QString dataHome = home.filePath(QStringLiteral("data"));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QStringList panel =
        *prefix + QStringList{probe::program(), QStringLiteral("panel"), program.path()};

    // First start: nothing anywhere yet.
    const probe::Result first = probe::run(panel + QStringList{QStringLiteral("77")}, env);
    probe::openFolder(program.path(), true);
    QVERIFY2(first.finished && first.exitCode == 0, qPrintable(first.errors));
    const QString dataDir = first.values.value(QStringLiteral("datadir"));
    QVERIFY2(dataDir.startsWith(dataHome + QLatin1Char('/')), qPrintable(dataDir));
    QCOMPARE(first.values.value(QStringLiteral("adresar")), dataDir + QDir::separator());
    QCOMPARE(first.values.value(QStringLiteral("loadMessages")), QStringLiteral("1"));
    QCOMPARE(first.values.value(QStringLiteral("closeMessages")), QStringLiteral("0"));
    QVERIFY(contentOf(QDir(dataDir).filePath(QStringLiteral("actual.DAB"))).startsWith(" 77 \r\n"));
    QCOMPARE(contentOf(QDir(dataDir).filePath(QStringLiteral("ORVEXFM.INI"))),
             QByteArray(" 1 \r\n"));
    QVERIFY(QDir(program.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                .isEmpty());

    // Second start: the same panel, no complaint.
    probe::openFolder(program.path(), false);
    const probe::Result second = probe::run(panel, env);
    probe::restoreFolder(program.path());
    QVERIFY2(second.finished && second.exitCode == 0, qPrintable(second.errors));
    QCOMPARE(second.values.value(QStringLiteral("datadir")), dataDir);
    QCOMPARE(second.values.value(QStringLiteral("loadMessages")), QStringLiteral("0"));
    QCOMPARE(second.values.value(QStringLiteral("gate")), QStringLiteral("77"));
}

QTEST_GUILESS_MAIN(TestDataFolder)
#include "test_datafolder.moc"
