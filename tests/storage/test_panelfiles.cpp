#include "storage/ParameterFile.h"
#include "support/FileBytes.h"
#include "support/PanelFixture.h"

#include <QAction>
#include <QLineEdit>
#include <QTest>

using model::Member;

namespace {

const QString kReadTitle =
    QStringLiteral("Actual.dab not exist (first run on this PC) or this preset was not saved");
const QString kAppTitle = QStringLiteral("OrvexDAB");

const QByteArray kInitialPanel(" 1 \r\n 255 \r\n 255 \r\n 255 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n"
                               " 1 \r\n 255 \r\n 255 \r\n 255 \r\n 255 \r\n 1 \r\n 1 \r\n 1 \r\n"
                               " 1 \r\n 1 \r\n 1 \r\n 1 \r\n 255 \r\n 1 \r\n 0 \r\n 0 \r\n"
                               " 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 170 \r\n");

// A panel file whose line n holds n + 100 (flags 1, the check box 1).
QByteArray numberedPanel(int spaceFlag = 1)
{
    QByteArray bytes;
    for (int line = 1; line <= 32; ++line) {
        int v = line + 100;
        if (line == 24) {
            v = spaceFlag;
        } else if (line >= 25 && line <= 27) {
            v = 1;
        }
        bytes += ' ' + QByteArray::number(v) + " \r\n";
    }
    return bytes;
}

QString checkedPortItems(const frmMain& w)
{
    QStringList checked;
    for (const char* name : {"Port1", "Port2", "Port3", "Port4", "mnuCustom"}) {
        const auto* item = w.findChild<QAction*>(QLatin1String(name));
        if (item == nullptr) {
            checked << QStringLiteral("<no %1>").arg(QLatin1String(name));
        } else if (item->isChecked()) {
            checked << QLatin1String(name);
        }
    }
    return checked.join(QLatin1Char(','));
}

// Chooses a menu item as the operator would.
bool trigger(frmMain& w, const char* name)
{
    auto* item = w.findChild<QAction*>(QLatin1String(name));
    if (item == nullptr) {
        return false;
    }
    item->trigger();
    return true;
}

QString fileBox(const frmMain& w)
{
    return w.fileNameBox() != nullptr ? w.fileNameBox()->text() : QStringLiteral("<no box>");
}

} // namespace

class TestPanelFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstStartInEmptyFolder();
    void restartShowsSamePanel();
    void settingsAtStartup_data();
    void settingsAtStartup();
    void turboIndicationAtStartupOnly();
    void reinitReadsSettingsAndWorkingFile();

    void openReadsChosenFile();
    void openFailureStillNamesFile();
    void cancelledDialogsDoNothing();
    void saveAppendsExtension();
    void saveDoesNotDoubleExtension_data();
    void saveDoesNotDoubleExtension();
    void overwriteQuestionNamesTheFileWritten_data();
    void overwriteQuestionNamesTheFileWritten();
    void saveFailureShowsTwoMessages();
    void presetKeys();

    void workingFileBackup_data();
    void workingFileBackup();
    void backupKeptAfterLaterWrites();
    void failedShutdownWriteReported();
};

void TestPanelFiles::firstStartInEmptyFolder()
{
    PanelFixture f;
    QCOMPARE(f.prompts.messages.size(), 1);
    QCOMPARE(f.prompts.messages[0].text, QStringLiteral("File not found"));
    QCOMPARE(f.prompts.messages[0].title, kReadTitle);
    QCOMPARE(f.prompts.messages[0].icon, PromptIcon::Information);
    QCOMPARE(storage::formatParameterFile(f.window->params()), kInitialPanel);
    QCOMPARE(f.window->PortNo, quint8(1));
    QCOMPARE(checkedPortItems(*f.window), QStringLiteral("Port1"));
    QCOMPARE(f.window->Adresar, QDir::toNativeSeparators(f.dir.path()) + QDir::separator());
    QCOMPARE(fileBox(*f.window), QStringLiteral("Actual.DAB"));
    QVERIFY(!f.window->turboIndicationShown());

    f.closeWindow();
    QCOMPARE(f.prompts.messages.size(), 1);
    QCOMPARE(contentOf(f.dir.filePath(QStringLiteral("actual.DAB"))), kInitialPanel);
    QCOMPARE(contentOf(f.dir.filePath(QStringLiteral("ORVEXFM.INI"))), QByteArray(" 1 \r\n"));
    QVERIFY(!QFileInfo::exists(f.dir.filePath(QStringLiteral("actual.DAB.bak"))));
    QCOMPARE(f.line.openAttempts, 0);
}

