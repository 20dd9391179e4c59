#include "dialogs/frmAbout.h"
#include "dialogs/frmAboutWiz.h"
#include "dialogs/frmRearPanel.h"
#include "dialogs/frmSplash.h"
#include "support/PanelFixture.h"
#include "support/WindowChecks.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>

namespace {

const QColor kGreen(0, 255, 0);

// The texts of the window's labels in creation order, pictures left out.
QStringList labelTexts(const QWidget& window)
{
    QStringList texts;
    for (const QLabel* l : window.findChildren<QLabel*>()) {
        if (l->pixmap().isNull()) {
            texts << l->text();
        }
    }
    return texts;
}

// The picture is there, at its size, and actually drawn (not an empty or missing resource).
void checkPicture(const QWidget& window, QSize size)
{
    const auto* picture = window.findChild<QLabel*>(QStringLiteral("Picture1"));
    QVERIFY(picture != nullptr);
    QCOMPARE(picture->size(), size);
    const QImage image = picture->pixmap().toImage();
    QCOMPARE(image.size(), size);
    QCOMPARE(image.pixelColor(size.width() / 2, size.height() / 2).alpha(), 255);
    QCOMPARE(image.pixelColor(20, size.height() / 2).alpha(), 255);
}

void checkExitButton(QDialog& window, const QString& name, const QString& caption)
{
    auto* button = window.findChild<QPushButton*>(name);
    QVERIFY(button != nullptr);
    QCOMPARE(button->text(), caption);
    QCOMPARE(faceOf(button), kGreen);
    // The button is the way out: not Escape, not the window manager's close.
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(window.isVisible());
    QVERIFY(!window.close());
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(!window.isVisible());
}

} // namespace

class TestInfoWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void splashLooks();
    void splashClosesByTimer();
    void splashClosesByClick();
    void splashClosesByKey();
    void splashComesFirstAtStartUp();

    void about();
    void lufsInfo();
    void rearPanel();
    void openedModalChangingNothing_data();
    void openedModalChangingNothing();
};

void TestInfoWindows::splashLooks()
{
    frmSplash splash;
    splash.show();
    QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(splash.size(), QSize(583, 127));
    checkPicture(splash, QSize(583, 127));
}

