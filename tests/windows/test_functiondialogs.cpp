#include "dialogs/frmDenNoc.h"
#include "dialogs/frmTestsignal.h"
#include "dialogs/frmUserPresets.h"
#include "support/PanelFixture.h"
#include "support/WindowChecks.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QTest>

#include <memory>

namespace {

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
const QColor kYellow(255, 255, 0);
const QColor kLightBlue(128, 128, 255);

std::unique_ptr<QDialog> openDialog(const QString& name, frmMain& main)
{
    std::unique_ptr<QDialog> dialog;
    if (name == QLatin1String("frmDenNoc")) {
        dialog = std::make_unique<frmDenNoc>(main.session(), &main);
    } else if (name == QLatin1String("frmUserPresets")) {
        dialog = std::make_unique<frmUserPresets>(main.session(), &main);
    } else {
        dialog = std::make_unique<frmTestsignal>(main.session(), &main);
    }
    dialog->show();
    return dialog;
}

QString labelText(const QDialog& dialog, const QString& objectName)
{
    const auto* label = dialog.findChild<QLabel*>(objectName);
    return label != nullptr ? label->text() : QStringLiteral("<missing>");
}

} // namespace

class TestFunctionDialogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void buttons_data();
    void buttons();
    void texts_data();
    void texts();
    void userPresetsTwoByTwo();

    void exitRightAfterOpening();
    void signalOnThenExit();
    void exitAfterFailedStop();
    void testSignalOnlyLeftByExit();
    void closeBoxSendsNothing_data();
    void closeBoxSendsNothing();
    void failedCommandLeavesDialogOpen_data();
    void failedCommandLeavesDialogOpen();

    void menuOpensModal_data();
    void menuOpensModal();
};

void TestFunctionDialogs::buttons_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QColor>("face");
    QTest::addColumn<int>("byte");

    const QString d = QStringLiteral("frmDenNoc");
    const QString save = QStringLiteral("Save As...");
    const QString act = QStringLiteral("Day/Night Activation");
    const QString sw = QStringLiteral("Activation by Switch");
    QTest::newRow("Day/Night: save day") << d << "cmdSaveDay"
                                         << "Day" << save << kYellow << 145;
    QTest::newRow("Day/Night: save night") << d << "cmdSaveNight"
                                           << "Night" << save << kLightBlue << 149;
    QTest::newRow("Day/Night: activate day") << d << "cmdActDay"
                                             << "Day preset" << act << kYellow << 151;
    QTest::newRow("Day/Night: activate night") << d << "cmdActNight"
                                               << "Nignt preset" << act << kLightBlue << 163;
    QTest::newRow("Day/Night: switch on") << d << "cmdSwON"
                                          << "Enabled" << sw << kGreen << 175;
    QTest::newRow("Day/Night: switch off") << d << "cmdSwOFF"
                                           << "Disabled" << sw << kRed << 179;

    const QString u = QStringLiteral("frmUserPresets");
    const QString to = QStringLiteral("Save to preset No:");
    const QString from = QStringLiteral("Reacall from preset No:");
    for (int n = 1; n <= 4; ++n) {
        const QString num = QString::number(n);
        QTest::addRow("User presets: save %d", n)
            << u << QStringLiteral("cmdSave") + num << num << to << kRed << 135 + n;
        QTest::addRow("User presets: recall %d", n)
            << u << QStringLiteral("cmdRecall") + num << num << from << kGreen << 179 + n;
    }

    const QString t = QStringLiteral("frmTestsignal");
    QTest::newRow("Test signal: on") << t << "cmdStart"
                                     << "Signal ON"
                                     << "" << kRed << 100;
    QTest::newRow("Test signal: off") << t << "cmdStop"
                                      << "Signal OFF"
                                      << "" << kGreen << 110;
}

void TestFunctionDialogs::buttons()
{
    QFETCH(QString, dialog);
    QFETCH(QString, button);
    QFETCH(QString, caption);
    QFETCH(QString, frame);
    QFETCH(QColor, face);
    QFETCH(int, byte);
    PanelFixture fx;
    fx.prompts.messages.clear();
    auto dlg = openDialog(dialog, *fx.window);

    auto* b = dlg->findChild<QPushButton*>(button);
    QVERIFY(b != nullptr);
    QCOMPARE(b->text(), caption);
    QVERIFY(b->isEnabled());
    QVERIFY(b->isVisible());
    const auto* group = qobject_cast<QGroupBox*>(b->parentWidget());
    QCOMPARE(group != nullptr ? group->title() : QString(), frame);
    QCOMPARE(faceOf(b), face);

    // Every press is its own exchange; nothing is debounced.
    QTest::mouseClick(b, Qt::LeftButton);
    QVERIFY(fx.settle());
    QCOMPARE(fx.line.allWritten(), QByteArray(1, static_cast<char>(byte)));
    QTest::mouseClick(b, Qt::LeftButton);
    QVERIFY(fx.settle());
    QCOMPARE(fx.line.allWritten(), QByteArray(2, static_cast<char>(byte)));
    QCOMPARE(fx.line.exchanges.size(), 2);
    QVERIFY(dlg->isVisible());
    QVERIFY(fx.prompts.messages.isEmpty());
}