void TestPanelFiles::restartShowsSamePanel()
{
    PanelFixture first;
    first.window->params().assign(Member::gate, 77);
    first.window->params().assign(Member::LUFSOffset, 3);
    first.window->params().setFlag(Member::Digin, true);
    first.window->PortNo = 3;
    first.closeWindow();

    AppEnvironment env = first.env;
    ScriptedPrompts prompts;
    env.prompts = &prompts;
    frmMain again(env);
    again.load();
    QVERIFY(prompts.messages.isEmpty());
    QCOMPARE(storage::formatParameterFile(again.params()),
             storage::formatParameterFile(first.window->params()));
    QCOMPARE(again.PortNo, quint8(3));
    QCOMPARE(checkedPortItems(again), QStringLiteral("Port3"));
}

void TestPanelFiles::settingsAtStartup_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("portNo");
    QTest::addColumn<QString>("checked");
    QTest::newRow("missing") << false << QByteArray() << 1 << QStringLiteral("Port1");
    QTest::newRow("7: custom port")
        << true << QByteArray(" 7 \r\n") << 7 << QStringLiteral("mnuCustom");
    QTest::newRow("0: no mark") << true << QByteArray(" 0 \r\n") << 0 << QStringLiteral("");
    QTest::newRow("4") << true << QByteArray(" 4 \r\n") << 4 << QStringLiteral("Port4");
    QTest::newRow("300") << true << QByteArray(" 300 \r\n") << 1 << QStringLiteral("Port1");
    QTest::newRow("abc") << true << QByteArray("abc\r\n") << 1 << QStringLiteral("Port1");
    QTest::newRow("several lines")
        << true << QByteArray(" 2 \r\n 3 \r\n") << 2 << QStringLiteral("Port2");
}

void TestPanelFiles::settingsAtStartup()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, bytes);
    QFETCH(int, portNo);
    QFETCH(QString, checked);
    PanelFixture f(false);
    if (present) {
        QVERIFY(put(f.dir.filePath(QStringLiteral("ORVEXFM.INI")), bytes));
    }
    QVERIFY(put(f.dir.filePath(QStringLiteral("actual.DAB")), kInitialPanel));
    f.window->PortNo = 9;
    f.window->load();
    QVERIFY(f.prompts.messages.isEmpty()); // settings failures are silent
    QCOMPARE(int(f.window->PortNo), portNo);
    QCOMPARE(checkedPortItems(*f.window), checked);
}

void TestPanelFiles::turboIndicationAtStartupOnly()
{
    PanelFixture f(false);
    const QString working = f.dir.filePath(QStringLiteral("actual.DAB"));
    QVERIFY(put(working, numberedPanel(1)));
    f.window->load();
    QVERIFY(f.window->turboIndicationShown());

    QVERIFY(put(working, numberedPanel(0)));
    f.window->form_Reinit();
    QCOMPARE(f.window->params().value(Member::Space), 0);
    QVERIFY(f.window->turboIndicationShown()); // not re-applied
}

void TestPanelFiles::reinitReadsSettingsAndWorkingFile()
{
    PanelFixture f;
    QVERIFY(put(f.dir.filePath(QStringLiteral("ORVEXFM.INI")), QByteArray(" 12 \r\n")));
    QVERIFY(put(f.dir.filePath(QStringLiteral("actual.DAB")), numberedPanel()));
    f.prompts.messages.clear();
    f.window->form_Reinit();
    QCOMPARE(f.window->PortNo, quint8(12));
    QCOMPARE(checkedPortItems(*f.window), QStringLiteral("mnuCustom"));
    QCOMPARE(f.window->params().value(Member::gate), 101);
    QCOMPARE(f.window->params().value(Member::LUFSOffset), 132);
    QVERIFY(f.prompts.messages.isEmpty());
    QCOMPARE(f.line.openAttempts, 0);
}

