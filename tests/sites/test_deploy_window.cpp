// The deploy window over simulated sites: a preview's rows and what would change, a run where
// every site is verified, a run stopped by its canary with nothing else sent, the past runs and
// a revert's preview, refused sources, and how long the window stalls while deploying.
#include "SitesRig.h"
#include "dialogs/DeployModel.h"
#include "dialogs/DeploysModel.h"
#include "dialogs/frmDeploy.h"
#include "dialogs/frmDeploys.h"
#include "dialogs/frmSiteHistory.h"
#include "storage/ParameterFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

using namespace sitesrig;
using M = model::Member;

namespace {

bool writeSound(const QString& path, const fleet::Values& values)
{
    model::ParameterSet set;
    return set.restore(values) && !storage::writeParameterFile(path, set);
}

// Every row of the deploy table, its cells joined by '|'.
QStringList rows(const DeployModel& m, int from = DeployModel::Site, int to = DeployModel::Outcome)
{
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r) {
        QStringList cells;
        for (int c = from; c <= to; ++c) {
            cells.append(m.text(r, c));
        }
        out.append(cells.join(QLatin1Char('|')));
    }
    return out;
}

bool previewed(frmDeploy& d)
{
    QSignalSpy shown(&d, &frmDeploy::planShown);
    d.cmdPreview->click();
    return shown.wait(kWait);
}

bool deployed(frmDeploy& d)
{
    QSignalSpy finished(&d, &frmDeploy::deployFinished);
    d.cmdDeploy->click();
    return finished.wait(4 * kWait);
}

// The deploy window "Revert..." opened.
frmDeploy* revertWindow(frmSites& w)
{
    frmDeploy* revert = nullptr;
    for (frmDeploy* f : w.findChildren<frmDeploy*>()) {
        revert = f->windowTitle().startsWith(QStringLiteral("Revert")) ? f : revert;
    }
    return revert;
}

} // namespace

class TestDeployWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void previewRunAndStoppedRun();
    void versionFromHistoryThenReverted();
    void refusedSourceIsShown_data();
    void refusedSourceIsShown();
    void stallWhileDeployingTo32Sites();
};

