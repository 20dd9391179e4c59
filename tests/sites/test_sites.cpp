// The Sites window and a site's history over a store filled by the store's own operations, with
// simulated processors for backups and restores, and the panel's side: the menu, "Open in
// panel" as one undo step, the panel's own exchanges showing up in the window.
#include "SitesRig.h"
#include "app/PanelHistory.h"
#include "app/frmMain.h"
#include "dialogs/DifferencesModel.h"
#include "dialogs/SiteTexts.h"
#include "dialogs/SitesDesk.h"
#include "dialogs/VersionsModel.h"
#include "dialogs/frmDeploy.h"
#include "dialogs/frmDeploys.h"
#include "dialogs/frmSiteEdit.h"
#include "dialogs/frmSiteHistory.h"
#include "link/PortLines.h"
#include "support/TestEnvironment.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTcpServer>
#include <QUndoStack>

using namespace sitesrig;
using M = model::Member;

namespace {

QString local(const QDateTime& utc)
{
    return utc.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

// The words a control shows: its own text, or its label's (a buddy); mnemonics, a trailing
// colon and an ellipsis are not words.
QString visibleWords(const QWidget& w)
{
    QString text;
    if (const auto* b = qobject_cast<const QAbstractButton*>(&w)) {
        text = b->text();
    } else if (const auto* g = qobject_cast<const QGroupBox*>(&w)) {
        text = g->title();
    } else {
        for (const QLabel* l : w.window()->findChildren<QLabel*>()) {
            if (l->buddy() == &w) {
                text = l->text();
            }
        }
    }
    text.remove(QLatin1Char('&'));
    text = text.trimmed();
    while (text.endsWith(QLatin1Char(':')) || text.endsWith(QLatin1Char('.')) ||
           text.endsWith(QChar(0x2026))) {
        text.chop(1);
    }
    return text.trimmed();
}

// Every control that shows words has an accessible name that begins with them.
QStringList namesNotBeginningWithTheirWords(const QWidget& window)
{
    QStringList wrong;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        const QString words = visibleWords(*w);
        if (words.isEmpty() || qobject_cast<const QLabel*>(w) != nullptr) {
            continue;
        }
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(const_cast<QWidget*>(w));
        const QString name = a != nullptr ? a->text(QAccessible::Name) : QString();
        if (!name.startsWith(words, Qt::CaseInsensitive)) {
            wrong << QStringLiteral("%1: \"%2\" shows \"%3\"").arg(w->objectName(), name, words);
        }
    }
    return wrong;
}

QStringList differenceRows(const DifferencesModel& m)
{
    QStringList rows;
    for (int r = 0; r < m.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < m.columnCount(); ++c) {
            cells.append(m.data(m.index(r, c), Qt::DisplayRole).toString());
        }
        rows.append(cells.join(QLatin1Char('|')));
    }
    return rows;
}

} // namespace

class TestSites : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ages_data();
    void ages();
    void unusableStoreIsShown_data();
    void unusableStoreIsShown();
    void rows_data();
    void rows();
    void backupOfThreeSitesWithOneFailing();
    void historyShowsDifferences();
    void restoreReadsBack();
    void nightVersionOnDayProcessorIsNotVerified();
    void compareWithProcessor();
    void exportWritesParameterFile();
    void removeSiteAsksAboutHistory_data();
    void removeSiteAsksAboutHistory();
    void siteEditChecksBeforeSaving_data();
    void siteEditChecksBeforeSaving();
    void editSiteChangesPortGroupAndName();
    void panelOpensVersionAsOneUndoStepAndRecordsItsExchanges();
    void accessibleNamesBeginWithTheVisibleWords();
    void historyAndSiteEditSayTheStoreDoesNotAnswer();
};

void TestSites::ages_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("age");
    QTest::newRow("under a minute") << 59 << "just now";
    QTest::newRow("minutes") << 5 * 60 + 59 << "5 min ago";
    QTest::newRow("hours") << 5 * 3600 + 59 * 60 << "5 h ago";
    QTest::newRow("hours up to two days") << 47 * 3600 + 3599 << "47 h ago";
    QTest::newRow("days") << 3 * 86400 + 1 << "3 d ago";
    QTest::newRow("a clock that went back") << -30 << "just now";
}