void TestPanelFiles::openReadsChosenFile()
{
    PanelFixture f;
    f.prompts.messages.clear();
    QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("sets")));
    const QString path = f.dir.filePath(QStringLiteral("sets/loud.DAB"));
    QVERIFY(put(path, numberedPanel()));
    const QString startDir = f.window->Adresar;

    f.prompts.answerNextDialog(path);
    QVERIFY(trigger(*f.window, "Open"));
    QCOMPARE(f.prompts.dialogs.size(), 1);
    const FileDialogRequest& r = f.prompts.dialogs[0];
    QCOMPARE(r.title, QStringLiteral("Open file with paramaters"));
    QCOMPARE(r.directory, startDir);
    QCOMPARE(r.fileName, QStringLiteral("Noname"));
    QCOMPARE(r.extension, QStringLiteral(".DAB"));
    QVERIFY(r.mustExist);
    QVERIFY(f.prompts.messages.isEmpty());
    QCOMPARE(f.window->params().value(Member::gate), 101);
    QCOMPARE(f.window->Adresar,
             QDir::toNativeSeparators(f.dir.filePath(QStringLiteral("sets"))) + QDir::separator());
    QCOMPARE(fileBox(*f.window), path);
    QVERIFY(!f.window->turboIndicationShown()); // Space read, indication left alone
    QCOMPARE(f.line.openAttempts, 0);
}

void TestPanelFiles::openFailureStillNamesFile()
{
    PanelFixture f;
    f.prompts.messages.clear();
    const QString path = f.dir.filePath(QStringLiteral("short.DAB"));
    QByteArray shortFile = numberedPanel();
    shortFile.chop(QByteArray(" 132 \r\n").size());
    QVERIFY(put(path, shortFile));

    f.prompts.answerNextDialog(path);
    QVERIFY(trigger(*f.window, "Open"));
    QCOMPARE(f.prompts.messages.size(), 2);
    QCOMPARE(f.prompts.messages[0].text, QStringLiteral("Input past end of file"));
    QCOMPARE(f.prompts.messages[0].title, kReadTitle);
    QCOMPARE(f.prompts.messages[0].icon, PromptIcon::Information);
    QCOMPARE(f.prompts.messages[1].text, QStringLiteral("Nepodarilo se nacist soubor ") + path);
    QCOMPARE(f.prompts.messages[1].title, kAppTitle);
    QCOMPARE(f.prompts.messages[1].icon, PromptIcon::None);
    QCOMPARE(f.window->params().value(Member::HFShift), 131);    // line 31 applied
    QCOMPARE(f.window->params().value(Member::LUFSOffset), 170); // line 32 never came
    QCOMPARE(fileBox(*f.window), path);
}

void TestPanelFiles::cancelledDialogsDoNothing()
{
    PanelFixture f;
    f.prompts.messages.clear();
    const QString adresar = f.window->Adresar;
    const QString box = fileBox(*f.window);
    const QStringList before = QDir(f.dir.path()).entryList(QDir::Files);
    f.window->params().assign(Member::gate, 50);

    f.prompts.answerNextDialog(std::nullopt);
    QVERIFY(trigger(*f.window, "Open"));
    f.prompts.answerNextDialog(std::nullopt);
    QVERIFY(trigger(*f.window, "Save"));

    QCOMPARE(f.prompts.dialogs.size(), 2);
    QVERIFY(f.prompts.messages.isEmpty());
    QCOMPARE(f.window->Adresar, adresar);
    QCOMPARE(fileBox(*f.window), box);
    QCOMPARE(f.window->params().value(Member::gate), 50);
    QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), before);
    QVERIFY(!QFileInfo::exists(f.dir.filePath(QStringLiteral("Noname.DAB"))));
}

void TestPanelFiles::saveAppendsExtension()
{
    PanelFixture f;
    f.prompts.messages.clear();
    QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("sets")));
    const QString setsDir = QDir::toNativeSeparators(f.dir.filePath(QStringLiteral("sets")));
    f.window->params().assign(Member::gate, 128);

    f.prompts.answerNextDialog(setsDir + QDir::separator() + QStringLiteral("loud"));
    QVERIFY(trigger(*f.window, "Save"));
    const QString written = setsDir + QDir::separator() + QStringLiteral("loud.DAB");
    const FileDialogRequest& r = f.prompts.dialogs.at(0);
    QCOMPARE(r.title, QStringLiteral("Save parameters to file"));
    QCOMPARE(r.fileName, QStringLiteral("Noname"));
    QCOMPARE(r.extension, QStringLiteral(".DAB"));
    QVERIFY(!r.confirmOverwrite); // the panel asks itself, about the file it writes
    QVERIFY(f.prompts.questions.isEmpty());
    QCOMPARE(f.prompts.messages.size(), 1);
    QCOMPARE(f.prompts.messages[0].text, QStringLiteral("Ulozen soubor ") + written);
    QCOMPARE(f.prompts.messages[0].title, kAppTitle);
    QCOMPARE(f.prompts.messages[0].icon, PromptIcon::None);
    QVERIFY(contentOf(written).startsWith(" 128 \r\n 255 \r\n"));
    QCOMPARE(f.window->Adresar, setsDir + QDir::separator());
    QCOMPARE(fileBox(*f.window), written);

    // The next dialog starts there.
    f.prompts.answerNextDialog(std::nullopt);
    QVERIFY(trigger(*f.window, "Open"));
    QCOMPARE(f.prompts.dialogs.at(1).directory, setsDir + QDir::separator());
}

