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
    void installFolderNeverKeepsFiles_data();
    void installFolderNeverKeepsFiles();
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
    QCOMPARE(first.values.value(QStringLiteral("loadError")), QStringLiteral("File not found"));
    QCOMPARE(first.values.value(QStringLiteral("saveError")), QString());
    QCOMPARE(first.values.value(QStringLiteral("settingsError")), QString());
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
    QCOMPARE(second.values.value(QStringLiteral("loadError")), QString());
    QCOMPARE(second.values.value(QStringLiteral("gate")), QStringLiteral("77"));
}

void TestDataFolder::installFolderNeverKeepsFiles_data()
{
    QTest::addColumn<QString>("installedAs");
    QTest::addColumn<bool>("perUser");
    QTest::newRow("the install folder itself") << QStringLiteral("program") << true;
    QTest::newRow("the install folder through a link") << QStringLiteral("link") << true;
    QTest::newRow("a portable copy elsewhere keeps its own") << QStringLiteral("other") << false;
}

// Root can write the folder the programs were installed to; it still is not a data folder.
void TestDataFolder::installFolderNeverKeepsFiles()
{
    QFETCH(QString, installedAs);
    QFETCH(bool, perUser);
    QTemporaryDir root;
    const QString program = root.filePath(QStringLiteral("program"));
    const QString dataHome = root.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(program));
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("other"))));
    QVERIFY(QFile::link(program, root.filePath(QStringLiteral("link"))));
    const bool hadDataHome = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    const QByteArray oldDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));

    const QString chosen = storage::chooseDataDir(program, QStringList{root.filePath(installedAs)});
    if (hadDataHome) {
        qputenv("XDG_DATA_HOME", oldDataHome);
    } else {
        qunsetenv("XDG_DATA_HOME");
    }
    if (perUser) {
        QVERIFY2(chosen.startsWith(dataHome + QLatin1Char('/')), qPrintable(chosen));
        QVERIFY(QFileInfo(chosen).isDir());
    } else {
        QCOMPARE(chosen, program);
    }
    QVERIFY(QDir(program).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

QTEST_GUILESS_MAIN(TestDataFolder)
#include "test_datafolder.moc"