void TestFunctionDialogs::texts_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");
    QTest::newRow("Day/Night explanation")
        << "frmDenNoc"
        << "Day/Night"
        << "lblText"
        << "Save actual parameters as Day or Night preset. Activate this preset by button. "
           "Enable or disable Day/Night activation by a switch on  AUX port (rear panel of Orvex)";
    QTest::newRow("User presets heading") << "frmUserPresets"
                                          << "User Presets"
                                          << "lblHeading"
                                          << "Save or recall User Presets";
    QTest::newRow("Test signal heading") << "frmTestsignal"
                                         << " Test Signal"
                                         << "lblHeading"
                                         << " Test signal for adjustements";
    QTest::newRow("Test signal explanation") << "frmTestsignal"
                                             << " Test Signal"
                                             << "lblText"
                                             << "Test signal 1000 Hz in left channel";
}

void TestFunctionDialogs::texts()
{
    QFETCH(QString, dialog);
    QFETCH(QString, caption);
    QFETCH(QString, label);
    QFETCH(QString, text);
    PanelFixture fx;
    fx.prompts.messages.clear();
    auto dlg = openDialog(dialog, *fx.window);
    QCOMPARE(dlg->windowTitle(), caption);
    QCOMPARE(labelText(*dlg, label), text);
    QCOMPARE(hasCloseBox(*dlg), dialog != QLatin1String("frmTestsignal"));
}

void TestFunctionDialogs::userPresetsTwoByTwo()
{
    PanelFixture fx;
    fx.prompts.messages.clear();
    auto dlg = openDialog(QStringLiteral("frmUserPresets"), *fx.window);
    for (const QString& prefix : {QStringLiteral("cmdSave"), QStringLiteral("cmdRecall")}) {
        QRect r[5];
        for (int n = 1; n <= 4; ++n) {
            auto* b = dlg->findChild<QPushButton*>(prefix + QString::number(n));
            QVERIFY(b != nullptr);
            r[n] = b->geometry();
        }
        QCOMPARE(r[2].left(), r[1].left());
        QVERIFY(r[2].top() > r[1].top());
        QCOMPARE(r[3].top(), r[1].top());
        QVERIFY(r[3].left() > r[1].left());
        QCOMPARE(r[4].topLeft(), QPoint(r[3].left(), r[2].top()));
    }
}

void TestFunctionDialogs::exitRightAfterOpening()
{
    PanelFixture fx;
    fx.prompts.messages.clear();
    auto dlg = openDialog(QStringLiteral("frmTestsignal"), *fx.window);
    auto* exit = dlg->findChild<QPushButton*>(QStringLiteral("cmdEXIT"));
    QVERIFY(exit != nullptr);
    QCOMPARE(exit->text(), QStringLiteral("Exit"));
    QCOMPARE(faceOf(exit), kLightBlue);
    QTest::mouseClick(exit, Qt::LeftButton);
    QVERIFY(fx.settle());
    QCOMPARE(fx.line.allWritten(), QByteArray(1, static_cast<char>(110)));
    QCOMPARE(fx.line.exchanges.size(), 1);
    QVERIFY(!dlg->isVisible());
}

void TestFunctionDialogs::signalOnThenExit()
{
    PanelFixture fx;
    fx.prompts.messages.clear();
    auto dlg = openDialog(QStringLiteral("frmTestsignal"), *fx.window);
    QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("cmdStart")), Qt::LeftButton);
    QVERIFY(fx.settle());
    QVERIFY(dlg->isVisible());
    QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("cmdEXIT")), Qt::LeftButton);
    QVERIFY(fx.settle());
    const QByteArray expected{"\x64\x6e", 2}; // 100, then 110
    QCOMPARE(fx.line.allWritten(), expected);
    QCOMPARE(fx.line.exchanges.size(), 2);
    QVERIFY(!dlg->isVisible());
}