void TestDeployWindow::previewRunAndStoppedRun()
{
    Rig rig;
    const fleet::Values sound = valuesWith({{M::gate, 40}, {M::density, 60}});
    const QString file = rig.dir.filePath(QStringLiteral("coast.DAB"));
    QVERIFY(writeSound(file, sound));
    const QStringList names{QStringLiteral("Brno"), QStringLiteral("Jihlava"),
                            QStringLiteral("Ostrava")};
    for (int i = 0; i < names.size(); ++i) {
        QVERIFY2(rig.addSimulator(200 + i), qPrintable(rig.error));
        QVERIFY2(rig.addSite(names[i], QString::number(200 + i)), qPrintable(rig.error));
    }
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-3600);
    QVERIFY(rig.record(QStringLiteral("Brno"), before, valuesWith({{M::density, 90}})));
    QVERIFY(rig.record(QStringLiteral("Ostrava"), before, sound));
    frmSites* w = rig.open();
    QVERIFY(w != nullptr);

    // The preview: a parameter file chosen through the file dialog, for all sites.
    frmDeploy* d = w->deployToSelected();
    QVERIFY(d != nullptr);
    QVERIFY(!d->cmdDeploy->isEnabled());
    QCOMPARE(d->cmdDeploy->text(), QStringLiteral("Deploy"));
    rig.prompts.answerNextDialog(file);
    d->cmdBrowse->click();
    QCOMPARE(d->edtSource->text(), file);
    QVERIFY(previewed(*d));
    QCOMPARE(
        rows(*d->model(), DeployModel::Site, DeployModel::Change),
        QStringList({QStringLiteral("Brno|2 differences|Gate 1 \u2192 40, Density 90 \u2192 60"),
                     QStringLiteral("Jihlava|no version yet|"),
                     QStringLiteral("Ostrava|same values|")}));
    QCOMPARE(d->cmdDeploy->text(), QStringLiteral("Deploy to 3 sites"));
    QVERIFY(d->cmdDeploy->isEnabled());

    // The run: every row ends verified, and the status line ends with the counts.
    QVERIFY(deployed(*d));
    for (int r = 0; r < d->model()->rowCount(); ++r) {
        QVERIFY2(d->model()->text(r, DeployModel::Outcome).startsWith(QStringLiteral("verified")),
                 qPrintable(rows(*d->model()).join(QLatin1Char('\n'))));
    }
    QVERIFY2(d->lblStatus->text().endsWith(QStringLiteral(" done: 3 verified")),
             qPrintable(d->lblStatus->text()));
    QVERIFY(!d->cmdDeploy->isEnabled());
    for (int i = 0; i < names.size(); ++i) {
        QCOMPARE(rig.simulators[200 + i]->state().current[model::index(M::density)], 60);
    }

    // The run is listed with its sites; its revert previews each site's version from before.
    frmDeploys* list = w->showDeploys();
    QVERIFY(list != nullptr);
    QSignalSpy listed(list, &frmDeploys::runsShown);
    QVERIFY(listed.wait(kWait));
    QCOMPARE(list->runs()->rowCount(), 1);
    QCOMPARE(
        list->runs()->data(list->runs()->index(0, DeploysModel::Sites), Qt::DisplayRole).toString(),
        QStringLiteral("3 verified"));
    QCOMPARE(list->sites()->rowCount(), 3);
    QCOMPARE(list->sites()
                 ->data(list->sites()->index(0, DeploySitesModel::Before), Qt::DisplayRole)
                 .toString(),
             QStringLiteral("1"));
    list->cmdRevert->click();
    frmDeploy* revert = revertWindow(*w);
    QVERIFY(revert != nullptr);
    QVERIFY(previewed(*revert));
    QCOMPARE(
        rows(*revert->model(), DeployModel::Site, DeployModel::Change),
        QStringList({QStringLiteral("Brno|2 differences|Gate 40 \u2192 1, Density 60 \u2192 90"),
                     QStringLiteral("Jihlava|nothing to revert to|"),
                     QStringLiteral("Ostrava|same values|")}));

    // A stopped run: the first site in name order is the canary, and its port leads nowhere.
    QVERIFY2(rig.addSite(QStringLiteral("Aachen"), QStringLiteral("209")), qPrintable(rig.error));
    QVERIFY(writeSound(file, valuesWith({{M::density, 70}})));
    frmDeploy* stopped = w->deployToSelected();
    stopped->edtSource->setText(file);
    QCOMPARE(stopped->spnCanaries->value(), 1);
    QVERIFY(previewed(*stopped));
    QCOMPARE(stopped->cmdDeploy->text(), QStringLiteral("Deploy to 4 sites"));
    QVERIFY(deployed(*stopped));
    const QStringList ended = rows(*stopped->model(), DeployModel::Site, DeployModel::Site);
    QCOMPARE(ended.first(), QStringLiteral("Aachen"));
    QVERIFY(stopped->model()->text(0, DeployModel::Outcome).startsWith(QStringLiteral("failed: ")));
    for (int r = 1; r < stopped->model()->rowCount(); ++r) {
        QCOMPARE(stopped->model()->text(r, DeployModel::Outcome),
                 QStringLiteral("not sent (stopped after Aachen)"));
    }
    QVERIFY2(stopped->lblStatus->text().contains(QStringLiteral("stopped after Aachen")) &&
                 stopped->lblStatus->text().endsWith(QStringLiteral(": 1 failed, 3 not sent")),
             qPrintable(stopped->lblStatus->text()));
    for (int i = 0; i < names.size(); ++i) {
        QCOMPARE(rig.simulators[200 + i]->state().current[model::index(M::density)], 60);
    }
}

// "Deploy this version..." in a site's history sends that version to the Sites window's sites,
// saved and approved where verified; "Revert..." in the list of deploys runs the way back.
void TestDeployWindow::versionFromHistoryThenReverted()
{
    Rig rig;
    for (const int port : {200, 201}) {
        QVERIFY2(rig.addSimulator(port), qPrintable(rig.error));
    }
    QVERIFY2(rig.addSite(QStringLiteral("Brno"), QStringLiteral("200")), qPrintable(rig.error));
    QVERIFY2(rig.addSite(QStringLiteral("Ostrava"), QStringLiteral("201")), qPrintable(rig.error));
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-3600);
    QVERIFY(rig.record(QStringLiteral("Brno"), before, valuesWith({{M::density, 90}})));
    QVERIFY(rig.record(QStringLiteral("Ostrava"), before, valuesWith({{M::density, 50}})));
    frmSites* w = rig.open();
    QVERIFY(w != nullptr);

    frmSiteHistory* h = openHistory(*w, QStringLiteral("Brno"));
    QVERIFY(h != nullptr);
    w->tblSites->clearSelection();
    h->selectVersions({1});
    h->cmdDeploy->click();
    frmDeploy* d = w->findChild<frmDeploy*>();
    QVERIFY(d != nullptr);
    QCOMPARE(d->edtSource->text(), QStringLiteral("Brno:1"));
    d->chkSave->setChecked(true);
    d->chkApprove->setChecked(true);
    QVERIFY(previewed(*d));
    QCOMPARE(rows(*d->model(), DeployModel::Site, DeployModel::Change),
             QStringList({QStringLiteral("Brno|same values|"),
                          QStringLiteral("Ostrava|1 difference|Density 50 → 90")}));
    QVERIFY(deployed(*d));
    QCOMPARE(rows(*d->model(), DeployModel::Outcome, DeployModel::Outcome),
             QStringList({QStringLiteral("verified, version 1, saved"),
                          QStringLiteral("verified, version 2, saved")}));
    for (const int port : {200, 201}) {
        QCOMPARE(rig.simulators[port]->state().current[model::index(M::density)], 90);
        QVERIFY(rig.simulators[port]->log().lines().join(QLatin1Char('\n')).contains("Saveday"));
    }
    const auto reference = rig.store->reference(QStringLiteral("Ostrava"), lnk::Layout::Day);
    QVERIFY(reference.ok() && reference.value && reference.value->number == 2);

    frmDeploys* list = w->showDeploys();
    QSignalSpy listed(list, &frmDeploys::runsShown);
    QVERIFY(listed.wait(kWait));
    list->selectRun(1);
    list->cmdRevert->click();
    frmDeploy* revert = revertWindow(*w);
    QVERIFY(revert != nullptr);
    QVERIFY(previewed(*revert));
    QCOMPARE(rows(*revert->model(), DeployModel::Site, DeployModel::Change),
             QStringList({QStringLiteral("Brno|same values|"),
                          QStringLiteral("Ostrava|1 difference|Density 90 → 50")}));
    QVERIFY(deployed(*revert));
    QVERIFY2(revert->lblStatus->text().endsWith(QStringLiteral(" done: 2 verified")),
             qPrintable(revert->lblStatus->text()));
    QCOMPARE(rig.simulators[201]->state().current[model::index(M::density)], 50);
}