void TestPanelFiles::saveDoesNotDoubleExtension_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("x.dab") << QStringLiteral("x.dab") << QStringLiteral("x.dab");
    QTest::newRow("x.DAB") << QStringLiteral("x.DAB") << QStringLiteral("x.DAB");
    QTest::newRow("x.Dab") << QStringLiteral("x.Dab") << QStringLiteral("x.Dab");
    QTest::newRow("x.txt gets .DAB") << QStringLiteral("x.txt") << QStringLiteral("x.txt.DAB");
}

void TestPanelFiles::saveDoesNotDoubleExtension()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    PanelFixture f;
    f.prompts.messages.clear();
    f.prompts.answerNextDialog(f.dir.filePath(chosen));
    QVERIFY(trigger(*f.window, "Save"));
    QCOMPARE(contentOf(f.dir.filePath(written)), kInitialPanel);
    QCOMPARE(f.prompts.messages.at(0).text,
             QStringLiteral("Ulozen soubor ") + f.dir.filePath(written));
    QVERIFY(!QFileInfo::exists(f.dir.filePath(written + QStringLiteral(".DAB"))));
}

void TestPanelFiles::overwriteQuestionNamesTheFileWritten_data()
{
    QTest::addColumn<bool>("replace");
    QTest::newRow("yes replaces") << true;
    QTest::newRow("no keeps the file") << false;
}

void TestPanelFiles::overwriteQuestionNamesTheFileWritten()
{
    QFETCH(bool, replace);
    PanelFixture f;
    f.prompts.messages.clear();
    const QString written = f.dir.filePath(QStringLiteral("x.txt.DAB"));
    QVERIFY(put(written, QByteArray("older")));
    QVERIFY(put(f.dir.filePath(QStringLiteral("x.txt")), QByteArray("not ours")));
    f.prompts.answerNextDialog(f.dir.filePath(QStringLiteral("x.txt")));
    f.prompts.questionAnswers.enqueue(replace);
    QVERIFY(trigger(*f.window, "Save"));
    QCOMPARE(f.prompts.questions.size(), 1);
    QCOMPARE(f.prompts.questions[0].text,
             QStringLiteral("x.txt.DAB already exists.\nDo you want to replace it?"));
    QCOMPARE(contentOf(written), replace ? kInitialPanel : QByteArray("older"));
    QCOMPARE(contentOf(f.dir.filePath(QStringLiteral("x.txt"))), QByteArray("not ours"));
    QCOMPARE(f.prompts.messages.size(), replace ? 1 : 0);
}

void TestPanelFiles::saveFailureShowsTwoMessages()
{
    PanelFixture f;
    f.prompts.messages.clear();
    const QString path = f.dir.filePath(QStringLiteral("taken.DAB"));
    QVERIFY(QDir().mkdir(path));
    f.prompts.answerNextDialog(path);
    QVERIFY(trigger(*f.window, "Save"));
    QCOMPARE(f.prompts.messages.size(), 2);
    QCOMPARE(f.prompts.messages[0].text, QStringLiteral("Path/File access error"));
    QCOMPARE(f.prompts.messages[0].title, kAppTitle);
    QCOMPARE(f.prompts.messages[0].icon, PromptIcon::None);
    QCOMPARE(f.prompts.messages[1].text, QStringLiteral("Nepodarilo se ulozit soubor ") + path);
    QCOMPARE(f.prompts.messages[1].title, kAppTitle);
    QCOMPARE(fileBox(*f.window), path);
    QVERIFY(QFileInfo(path).isDir());
}