void TestSites::ages()
{
    QFETCH(int, seconds);
    QFETCH(QString, age);
    const QDateTime now(QDate(2026, 12, 9), QTime(8, 12), Qt::UTC);
    QCOMPARE(sitetexts::ageText(now.addSecs(-seconds), now), age);
}

void TestSites::unusableStoreIsShown_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("says");
    QTest::newRow("damaged store file")
        << "fleet.sqlite" << QByteArray(4096, 'x') << "store unreachable: ";
    QTest::newRow("fleet.ini names no usable store")
        << "fleet.ini" << QByteArray("[store]\nurl=mysql://host/db\n") << "store unreachable: ";
    QTest::newRow("no store yet") << "" << QByteArray() << "No sites yet";
}

void TestSites::unusableStoreIsShown()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, says);
    QTemporaryDir dir;
    if (!file.isEmpty()) {
        QFile f(dir.filePath(file));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    }
    session::SessionEnvironment env;
    env.programDir = env.dataDir = dir.path();
    session::PanelSession panel(env);
    ScriptedPrompts prompts;
    SitesDesk desk(panel, prompts, nullptr);
    frmSites* w = desk.open();
    QVERIFY(QTest::qWaitFor([&] { return w->lblStatus->text().startsWith(says); }, kWait));
    QVERIFY(!w->cmdBackupAll->isEnabled());
    // The damaged file is left as it was.
    if (file == QLatin1String("fleet.sqlite")) {
        QFile f(dir.filePath(file));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), bytes);
    }
}

void TestSites::rows_data()
{
    QTest::addColumn<QString>("site");
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("backedUp");
    QTest::addColumn<QString>("drift");
    QTest::addColumn<QString>("spoken");
    QTest::addColumn<bool>("marked");
    QTest::newRow("ok with an approved reference")
        << "Brno"
        << "ok" << true << "none"
        << "Brno, ok, last backup 5 h ago, drift none" << false;
    QTest::newRow("failed names its message")
        << "Ostrava"
        << "failed: port missing" << true << "no reference"
        << "Ostrava, failed: port missing, last backup 5 h ago, drift no reference" << true;
    QTest::newRow("never backed up")
        << "Plzen"
        << "never backed up" << false << "no reference"
        << "Plzen, never backed up, last backup never, drift no reference" << false;
    QTest::newRow("drift counts the differing members")
        << "Zlin"
        << "ok" << true << "3 differences"
        << "Zlin, ok, last backup 5 h ago, drift 3 differences" << true;
}

void TestSites::rows()
{
    QFETCH(QString, site);
    QFETCH(QString, state);
    QFETCH(bool, backedUp);
    QFETCH(QString, drift);
    QFETCH(QString, spoken);
    QFETCH(bool, marked);

    Rig rig;
    const QDateTime at = QDateTime::currentDateTimeUtc().addSecs(-5 * 3600 - 60);
    for (const char* name : {"Brno", "Ostrava", "Plzen", "Zlin"}) {
        QVERIFY(rig.addSite(QLatin1String(name),
                            QString::number(rig.store->sites().value.size() + 10)));
    }
    QVERIFY2(rig.record(QStringLiteral("Brno"), at, fleet::initialValues()), qPrintable(rig.error));
    QVERIFY(rig.store->approve(QStringLiteral("Brno")).ok());
    QVERIFY2(rig.record(QStringLiteral("Ostrava"), at, fleet::initialValues()),
             qPrintable(rig.error));
    QVERIFY(rig.fail(QStringLiteral("Ostrava"), at, QStringLiteral("port missing")));
    QVERIFY2(rig.record(QStringLiteral("Zlin"), at.addSecs(-60), fleet::initialValues()),
             qPrintable(rig.error));
    QVERIFY(rig.store->approve(QStringLiteral("Zlin")).ok());
    QVERIFY(rig.record(QStringLiteral("Zlin"), at,
                       valuesWith({{M::gate, 40}, {M::density, 90}, {M::HFShift, 7}})));

    frmSites* w = rig.open();
    QVERIFY(w != nullptr);
    QCOMPARE(w->windowTitle(), QStringLiteral("Sites"));
    QCOMPARE(w->model()->rowCount(), 4);
    QCOMPARE(rig.cell(site, SitesModel::State), state);
    QCOMPARE(rig.cell(site, SitesModel::Drift), drift);
    QCOMPARE(rig.cell(site, SitesModel::LastBackup),
             backedUp ? local(at) + QStringLiteral(" (5 h ago)") : QString());
    QCOMPARE(rig.cell(site, SitesModel::Name, Qt::AccessibleTextRole), spoken);
    const SitesModel* m = w->model();
    const QVariant colour = m->data(m->index(m->rowOf(site), SitesModel::Port), Qt::BackgroundRole);
    QCOMPARE(colour.isValid(), marked);

    // Sorted by state, trouble comes first.
    w->tblSites->sortByColumn(SitesModel::State, Qt::AscendingOrder);
    QCOMPARE(w->proxy()->index(0, SitesModel::Name).data().toString(), QStringLiteral("Ostrava"));
}

