// Whatever the operator or another program leaves in the data folder as the working file: the
// panel neither hangs, nor grows without bound, nor loses the only copy of a damaged file.
#include "storage/ParameterFile.h"
#include "support/FileBytes.h"
#include "support/PanelFixture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <csignal>
#include <sys/stat.h>

namespace {

const QByteArray kDamaged("gate? what gate\r\n");

} // namespace

class TestDamagedFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unusableWorkingFileSetAside_data();
    void unusableWorkingFileSetAside();
    void twoPanelsOnOneDamagedFile();
    void nowhereToSetAside();
    void fifoDoesNotHoldTheProgram();
};

void TestDamagedFiles::unusableWorkingFileSetAside_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("a link to /dev/zero") << "zero";
    QTest::newRow("a 500 MB file") << "huge";
    QTest::newRow("a FIFO") << "fifo";
}

void TestDamagedFiles::unusableWorkingFileSetAside()
{
    QFETCH(QString, kind);
    PanelFixture f(false);
    const QString path = f.window->workingFilePath();
    if (kind == QLatin1String("zero")) {
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    } else if (kind == QLatin1String("huge")) {
        QFile big(path);
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(500LL * 1024 * 1024));
    } else {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }
    QElapsedTimer t;
    t.start();
    f.window->load();
    QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(f.prompts.messages.size(), 1);
    QCOMPARE(f.prompts.messages[0].text.section(QLatin1Char('\n'), 0, 0),
             QStringLiteral("Path/File access error"));
    // Moved, not read or copied: the thing itself now has the backup name.
    const QFileInfo kept(path + QStringLiteral(".bak"));
    QVERIFY(kept.exists() || kept.isSymLink());
    if (kind == QLatin1String("huge")) {
        QCOMPARE(kept.size(), 500LL * 1024 * 1024);
    }
    f.closeWindow();
    QVERIFY(QFileInfo(path).isFile());
    QCOMPARE(contentOf(path), storage::formatParameterFile(f.window->params()));
}

void TestDamagedFiles::twoPanelsOnOneDamagedFile()
{
    // Two panels started in one folder; the first saves a good file before the second closes.
    PanelFixture a(false);
    const QString path = a.window->workingFilePath();
    QVERIFY(put(path, kDamaged));
    a.window->load();
    AppEnvironment env = a.env;
    ScriptedPrompts prompts;
    env.prompts = &prompts;
    frmMain b(env);
    b.load();
    a.window->params().assign(model::Member::gate, 99);
    a.closeWindow();
    b.close();
    QCOMPARE(contentOf(path + QStringLiteral(".bak")), kDamaged);
    QVERIFY(!QFile::exists(path + QStringLiteral(".bak.1")));
}

void TestDamagedFiles::nowhereToSetAside()
{
    // Every backup name taken: the damaged file stays, and the panel is not saved over it.
    PanelFixture f(false);
    const QString path = f.window->workingFilePath();
    QVERIFY(put(path, kDamaged));
    QDir dir(f.dir.path());
    QVERIFY(dir.mkdir(QStringLiteral("actual.DAB.bak")));
    for (int n = 1; n < 1000; ++n) {
        QVERIFY(dir.mkdir(QStringLiteral("actual.DAB.bak.%1").arg(n)));
    }
    f.window->load();
    QCOMPARE(f.prompts.messages.size(), 1);
    QVERIFY(f.prompts.messages[0].text.contains(QStringLiteral("could not be set aside")));
    f.closeWindow();
    QCOMPARE(contentOf(path), kDamaged);
    QCOMPARE(f.prompts.messages.size(), 2); // the close says it did not save
    // Once a name is free, the next save sets it aside first.
    QVERIFY(dir.rmdir(QStringLiteral("actual.DAB.bak.500")));
    QVERIFY(f.window->UlozSoubor(path));
    QCOMPARE(contentOf(path + QStringLiteral(".bak.500")), kDamaged);
}

void TestDamagedFiles::fifoDoesNotHoldTheProgram()
{
    // The program itself with a FIFO as its working file: it starts, and SIGTERM ends it.
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("orvexdab"));
    QVERIFY(
        QFile::copy(qEnvironmentVariable("ORVEX_BIN_DIR") + QStringLiteral("/orvexdab"), program));
    const QString working = dir.filePath(QStringLiteral("actual.DAB"));
    QCOMPARE(::mkfifo(QFile::encodeName(working).constData(), 0600), 0);
    QProcess panel;
    panel.setProgram(program);
    panel.start();
    QVERIFY(panel.waitForStarted(5000));
    QTest::qWait(700);
    ::kill(static_cast<pid_t>(panel.processId()), SIGTERM);
    QVERIFY2(panel.waitForFinished(5000), "the panel did not end");
    QCOMPARE(panel.exitCode(), 0);
    QVERIFY(QFileInfo(working).isFile());
    QVERIFY(QFileInfo(working + QStringLiteral(".bak")).exists());
}

QTEST_MAIN(TestDamagedFiles)
#include "test_damagedfiles.moc"