void TestDeployWindow::refusedSourceIsShown_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("says");
    QTest::newRow("a file that does not read") << "broken.DAB"
                                               << "broken.DAB: ";
    QTest::newRow("a night version sent as day") << "Brno:1"
                                                 << "is a night version";
}

// Nothing can be sent: the plan says why, in the status line, and the table stays empty.
void TestDeployWindow::refusedSourceIsShown()
{
    QFETCH(QString, source);
    QFETCH(QString, says);
    Rig rig;
    QVERIFY2(rig.addSite(QStringLiteral("Brno"), QStringLiteral("200")), qPrintable(rig.error));
    fleet::Attempt night;
    night.at = QDateTime::currentDateTimeUtc();
    fleet::NewVersion v;
    v.layout = lnk::Layout::Night;
    v.by = QStringLiteral("op@desk");
    night.taken = v;
    QVERIFY(rig.store->record(QStringLiteral("Brno"), night).ok());
    QFile broken(rig.dir.filePath(QStringLiteral("broken.DAB")));
    QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("not a sound\n") > 0);
    broken.close();
    frmSites* w = rig.open();
    QVERIFY(w != nullptr);
    frmDeploy* d = w->deployToSelected();
    d->edtSource->setText(source.contains(QLatin1Char(':')) ? source : broken.fileName());
    QVERIFY(previewed(*d));
    QVERIFY2(d->lblStatus->text().contains(says), qPrintable(d->lblStatus->text()));
    QCOMPARE(d->model()->rowCount(), 0);
    QVERIFY(!d->cmdDeploy->isEnabled());
}

// How long the window's event loop is kept from turning while a deploy runs over 32 simulated
// sites: the largest gap between the ticks of a 10 ms timer, printed, not asserted.
void TestDeployWindow::stallWhileDeployingTo32Sites()
{
    constexpr int kSites = 32;
    Rig rig;
    const QString file = rig.dir.filePath(QStringLiteral("coast.DAB"));
    QVERIFY(writeSound(file, valuesWith({{M::density, 60}})));
    for (int i = 0; i < kSites; ++i) {
        QVERIFY2(rig.addSimulator(100 + i), qPrintable(rig.error));
        QVERIFY2(rig.addSite(QStringLiteral("Site %1").arg(i, 2, 10, QLatin1Char('0')),
                             QString::number(100 + i)),
                 qPrintable(rig.error));
    }
    frmSites* w = rig.open();
    QVERIFY(w != nullptr);
    frmDeploy* d = w->deployToSelected();
    d->edtSource->setText(file);
    QVERIFY(previewed(*d));
    QCOMPARE(d->cmdDeploy->text(), QStringLiteral("Deploy to 32 sites"));

    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer tick;
    tick.setInterval(10);
    tick.setTimerType(Qt::PreciseTimer);
    connect(&tick, &QTimer::timeout, this, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    clock.start();
    tick.start();
    QVERIFY(deployed(*d));
    tick.stop();
    QVERIFY2(d->lblStatus->text().endsWith(QStringLiteral(": 32 verified")),
             qPrintable(d->lblStatus->text()));
    qInfo("deploy to %d simulated sites: %.2f s; longest gap between 10 ms ticks %.1f ms "
          "(stall %.1f ms)",
          kSites, double(clock.elapsed()) / 1000.0, double(longest) / 1e6,
          double(longest) / 1e6 - 10.0);
}

QTEST_MAIN(TestDeployWindow)
#include "test_deploy_window.moc"