void TestSites::backupOfThreeSitesWithOneFailing()
{
    Rig rig;
    QVERIFY2(rig.addSimulator(200), qPrintable(rig.error));
    QVERIFY2(rig.addSimulator(201, valuesWith({{M::density, 90}})), qPrintable(rig.error));
    QVERIFY2(rig.addSite(QStringLiteral("Brno"), QStringLiteral("200")), qPrintable(rig.error));
    QVERIFY2(rig.addSite(QStringLiteral("Jihlava"), QStringLiteral("201")), qPrintable(rig.error));
    // No simulator and no device behind this number.
    QVERIFY2(rig.addSite(QStringLiteral("Ostrava"), QStringLiteral("202")), qPrintable(rig.error));
    frmSites* w = rig.open();
    QVERIFY(w != nullptr);

    QSignalSpy finished(w, &frmSites::backupFinished);
    w->cmdBackupAll->click();
    QCOMPARE(rig.cell(QStringLiteral("Jihlava"), SitesModel::State),
             QStringLiteral("backing up..."));
    QVERIFY(!w->cmdBackupAll->isEnabled());
    QVERIFY(w->barProgress->isVisible());
    QVERIFY(finished.wait(kWait));
    QCOMPARE(w->barProgress->maximum(), 3);
    QCOMPARE(w->barProgress->value(), 3);

    QSignalSpy shown(w, &frmSites::sitesShown);
    QVERIFY(shown.wait(kWait));
    QCOMPARE(rig.cell(QStringLiteral("Brno"), SitesModel::State), QStringLiteral("ok"));
    QCOMPARE(rig.cell(QStringLiteral("Jihlava"), SitesModel::State), QStringLiteral("ok"));
    QVERIFY2(rig.cell(QStringLiteral("Ostrava"), SitesModel::State)
                 .startsWith(QStringLiteral("failed: ")),
             qPrintable(rig.cell(QStringLiteral("Ostrava"), SitesModel::State)));
    QVERIFY(rig.cell(QStringLiteral("Jihlava"), SitesModel::LastBackup)
                .endsWith(QStringLiteral("(just now)")));
    QCOMPARE(rig.cell(QStringLiteral("Ostrava"), SitesModel::LastBackup), QString());
    QVERIFY(w->cmdBackupAll->isEnabled());
    // What was stored is what the processor held.
    const auto latest = rig.store->latest(QStringLiteral("Jihlava"));
    QVERIFY(latest.ok() && latest.value);
    QCOMPARE(latest.value->values[model::index(M::density)], 90);
}

