#include "dialogs/Para.h"
#include "storage/TextExport.h"
#include "support/PanelFixture.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using model::Member;

namespace {

// The export of a panel at its initial values, with every flag clear and the spatial
// enhancer box at 0.
const QByteArray kInitial = "\"Orvex DAB parameters\"\r\n"
                            "\"Gate Level:             \",1\r\n"
                            "\"Levelers Ranges:        \",255\r\n"
                            "\"Bass Release:           \",255\r\n"
                            "\"Master Release:         \",255\r\n"
                            "\"Bass On Voice:          \",1\r\n"
                            "\"Density:                \",1\r\n"
                            "\"EQ 200-600 Hz:          \",1\r\n"
                            "\"EQ 600-1.6 kHz:         \",1\r\n"
                            "\"EQ 1.6-3.8 kHz:         \",1\r\n"
                            "\"EQ 3.8-15 kHz:          \",1\r\n"
                            "\"Rel. 200-600 Hz:        \",255\r\n"
                            "\"Rel. 600-1.6 kHz:       \",255\r\n"
                            "\"Rel. 1.6-3.8 kHz:       \",255\r\n"
                            "\"Rel. 3.8-15 kHz:        \",255\r\n"
                            "\"Optimizer Bass:         \",1\r\n"
                            "\"Optimizer 200-600 Hz:   \",1\r\n"
                            "\"Optimizer 600-1.6 kHz:  \",1\r\n"
                            "\"Optimizer 1.6-3.8 kHz:  \",1\r\n"
                            "\"Optimizer 3.8-15 kHz:   \",1\r\n"
                            "\"Optimizer Drive:        \",1\r\n"
                            "\"LUFS:                   \",255\r\n"
                            "\"LUFS Offset:            \",170\r\n"
                            "\"Main Expander Level:    \",1\r\n"
                            "\"Master Clipper Drive:   \",0\r\n"
                            "\"Turbo:                  \",#FALSE#\r\n"
                            "\"Digital Input:          \",#FALSE#\r\n"
                            "\"Day/Night:              \",#FALSE#\r\n"
                            "\"Space:                  \",0\r\n"
                            "\"S/M Limitation Ratio:   \",0\r\n"
                            "\"Stereo Enhancement:     \",0\r\n"
                            "\"LFT Bass Shift:         \",0\r\n"
                            "\"HFT HF Shift:           \",0\r\n"
                            "\"Export from firmware version 20.01, (c) Orvex 2020\"\r\n";

// Every slider at its own value, so a line fed from the wrong member shows.
const QByteArray kDistinct = "\"Orvex DAB parameters\"\r\n"
                             "\"Gate Level:             \",128\r\n"
                             "\"Levelers Ranges:        \",2\r\n"
                             "\"Bass Release:           \",3\r\n"
                             "\"Master Release:         \",4\r\n"
                             "\"Bass On Voice:          \",5\r\n"
                             "\"Density:                \",14\r\n"
                             "\"EQ 200-600 Hz:          \",6\r\n"
                             "\"EQ 600-1.6 kHz:         \",7\r\n"
                             "\"EQ 1.6-3.8 kHz:         \",8\r\n"
                             "\"EQ 3.8-15 kHz:          \",9\r\n"
                             "\"Rel. 200-600 Hz:        \",10\r\n"
                             "\"Rel. 600-1.6 kHz:       \",11\r\n"
                             "\"Rel. 1.6-3.8 kHz:       \",12\r\n"
                             "\"Rel. 3.8-15 kHz:        \",13\r\n"
                             "\"Optimizer Bass:         \",15\r\n"
                             "\"Optimizer 200-600 Hz:   \",16\r\n"
                             "\"Optimizer 600-1.6 kHz:  \",17\r\n"
                             "\"Optimizer 1.6-3.8 kHz:  \",18\r\n"
                             "\"Optimizer 3.8-15 kHz:   \",19\r\n"
                             "\"Optimizer Drive:        \",20\r\n"
                             "\"LUFS:                   \",23\r\n"
                             "\"LUFS Offset:            \",24\r\n"
                             "\"Main Expander Level:    \",22\r\n"
                             "\"Master Clipper Drive:   \",21\r\n"
                             "\"Turbo:                  \",#TRUE#\r\n"
                             "\"Digital Input:          \",#TRUE#\r\n"
                             "\"Day/Night:              \",#TRUE#\r\n"
                             "\"Space:                  \",1\r\n"
                             "\"S/M Limitation Ratio:   \",27\r\n"
                             "\"Stereo Enhancement:     \",28\r\n"
                             "\"LFT Bass Shift:         \",26\r\n"
                             "\"HFT HF Shift:           \",25\r\n"
                             "\"Export from firmware version 20.01, (c) Orvex 2020\"\r\n";

QByteArray withLine(QByteArray bytes, const QByteArray& from, const QByteArray& to)
{
    Q_ASSERT(bytes.count(from) == 1);
    return bytes.replace(from, to);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestTextExport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bytes_data();
    void bytes();
    void layout();
    void exportTwiceGivesOneFile();
    void unsentEditsAbsent();
    void homeFolderWithoutDriveC();
    void failedExport_data();
    void failedExport();
    void writeFailureKeepsPreviousExport();
};

void TestTextExport::bytes_data()
{
    QTest::addColumn<int>("setup");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray space = "\"Space:                  \",0\r\n";
    QTest::newRow("initial, flags clear, box 0") << 0 << kInitial;
    QTest::newRow("box checked") << 1
                                 << withLine(kInitial, space, "\"Space:                  \",1\r\n");
    QTest::newRow("box greyed") << 2
                                << withLine(kInitial, space, "\"Space:                  \",2\r\n");
    QTest::newRow("distinct values, flags set") << 3 << kDistinct;
    QTest::newRow("only day/night set")
        << 4
        << withLine(kInitial, "\"Day/Night:              \",#FALSE#",
                    "\"Day/Night:              \",#TRUE#");
    QTest::newRow("hidden option absent") << 5 << kInitial;
}

void TestTextExport::bytes()
{
    QFETCH(int, setup);
    QFETCH(QByteArray, expected);
    PanelFixture f(false);
    model::ParameterSet& set = f.window->params();
    switch (setup) {
    case 1:
    case 2:
        set.assign(Member::chkTurbo, setup);
        break;
    case 3:
        for (int i = 1; i < model::kSliderCount; ++i) {
            set.assign(model::memberAt(i), i + 1);
        }
        set.assign(Member::gate, 128);
        set.assign(Member::chkTurbo, 1);
        set.setFlag(Member::Space, true);
        set.setFlag(Member::Digin, true);
        set.setFlag(Member::Daynight, true);
        break;
    case 4:
        set.setFlag(Member::Daynight, true);
        break;
    case 5:
        set.setFlag(Member::AutoDensity, true);
        break;
    default:
        break;
    }
    f.window->UlozExportTXT();
    QVERIFY(f.prompts.messages.isEmpty());
    QCOMPARE(readAll(f.env.exportPath), expected);
}

void TestTextExport::layout()
{
    model::ParameterSet set;
    const QList<QByteArray> lines = storage::encodeTextExport(set).split('\n');
    QCOMPARE(lines.size(), storage::kExportLineCount + 1); // the last CR LF ends the file
    QVERIFY(lines.last().isEmpty());
    for (int i = 0; i < storage::kExportLineCount; ++i) {
        QVERIFY(lines[i].endsWith('\r'));
        if (i >= 1 && i <= 32) {
            QCOMPARE(lines[i].indexOf("\","), 25); // the quote, 24 characters, the quote
            QVERIFY(lines[i].startsWith('"'));
        }
    }
}

void TestTextExport::exportTwiceGivesOneFile()
{
    PanelFixture f(false);
    f.window->UlozExportTXT();
    QVERIFY(f.window->params().setValue(Member::gate, 99));
    f.window->UlozExportTXT();
    QCOMPARE(readAll(f.env.exportPath), withLine(kInitial, "\"Gate Level:             \",1\r\n",
                                                 "\"Gate Level:             \",99\r\n"));
    const QStringList left = QDir(f.dir.path()).entryList(QDir::Files);
    QCOMPARE(left, QStringList{"OrvexDAB.txt"});
}

void TestTextExport::unsentEditsAbsent()
{
    PanelFixture f(false);
    Para w(f.window->session(), f.prompts, f.env.printer, f.window.get());
    w.show();
    w.findChild<QLineEdit*>("txtGate")->setText("77");
    w.findChild<QLineEdit*>("txtDensity")->setText("300");
    w.cmdUlozAct_Click();
    QVERIFY(w.isVisible());
    QVERIFY(f.prompts.messages.isEmpty());
    QCOMPARE(readAll(f.env.exportPath), kInitial);
}

void TestTextExport::homeFolderWithoutDriveC()
{
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    MemoryLine line;
    AppEnvironment env = testEnvironment(dir.path(), prompts, line);
    env.exportPath.clear(); // the platform's own place
    frmMain window(env);
#ifdef Q_OS_WIN
    QCOMPARE(window.exportFilePath(), QString("C:\\OrvexDAB.txt"));
#else
    QCOMPARE(window.exportFilePath(), QDir::home().filePath("OrvexDAB.txt"));
#endif
}

void TestTextExport::failedExport_data()
{
    QTest::addColumn<QString>("where");
    QTest::newRow("folder missing") << "missing/OrvexDAB.txt";
    QTest::newRow("folder in the way") << "blocker";
}

void TestTextExport::failedExport()
{
    QFETCH(QString, where);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("blocker"));
    ScriptedPrompts prompts;
    MemoryLine line;
    AppEnvironment env = testEnvironment(dir.path(), prompts, line);
    env.exportPath = dir.filePath(where);
    frmMain window(env);
    window.UlozExportTXT();
    QCOMPARE(prompts.messages.size(), 1);
    QVERIFY(!prompts.messages[0].text.isEmpty());
    QCOMPARE(prompts.messages[0].title, QString("OrvexDAB"));
    QCOMPARE(prompts.messages[0].icon, PromptIcon::None);
    QVERIFY(QFileInfo(dir.filePath("blocker")).isDir());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
}

void TestTextExport::writeFailureKeepsPreviousExport()
{
#ifdef Q_OS_UNIX
    PanelFixture f(false);
    f.window->UlozExportTXT();
    QCOMPARE(readAll(f.env.exportPath), kInitial);

    // A file size limit makes the write fail part way, as a full disk would.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = saved;
    tight.rlim_cur = 100;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &tight), 0);
    QVERIFY(f.window->params().setValue(Member::gate, 200));
    f.window->UlozExportTXT();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QCOMPARE(f.prompts.messages.size(), 1);
    QCOMPARE(f.prompts.messages[0].title, QString("OrvexDAB"));
    QCOMPARE(readAll(f.env.exportPath), kInitial);
    QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList{"OrvexDAB.txt"});
#else
    QSKIP("needs a file size limit");
#endif
}

QTEST_MAIN(TestTextExport)
#include "test_textexport.moc"