void TestFunctionDialogs::exitAfterFailedStop()
{
    PanelFixture fx;
    fx.prompts.messages.clear();
    fx.line.failOpen = true;
    auto dlg = openDialog(QStringLiteral("frmTestsignal"), *fx.window);
    QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("cmdEXIT")), Qt::LeftButton);
    QVERIFY(fx.settle());
    QCOMPARE(fx.line.openAttempts, 1);
    QCOMPARE(fx.prompts.messages.size(), 1);
    QVERIFY(!dlg->isVisible());
}

void TestFunctionDialogs::testSignalOnlyLeftByExit()
{
    PanelFixture fx;
    fx.prompts.messages.clear();
    auto dlg = openDialog(QStringLiteral("frmTestsignal"), *fx.window);
    QVERIFY(!hasCloseBox(*dlg));
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    QVERIFY(dlg->isVisible());
    QVERIFY(!dlg->close());
    QVERIFY(dlg->isVisible());
    QCOMPARE(fx.line.openAttempts, 0);
}

void TestFunctionDialogs::closeBoxSendsNothing_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::newRow("Day/Night") << "frmDenNoc";
    QTest::newRow("User presets") << "frmUserPresets";
}

void TestFunctionDialogs::closeBoxSendsNothing()
{
    QFETCH(QString, dialog);
    PanelFixture fx;
    fx.prompts.messages.clear();
    auto dlg = openDialog(dialog, *fx.window);
    QVERIFY(hasCloseBox(*dlg));
    QVERIFY(dlg->close());
    QVERIFY(!dlg->isVisible());
    QCOMPARE(fx.line.openAttempts, 0);
}

void TestFunctionDialogs::failedCommandLeavesDialogOpen_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("button");
    QTest::newRow("Day/Night") << "frmDenNoc"
                               << "cmdActNight";
    QTest::newRow("User presets") << "frmUserPresets"
                                  << "cmdRecall4";
    QTest::newRow("Test signal") << "frmTestsignal"
                                 << "cmdStart";
}

void TestFunctionDialogs::failedCommandLeavesDialogOpen()
{
    QFETCH(QString, dialog);
    QFETCH(QString, button);
    PanelFixture fx;
    fx.prompts.messages.clear();
    fx.line.failOpen = true;
    auto dlg = openDialog(dialog, *fx.window);
    auto* b = dlg->findChild<QPushButton*>(button);
    QTest::mouseClick(b, Qt::LeftButton);
    QVERIFY(fx.settle());
    QCOMPARE(fx.prompts.messages.size(), 1);
    QCOMPARE(fx.prompts.messages.at(0).icon, PromptIcon::Exclamation);
    QVERIFY(dlg->isVisible());
    // Still usable: the next press tries again.
    fx.line.failOpen = false;
    QTest::mouseClick(b, Qt::LeftButton);
    QVERIFY(fx.settle());
    QCOMPARE(fx.line.exchanges.size(), 1);
}

void TestFunctionDialogs::menuOpensModal_data()
{
    QTest::addColumn<QString>("menuItem");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("exitButton");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("Test signal") << "Testsignal"
                                 << "frmTestsignal"
                                 << "cmdEXIT" << QByteArray(1, static_cast<char>(110));
    QTest::newRow("Day/Night") << "DenNoc"
                               << "frmDenNoc"
                               << "" << QByteArray();
    QTest::newRow("User presets") << "UserPresets"
                                  << "frmUserPresets"
                                  << "" << QByteArray();
}

void TestFunctionDialogs::menuOpensModal()
{
    QFETCH(QString, menuItem);
    QFETCH(QString, dialog);
    QFETCH(QString, exitButton);
    QFETCH(QByteArray, sent);
    PanelFixture fx;
    fx.prompts.messages.clear();
    fx.window->show();
    auto* item = fx.window->findChild<QAction*>(menuItem);
    QVERIFY2(item != nullptr, "menu item missing");

    bool modal = false;
    QPointer<QDialog> opened;
    const QString seen = whileModal([&] { item->trigger(); }, exitButton,
                                    [&](QDialog& d) {
                                        modal = d.isModal() && d.parentWidget() == fx.window.get();
                                        opened = &d;
                                    });
    QCOMPARE(seen, dialog);
    QVERIFY(fx.settle());
    QVERIFY(modal);
    QVERIFY2(opened.isNull(), "the dialog outlives its use");
    QCOMPARE(fx.line.allWritten(), sent);
}

QTEST_MAIN(TestFunctionDialogs)
#include "test_functiondialogs.moc"