void TestSites::historyShowsDifferences()
{
    Rig rig;
    QVERIFY2(rig.addSite(QStringLiteral("Brno"), QStringLiteral("200")), qPrintable(rig.error));
    const QDateTime at = QDateTime::currentDateTimeUtc().addDays(-1);
    QVERIFY2(rig.record(QStringLiteral("Brno"), at, valuesWith({{M::density, 30}})),
             qPrintable(rig.error));
    QVERIFY(rig.store->approve(QStringLiteral("Brno")).ok());
    QVERIFY(rig.record(QStringLiteral("Brno"), at.addSecs(3600),
                       valuesWith({{M::density, 120}, {M::gate, 9}})));
    frmSites* w = rig.open();
    QVERIFY(w != nullptr);
    frmSiteHistory* h = openHistory(*w, QStringLiteral("Brno"));
    QVERIFY(h != nullptr);
    QCOMPARE(h->windowTitle(), QStringLiteral("History of Brno"));

    const VersionsModel* v = h->versions();
    QCOMPARE(v->rowCount(), 2);
    const auto text = [v](int row, int column) { return v->index(row, column).data().toString(); };
    QCOMPARE(text(0, VersionsModel::Changes), QStringLiteral("first day version"));
    QCOMPARE(text(0, VersionsModel::Reference), QStringLiteral("reference"));
    QCOMPARE(text(1, VersionsModel::Changes), QStringLiteral("2 differences"));
    QCOMPARE(text(1, VersionsModel::Source), QStringLiteral("backup"));
    QCOMPARE(text(1, VersionsModel::By), QStringLiteral("op@desk"));
    QCOMPARE(text(1, VersionsModel::Reference), QString());

    // The latest is selected at first: its differences from the one before, in reply order.
    const QStringList expected{QStringLiteral("Gate (Levelers (bass and main))|1|9|differs"),
                               QStringLiteral("Density (Limiters)|30|120|differs")};
    QCOMPARE(h->selectedVersion(), 2);
    QCOMPARE(differenceRows(*h->differences()), expected);
    QCOMPARE(h->lblDifferences->text(),
             QStringLiteral("Version 2 against version 1: 2 differences"));

    h->selectVersions({1, 2});
    QCOMPARE(differenceRows(*h->differences()), expected);
    QVERIFY(!h->cmdRestore->isEnabled());
    h->chkShowAll->setChecked(true);
    const QStringList all = differenceRows(*h->differences());
    QVERIFY(all.size() > 20);
    QVERIFY(all.contains(QStringLiteral("Ranges (Levelers (bass and main))|255|255|")));

    // Approving the latest moves the reference mark.
    h->selectVersions({2});
    QSignalSpy shown(h, &frmSiteHistory::historyShown);
    h->cmdApprove->click();
    QVERIFY(shown.wait(kWait));
    QCOMPARE(text(0, VersionsModel::Reference), QString());
    QCOMPARE(text(1, VersionsModel::Reference), QStringLiteral("reference"));
}

void TestSites::restoreReadsBack()
{
    Rig rig;
    QVERIFY2(rig.addSimulator(200, valuesWith({{M::density, 200}})), qPrintable(rig.error));
    QVERIFY2(rig.addSite(QStringLiteral("Brno"), QStringLiteral("200")), qPrintable(rig.error));
    QVERIFY(rig.record(QStringLiteral("Brno"), QDateTime::currentDateTimeUtc(),
                       valuesWith({{M::density, 77}, {M::obbass, 12}})));
    frmSites* w = rig.open();
    QVERIFY(w != nullptr);
    frmSiteHistory* h = openHistory(*w, QStringLiteral("Brno"));
    QVERIFY(h != nullptr);
    QCOMPARE(h->selectedVersion(), 1);

    QSignalSpy done(h, &frmSiteHistory::workDone);
    h->cmdRestore->click();
    QVERIFY(done.wait(kWait));
    QCOMPARE(rig.prompts.questions.size(), 1);
    QCOMPARE(rig.prompts.questions[0].text, QStringLiteral("Send version 1 to Brno?"));
    QVERIFY(!rig.prompts.messages.isEmpty());
    QCOMPARE(rig.prompts.messages.last().text, QStringLiteral("Brno holds version 1 (verified)"));
    // The table showed what the restore changes: the processor now against the version.
    QCOMPARE(
        differenceRows(*h->differences()),
        (QStringList{QStringLiteral("Density (Limiters)|200|77|differs"),
                     QStringLiteral("Output balance bass (Output spectral mix)|1|12|differs")}));
    QCOMPARE(sim::valueOf(rig.simulators[200]->state().current, M::density), 77);

    // The read-back is a version of its own.
    QSignalSpy shown(h, &frmSiteHistory::historyShown);
    QVERIFY(h->versions()->rowCount() == 2 || shown.wait(kWait));
    QCOMPARE(h->versions()->rowCount(), 2);
    QCOMPARE(h->versions()->index(1, VersionsModel::Source).data().toString(),
             QStringLiteral("restore"));
}