void TestPanelFiles::presetKeys()
{
    PanelFixture f;
    f.prompts.messages.clear();
    QVERIFY(put(f.dir.filePath(QStringLiteral("preset3.DAB")), numberedPanel()));
    const QString box = fileBox(*f.window);

    f.window->toolbarKey(QStringLiteral("pre3"));
    QVERIFY(f.prompts.messages.isEmpty());
    QCOMPARE(f.window->params().value(Member::gate), 101);
    QCOMPARE(fileBox(*f.window), box);
    QCOMPARE(f.line.openAttempts, 0);

    const QByteArray panel = storage::formatParameterFile(f.window->params());
    f.window->toolbarKey(QStringLiteral("pre5"));
    QCOMPARE(f.prompts.messages.size(), 1);
    QCOMPARE(f.prompts.messages[0].text, QStringLiteral("File not found"));
    QCOMPARE(f.prompts.messages[0].title, kReadTitle);
    QCOMPARE(f.prompts.messages[0].icon, PromptIcon::Information);
    QCOMPARE(storage::formatParameterFile(f.window->params()), panel);
    QCOMPARE(fileBox(*f.window), box);
}

void TestPanelFiles::workingFileBackup_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("working");
    QTest::addColumn<bool>("folderInTheWay"); // a folder at actual.DAB.bak.1
    QTest::addColumn<QString>("keptAs");      // where the damaged file goes; empty: nowhere
    QTest::newRow("damaged file set aside, the older backup kept")
        << true << QByteArray("\x01\x02 garbage \xFF\r\n") << false << "actual.DAB.bak.1";
    QTest::newRow("short file set aside")
        << true << numberedPanel().left(40) << false << "actual.DAB.bak.1";
    QTest::newRow("a folder in the way is skipped")
        << true << QByteArray("garbage") << true << "actual.DAB.bak.2";
    QTest::newRow("good file needs no backup") << true << numberedPanel() << false << "";
    QTest::newRow("missing file needs no backup") << false << QByteArray() << false << "";
}

void TestPanelFiles::workingFileBackup()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, working);
    QFETCH(bool, folderInTheWay);
    QFETCH(QString, keptAs);
    PanelFixture f(false);
    const QString path = f.dir.filePath(QStringLiteral("actual.DAB"));
    const QString backup = path + QStringLiteral(".bak");
    QVERIFY(put(backup, QByteArray("an older backup")));
    if (folderInTheWay) {
        QVERIFY(QDir().mkdir(backup + QStringLiteral(".1")));
    }
    if (present) {
        QVERIFY(put(path, working));
    }
    f.window->load();
    if (!keptAs.isEmpty()) {
        // Set aside at once, and the operator is told where it went.
        QCOMPARE(contentOf(f.dir.filePath(keptAs)), working);
        QVERIFY(!QFile::exists(path));
        QCOMPARE(f.prompts.messages.size(), 1);
        QVERIFY2(f.prompts.messages[0].text.contains(keptAs),
                 qPrintable(f.prompts.messages[0].text));
    }
    f.closeWindow();
    QCOMPARE(contentOf(path), storage::formatParameterFile(f.window->params()));
    QCOMPARE(contentOf(backup), QByteArray("an older backup"));
}

void TestPanelFiles::backupKeptAfterLaterWrites()
{
    PanelFixture f(false);
    const QString path = f.dir.filePath(QStringLiteral("actual.DAB"));
    const QByteArray damaged("not a panel\r\n");
    QVERIFY(put(path, damaged));
    f.window->load();
    QVERIFY(f.window->UlozSoubor(path)); // as the custom port dialog's Save and Exit does
    f.window->params().assign(Member::gate, 9);
    f.closeWindow();
    QCOMPARE(contentOf(path + QStringLiteral(".bak")), damaged);
    QVERIFY(contentOf(path).startsWith(" 9 \r\n"));
}

void TestPanelFiles::failedShutdownWriteReported()
{
    PanelFixture f;
    f.prompts.messages.clear();
    QVERIFY(QDir().mkdir(f.dir.filePath(QStringLiteral("actual.DAB"))));
    QVERIFY(QDir().mkdir(f.dir.filePath(QStringLiteral("ORVEXFM.INI"))));
    f.closeWindow();
    // The working file's failure is reported, the settings file's passes silently.
    QCOMPARE(f.prompts.messages.size(), 1);
    QCOMPARE(f.prompts.messages[0].text, QStringLiteral("Path/File access error"));
    QCOMPARE(f.prompts.messages[0].title, kAppTitle);
    QCOMPARE(f.prompts.messages[0].icon, PromptIcon::None);
}

QTEST_MAIN(TestPanelFiles)
#include "test_panelfiles.moc"