void TestInfoWindows::splashClosesByTimer()
{
    frmSplash splash;
    QElapsedTimer clock;
    clock.start();
    splash.show();
    QTRY_VERIFY_WITH_TIMEOUT(!splash.isVisible(), 10000);
    // Coarse timers may fire up to 5 % early.
    QVERIFY2(clock.elapsed() >= 1900, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(splash.result(), int(QDialog::Accepted));
}

void TestInfoWindows::splashClosesByClick()
{
    frmSplash splash;
    splash.show();
    QTest::mouseClick(splash.findChild<QLabel*>(QStringLiteral("Picture1")), Qt::LeftButton, {},
                      QPoint(100, 50));
    QVERIFY(!splash.isVisible());
}

void TestInfoWindows::splashClosesByKey()
{
    frmSplash splash;
    splash.show();
    QTest::keyClick(&splash, Qt::Key_Q);
    QVERIFY(!splash.isVisible());
}

void TestInfoWindows::splashComesFirstAtStartUp()
{
    PanelFixture fx(false);
    AppEnvironment env = fx.env;
    env.showSplash = true;
    frmMain window(env);
    bool loadWaited = false;
    const QString seen = whileModal([&] { window.load(); }, QString(),
                                    [&](QDialog& d) {
                                        // The rest of the load step has not run yet.
                                        loadWaited = window.Adresar.isEmpty() && d.isModal();
                                    });
    QCOMPARE(seen, QStringLiteral("frmSplash"));
    QVERIFY(loadWaited);
    QVERIFY(!window.Adresar.isEmpty());
}

void TestInfoWindows::about()
{
    frmAbout about;
    about.show();
    QCOMPARE(about.windowTitle(), QStringLiteral("    "));
    QVERIFY(!hasCloseBox(about));
    checkPicture(about, QSize(342, 62));
    const QStringList expected = {
        QStringLiteral("Orvex DAB+"),
        QStringLiteral("Communication parameters: 1200,N,8,2"),
        QStringLiteral("32-bit App, Windows 10\u00AE  Compatible"),
        QStringLiteral("In Code: 126 (was 125,124)"),
        QStringLiteral("Out Code: 226 (was 225,224)"),
        QString(),
    };
    QCOMPARE(labelTexts(about), expected);
    checkExitButton(about, QStringLiteral("cmdOk"), QStringLiteral("OK"));
}

void TestInfoWindows::lufsInfo()
{
    frmAboutWiz info;
    info.show();
    QCOMPARE(info.windowTitle(), QString());
    QVERIFY(!hasCloseBox(info));
    const QStringList expected = {
        QStringLiteral("LUFS adjustment information"),
        QStringLiteral("Set LUFS level by LUFS Level slider. You can correct this setting by LUFS "
                       "Offset control slider. Example: LUFS Level is set to -16 and LUFS Offset "
                       "is set to -2. Resulting LUFS is sum of this values, eg. -16 plus -2 = "
                       "-18 dB. "),
    };
    QCOMPARE(labelTexts(info), expected);
    checkExitButton(info, QStringLiteral("Command1"), QStringLiteral("Exit"));
}

void TestInfoWindows::rearPanel()
{
    frmRearPanel panel;
    panel.show();
    QCOMPARE(panel.windowTitle(), QStringLiteral("Rear Panel of Orvex"));
    QVERIFY(!hasCloseBox(panel));
    checkPicture(panel, QSize(697, 135));
    QCOMPARE(panel.grab().toImage().pixelColor(2, 2), QColor(128, 128, 255));
    checkExitButton(panel, QStringLiteral("Command1"), QStringLiteral("Exit"));
}

void TestInfoWindows::openedModalChangingNothing_data()
{
    QTest::addColumn<QString>("opener");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("exitButton");
    QTest::newRow("About") << "About"
                           << "frmAbout"
                           << "cmdOk";
    QTest::newRow("LUFS Info") << "Command1"
                               << "frmAboutWiz"
                               << "Command1";
    QTest::newRow("View Rear Panel") << "cmdRearPanel"
                                     << "frmRearPanel"
                                     << "Command1";
}

void TestInfoWindows::openedModalChangingNothing()
{
    QFETCH(QString, opener);
    QFETCH(QString, window);
    QFETCH(QString, exitButton);
    PanelFixture fx;
    fx.prompts.messages.clear();
    frmMain& w = *fx.window;
    w.show();
    QList<int> before;
    for (int i = 0; i < model::kMemberCount; ++i) {
        before << w.params().value(model::memberAt(i));
    }

    std::function<void()> open;
    if (auto* item = w.findChild<QAction*>(opener)) {
        open = [item] { item->trigger(); };
    } else if (auto* button = w.findChild<QPushButton*>(opener)) {
        open = [button] { button->click(); };
    }
    QVERIFY2(open, "opener missing");
    bool modal = false;
    QPointer<QDialog> opened;
    QCOMPARE(whileModal(open, exitButton,
                        [&](QDialog& d) {
                            modal = d.isModal() && d.parentWidget() == &w;
                            opened = &d;
                        }),
             window);
    QVERIFY(modal);
    QVERIFY(opened.isNull());
    for (int i = 0; i < model::kMemberCount; ++i) {
        QCOMPARE(w.params().value(model::memberAt(i)), before.at(i));
    }
    QCOMPARE(fx.line.openAttempts, 0);
    QVERIFY(fx.prompts.messages.isEmpty());
}

QTEST_MAIN(TestInfoWindows)
#include "test_infowindows.moc"