void TestSites::nightVersionOnDayProcessorIsNotVerified()
{
    Rig rig;
    QVERIFY2(rig.addSimulator(200), qPrintable(rig.error));
    QVERIFY2(rig.addSite(QStringLiteral("Brno"), QStringLiteral("200")), qPrintable(rig.error));
    fleet::Attempt a;
    fleet::NewVersion night;
    night.layout = lnk::Layout::Night;
    night.values = valuesWith({{M::density, 66}});
    a.taken = night;
    QVERIFY(rig.store->record(QStringLiteral("Brno"), a).ok());
    frmSites* w = rig.open();
    QVERIFY(w != nullptr);
    frmSiteHistory* h = openHistory(*w, QStringLiteral("Brno"));
    QVERIFY(h != nullptr);
    QSignalSpy done(h, &frmSiteHistory::workDone);
    h->cmdRestore->click();
    QVERIFY(done.wait(kWait));
    QCOMPARE(rig.prompts.messages.size(), 1);
    QCOMPARE(rig.prompts.messages[0].text,
             QStringLiteral("Brno: sent, not verified: the processor answers with its day block"));
    QCOMPARE(sim::valueOf(rig.simulators[200]->state().night, M::density), 66);
}

void TestSites::compareWithProcessor()
{
    Rig rig;
    QVERIFY2(rig.addSimulator(200, valuesWith({{M::density, 200}})), qPrintable(rig.error));
    QVERIFY2(rig.addSite(QStringLiteral("Brno"), QStringLiteral("200")), qPrintable(rig.error));
    QVERIFY2(rig.record(QStringLiteral("Brno"), QDateTime::currentDateTimeUtc(),
                        valuesWith({{M::density, 77}})),
             qPrintable(rig.error));
    frmSites* w = rig.open();
    QVERIFY(w != nullptr);
    frmSiteHistory* h = openHistory(*w, QStringLiteral("Brno"));
    QVERIFY(h != nullptr);
    QSignalSpy done(h, &frmSiteHistory::workDone);
    h->cmdCompare->click();
    QVERIFY(done.wait(kWait));
    const DifferencesModel& d = *h->differences();
    QCOMPARE(d.headerData(DifferencesModel::A, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("Version 1"));
    QCOMPARE(d.headerData(DifferencesModel::B, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("Processor now"));
    QCOMPARE(differenceRows(d), QStringList{QStringLiteral("Density (Limiters)|77|200|differs")});
    QVERIFY(rig.prompts.questions.isEmpty());
    // Nothing was sent: the processor holds what it held.
    QCOMPARE(sim::valueOf(rig.simulators[200]->state().current, M::density), 200);
}

void TestSites::exportWritesParameterFile()
{
    Rig rig;
    QVERIFY2(rig.addSite(QStringLiteral("Brno"), QStringLiteral("200")), qPrintable(rig.error));
    QVERIFY2(rig.record(QStringLiteral("Brno"), QDateTime::currentDateTimeUtc(),
                        valuesWith({{M::gate, 9}, {M::density, 77}})),
             qPrintable(rig.error));
    frmSites* w = rig.open();
    QVERIFY(w != nullptr);
    frmSiteHistory* h = openHistory(*w, QStringLiteral("Brno"));
    QVERIFY(h != nullptr);
    const QString path = rig.dir.filePath(QStringLiteral("Brno 1.DAB"));
    rig.prompts.answerNextDialog(path);
    h->cmdExport->click();
    QCOMPARE(rig.prompts.dialogs.size(), 1);
    QCOMPARE(rig.prompts.dialogs[0].extension, QStringLiteral(".DAB"));
    QVERIFY(QTest::qWaitFor([&] { return QFileInfo::exists(path); }, kWait));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    // One printed number a line, CR LF: gate on the first line, density on the fourteenth.
    QCOMPARE(lines.value(0), QByteArray(" 9 \r"));
    QCOMPARE(lines.value(13), QByteArray(" 77 \r"));
    QVERIFY(rig.prompts.messages.isEmpty());
}

void TestSites::removeSiteAsksAboutHistory_data()
{
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<int>("sites");
    QTest::addColumn<int>("versionsWhenAddedAgain");
    QTest::newRow("history kept") << QList<bool>{true, false} << 0 << 1;
    QTest::newRow("history deleted") << QList<bool>{true, true} << 0 << 0;
    QTest::newRow("cancelled") << QList<bool>{false} << 1 << -1;
}

void TestSites::removeSiteAsksAboutHistory()
{
    QFETCH(QList<bool>, answers);
    QFETCH(int, sites);
    QFETCH(int, versionsWhenAddedAgain);
    Rig rig;
    QVERIFY2(rig.addSite(QStringLiteral("Brno"), QStringLiteral("200")), qPrintable(rig.error));
    QVERIFY2(
        rig.record(QStringLiteral("Brno"), QDateTime::currentDateTimeUtc(), fleet::initialValues()),
        qPrintable(rig.error));
    frmSites* w = rig.open();
    QVERIFY(w != nullptr);
    for (const bool a : answers) {
        rig.prompts.questionAnswers.enqueue(a);
    }
    selectSite(*w, QStringLiteral("Brno"));
    QSignalSpy shown(w, &frmSites::sitesShown);
    w->cmdRemove->click();
    QCOMPARE(rig.prompts.questions.size(), answers.size());
    QCOMPARE(rig.prompts.questions[0].text, QStringLiteral("Remove site Brno?"));
    if (sites == 0) {
        QVERIFY(shown.wait(kWait));
    }
    QCOMPARE(w->model()->rowCount(), sites);
    if (versionsWhenAddedAgain >= 0) {
        QVERIFY(rig.addSite(QStringLiteral("Brno"), QStringLiteral("200")));
        QCOMPARE(rig.store->versions(QStringLiteral("Brno")).value.size(), versionsWhenAddedAgain);
    }
}

void TestSites::siteEditChecksBeforeSaving_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("problem"); // a piece of the message; empty: saved
    QTest::newRow("saved, device path") << "Jihlava"
                                        << "/dev/ttyUSB7"
                                        << "";
    QTest::newRow("saved, network address") << "Jihlava"
                                            << "tcp://127.0.0.1:4001"
                                            << "";
    QTest::newRow("malformed port quoted") << "Jihlava"
                                           << "tcp//x"
                                           << "tcp//x";
    QTest::newRow("port number out of range quoted") << "Jihlava"
                                                     << "256"
                                                     << "256";
    QTest::newRow("name with a slash") << "Jih/lava"
                                       << "7"
                                       << "Jih/lava";
    QTest::newRow("no port") << "Jihlava"
                             << ""
                             << "port";
    QTest::newRow("port of another site") << "Jihlava"
                                          << "200"
                                          << "200";
    QTest::newRow("name of another site, other case") << "BRNO"
                                                      << "7"
                                                      << "\"Brno\"";
}

void TestSites::siteEditChecksBeforeSaving()
{
    QFETCH(QString, name);
    QFETCH(QString, port);
    QFETCH(QString, problem);
    Rig rig;
    QVERIFY2(rig.addSite(QStringLiteral("Brno"), QStringLiteral("200")), qPrintable(rig.error));
    frmSites* w = rig.open();
    QVERIFY(w != nullptr);
    w->cmdAdd->click();
    auto* edit = w->findChild<frmSiteEdit*>();
    QVERIFY(edit != nullptr);
    edit->txtName->setText(name);
    edit->cboPort->setEditText(port);
    QSignalSpy ended(edit, &frmSiteEdit::saveEnded);
    QSignalSpy shown(w, &frmSites::sitesShown);
    edit->cmdOK->click();
    const bool asked = ended.count() > 0 || ended.wait(2000);
    if (problem.isEmpty()) {
        QVERIFY(asked);
        QCOMPARE(edit->result(), int(QDialog::Accepted));
        QVERIFY(shown.wait(kWait));
        QCOMPARE(w->model()->rowCount(), 2);
        QCOMPARE(rig.cell(name, SitesModel::Port), port);
    } else {
        QVERIFY2(edit->lblError->text().contains(problem), qPrintable(edit->lblError->text()));
        QVERIFY(edit->isVisible());
        QCOMPARE(rig.store->sites().value.size(), 1);
    }
}

void TestSites::editSiteChangesPortGroupAndName()
{
    Rig rig;
    QVERIFY2(rig.addSite(QStringLiteral("Brno"), QStringLiteral("200")), qPrintable(rig.error));
    QVERIFY2(
        rig.record(QStringLiteral("Brno"), QDateTime::currentDateTimeUtc(), fleet::initialValues()),
        qPrintable(rig.error));
    frmSites* w = rig.open();
    QVERIFY(w != nullptr);
    selectSite(*w, QStringLiteral("Brno"));
    w->cmdEdit->click();
    auto* edit = w->findChild<frmSiteEdit*>();
    QVERIFY(edit != nullptr);
    QCOMPARE(edit->cboPort->currentText(), QStringLiteral("200"));
    edit->txtName->setText(QStringLiteral("Brno-Kohoutovice"));
    edit->cboPort->setEditText(QStringLiteral("rfc2217://127.0.0.1:7000"));
    edit->txtGroup->setText(QStringLiteral("south"));
    QSignalSpy shown(w, &frmSites::sitesShown);
    edit->cmdOK->click();
    QVERIFY(shown.wait(kWait));
    const QString site = QStringLiteral("Brno-Kohoutovice");
    QCOMPARE(rig.cell(site, SitesModel::Port), QStringLiteral("rfc2217://127.0.0.1:7000"));
    QCOMPARE(rig.cell(site, SitesModel::Group), QStringLiteral("south"));
    // The history goes with the site.
    QCOMPARE(rig.store->versions(site).value.size(), 1);
}

void TestSites::panelOpensVersionAsOneUndoStepAndRecordsItsExchanges()
{
    QTemporaryDir dir;
    sim::Options o;
    o.linkPath = dir.filePath(QStringLiteral("ports/COM200"));
    sim::Simulator simulator(o);
    QString error;
    QVERIFY2(simulator.start(&error), qPrintable(error));
    {
        fleet::StoreLocation location;
        location.path = dir.filePath(QStringLiteral("fleet.sqlite"));
        fleet::Store store(location);
        QVERIFY(store.addSite(QStringLiteral("Brno"), QStringLiteral("200")).ok());
        fleet::Attempt a;
        a.at = QDateTime::currentDateTimeUtc().addDays(-1);
        fleet::NewVersion v;
        v.values = valuesWith({{M::density, 77}, {M::gate, 5}});
        a.taken = v;
        QVERIFY(store.record(QStringLiteral("Brno"), a).ok());
    }
    ScriptedPrompts prompts;
    lnk::PortLines lines(dir.path());
    frmMain panel(testEnvironment(dir.path(), prompts, lines));
    panel.PortNo = 200;
    auto* menu = panel.findChild<QAction*>(QStringLiteral("mnuSites"));
    QVERIFY(menu != nullptr);
    QCOMPARE(menu->text(), QStringLiteral("Sites..."));
    menu->trigger();
    auto* w = panel.findChild<frmSites*>();
    QVERIFY(w != nullptr);
    QVERIFY(QTest::qWaitFor([w] { return w->model()->rowCount() == 1; }, kWait));

    const int steps = panel.history().stack().count();
    const int logged = simulator.log().count();
    const int gateBefore = panel.params().value(M::gate);
    selectSite(*w, QStringLiteral("Brno"));
    w->cmdOpen->click();
    QVERIFY(QTest::qWaitFor([&] { return panel.params().value(M::density) == 77; }, kWait));
    QCOMPARE(panel.params().value(M::gate), 5);
    QCOMPARE(panel.history().stack().count(), steps + 1);
    QCOMPARE(panel.history().stack().undoText(), QStringLiteral("Open Brno version 1"));
    QCOMPARE(simulator.log().count(), logged); // nothing was sent
    panel.history().stack().undo();
    QCOMPARE(panel.params().value(M::gate), gateBefore);
    QVERIFY(panel.params().value(M::density) != 77);

    // The panel's own send to the site's port is a version at once, shown in the window.
    panel.posliden();
    QVERIFY(waitIdle(panel.session()));
    QVERIFY(QTest::qWaitFor(
        [w] {
            const SitesModel* m = w->model();
            return m->sites().value(0).status.lastChange &&
                   m->sites().value(0).status.lastChange->secsTo(QDateTime::currentDateTimeUtc()) <
                       60;
        },
        kWait));
    fleet::StoreLocation location;
    location.path = dir.filePath(QStringLiteral("fleet.sqlite"));
    fleet::Store store(location);
    const auto latest = store.latest(QStringLiteral("Brno"));
    QVERIFY(latest.ok() && latest.value);
    QCOMPARE(latest.value->number, 2);
    QCOMPARE(latest.value->source, fleet::Source::Panel);
}

void TestSites::accessibleNamesBeginWithTheVisibleWords()
{
    Rig rig;
    QVERIFY2(rig.addSite(QStringLiteral("Brno"), QStringLiteral("200")), qPrintable(rig.error));
    QVERIFY(rig.record(QStringLiteral("Brno"), QDateTime::currentDateTimeUtc(), valuesWith({})));
    frmSites* w = rig.open();
    QVERIFY(w != nullptr);
    QCOMPARE(namesNotBeginningWithTheirWords(*w).join(QLatin1Char('\n')), QString());
    frmSiteHistory* h = openHistory(*w, QStringLiteral("Brno"));
    QVERIFY(h != nullptr);
    QCOMPARE(namesNotBeginningWithTheirWords(*h).join(QLatin1Char('\n')), QString());
    w->cmdAdd->click();
    auto* edit = w->findChild<frmSiteEdit*>();
    QVERIFY(edit != nullptr);
    QCOMPARE(namesNotBeginningWithTheirWords(*edit).join(QLatin1Char('\n')), QString());
    frmDeploy* deploy = w->deployToSelected();
    QVERIFY(deploy != nullptr);
    QCOMPARE(namesNotBeginningWithTheirWords(*deploy).join(QLatin1Char('\n')), QString());
    frmDeploys* deploys = w->showDeploys();
    QVERIFY(deploys != nullptr);
    QCOMPARE(namesNotBeginningWithTheirWords(*deploys).join(QLatin1Char('\n')), QString());
}

// A store server that accepts and never answers: the history and the site editor say so after
// 3 s, as the Sites window does, and show the store's own failure once it gives up.
void TestSites::historyAndSiteEditSayTheStoreDoesNotAnswer()
{
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    fleet::StoreLocation location;
    location.kind = fleet::StoreKind::Postgres;
    location.host = QStringLiteral("127.0.0.1");
    location.port = silent.serverPort();
    location.database = QStringLiteral("fleet");
    location.bounds.connectSeconds = 5;
    fleet::StoreWorker store(location);
    QTemporaryDir dir;
    session::SessionEnvironment env;
    env.programDir = env.dataDir = dir.path();
    session::PanelSession session(env);
    ScriptedPrompts prompts;
    frmSiteHistory history(store, QStringLiteral("Brno"), fleet::LinkSetup(), session, prompts);
    frmSiteEdit edit(store, QString(), std::nullopt, nullptr);
    edit.txtName->setText(QStringLiteral("Praha"));
    edit.cboPort->setEditText(QStringLiteral("201"));
    edit.cmdOK->click();
    const QString noAnswer = QStringLiteral("store unreachable: no answer from ");
    QTRY_VERIFY_WITH_TIMEOUT(history.lblStatus->text().startsWith(noAnswer), 4500);
    QTRY_VERIFY_WITH_TIMEOUT(edit.lblError->text().startsWith(noAnswer), 4500);
    // The store's own failure replaces it once the connection gives up.
    QTRY_VERIFY_WITH_TIMEOUT(!history.lblStatus->text().startsWith(noAnswer), 15000);
    QVERIFY2(history.lblStatus->text().startsWith(QStringLiteral("store unreachable: ")),
             qPrintable(history.lblStatus->text()));
    QTRY_VERIFY_WITH_TIMEOUT(!edit.lblError->text().startsWith(noAnswer), 15000);
}

QTEST_MAIN(TestSites)
#include "test_sites.moc"
