#include "support/PanelFixture.h"

#include <QAccessible>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

// The menu bar and the toolbar: items, captions, separators, shortcuts and keys in order.
class TestPanelMenus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void menuBarInOrder();
    void submenus_data();
    void submenus();
    void portItemsFoundByName();
    void toolbarInOrder();
    void toolbarKeysFitLeftOfTheButton();
    void toolbarKeyReachesTheDispatch();
    void menuItemsAreNamed();

private:
    // One line per action: "name|caption|shortcut|flags" with flags c (checkable),
    // h (hidden), d (disabled); separators as "name|-".
    static QStringList describe(const QList<QAction*>& actions)
    {
        QStringList out;
        for (QAction* a : actions) {
            if (a->isSeparator()) {
                out << a->objectName() + QStringLiteral("|-");
                continue;
            }
            QString flags;
            if (a->isCheckable()) {
                flags += QLatin1Char('c');
            }
            if (!a->isVisible()) {
                flags += QLatin1Char('h');
            }
            if (!a->isEnabled()) {
                flags += QLatin1Char('d');
            }
            out << QStringList{a->objectName(), a->text(),
                               a->shortcut().toString(QKeySequence::PortableText), flags}
                       .join(QLatin1Char('|'));
        }
        return out;
    }
};

void TestPanelMenus::menuBarInOrder()
{
    PanelFixture fx(false);
    const QStringList expected = {
        "File|&File||",
        "Edit|&Edit||",
        "PortSetup|&Port setup||",
        "PrasetSounds|&Preset sounds||",
        "Options|&Options||",
        "Testsignal|&Test signal||",
        "DenNoc|&Day/Night||",
        "UserPresets|&User presets||",
        "Tools|Too&ls||",
        "AboutHelp|&Help||",
    };
    QCOMPARE(describe(fx.window->menuBar()->actions()), expected);
    // The three items of the bar itself act when clicked: they open no submenu.
    for (const char* name : {"Testsignal", "DenNoc", "UserPresets"}) {
        auto* a = fx.window->menuBar()->findChild<QAction*>(QLatin1String(name));
        QVERIFY(a != nullptr);
        QVERIFY(a->menu() == nullptr);
    }
    // No item carries a check mark when the window is created.
    for (QAction* a : fx.window->menuBar()->findChildren<QAction*>()) {
        QVERIFY2(!a->isChecked(), qPrintable(a->objectName()));
    }
}

void TestPanelMenus::submenus_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("File") << "File"
                          << QStringList{"Open|&Open|Ctrl+O|", "Save|&Save|Ctrl+S|", "Oddelovac1|-",
                                         "Exit|&Exit|Ctrl+E|"};
    QTest::newRow("PortSetup")
        << "PortSetup"
        << QStringList{"Port1|Use port &1||c",
                       "Port2|Use port &2||c",
                       "oddel1|-",
                       "Port3|Use  port &3 (USB -> RS232  driver and cable necessary)||c",
                       "Port4|Use port &4 (USB -> RS232  driver and cable necessary)||c",
                       "oddel2|-",
                       "mnuCustom|Use other port  for USB or TCP/IP Remote||c"};
    QTest::newRow("PrasetSounds") << "PrasetSounds"
                                  << QStringList{"GoldenDance|&Universal -18 LUFS||",
                                                 "MUniversal|&M - Universal -18 LUFS||",
                                                 "Speed|&Speed -18 LUFS||",
                                                 "MSpeed|&M - Speed -18 LUFS||"};
    QTest::newRow("Options") << "Options"
                             << QStringList{"Space|&Turbo/ Double processing||c",
                                            "Digin|&Digital input AES3 (AES/EBU)||c",
                                            "oddelovac4|-",
                                            "Daynight|&Enable Day/Night by switch ||c",
                                            "AutoDensity|&Bass density Follows Density||chd"};
    QTest::newRow("AboutHelp") << "AboutHelp" << QStringList{"Help|Help||", "About|About||"};
}

void TestPanelMenus::submenus()
{
    QFETCH(QString, menu);
    QFETCH(QStringList, items);
    PanelFixture fx(false);
    auto* m = fx.window->menuBar()->findChild<QMenu*>(menu);
    QVERIFY(m != nullptr);
    QCOMPARE(describe(m->actions()), items);
}

void TestPanelMenus::portItemsFoundByName()
{
    PanelFixture fx(false);
    for (const char* name : {"Port1", "Port2", "Port3", "Port4", "mnuCustom"}) {
        auto* a = fx.window->findChild<QAction*>(QLatin1String(name));
        QVERIFY2(a != nullptr && a->isCheckable(), name);
    }
}

void TestPanelMenus::toolbarInOrder()
{
    PanelFixture fx(false);
    QStringList seen;
    for (QAction* a : fx.window->toolbar()->actions()) {
        if (a->isSeparator()) {
            seen << QStringLiteral("-");
            continue;
        }
        QCOMPARE(a->objectName(), a->data().toString());
        QVERIFY2(!a->icon().isNull(), qPrintable(a->objectName()));
        seen << a->data().toString() + QLatin1Char('|') + a->toolTip();
    }
    const QStringList expected = {
        "sendd|Send data to Orvex",
        "sendn|Send nighttime settings",
        "-",
        "uplod|Upload data from Orvex",
        "uplon|Upload nightime settings",
        "-",
        "-",
        "-",
        "pre1|Send preset 1",
        "pre2|Send preset 2",
        "pre3|Send preset 3",
        "pre4|Send preset 4",
        "pre5|Send preset 5",
    };
    QCOMPARE(seen, expected);

    // Each key shows a picture of its own.
    QList<QImage> pictures;
    for (QAction* a : fx.window->toolbar()->actions()) {
        if (!a->isSeparator()) {
            const QImage img = a->icon().pixmap(16, 16).toImage();
            QVERIFY2(!pictures.contains(img), qPrintable(a->objectName()));
            pictures << img;
        }
    }
}

void TestPanelMenus::toolbarKeysFitLeftOfTheButton()
{
    PanelFixture fx(false);
    fx.window->show();
    QWidget* last = fx.window->toolbar()->widgetForAction(fx.window->toolbar()->actions().last());
    QVERIFY(last != nullptr);
    QVERIFY(last->isVisible());
    QVERIFY2(last->geometry().right() < fx.window->paraButton()->geometry().left(),
             qPrintable(QString::number(last->geometry().right())));
}

void TestPanelMenus::toolbarKeyReachesTheDispatch()
{
    PanelFixture fx(false);
    fx.window->show();
    QCOMPARE(fx.window->UploadWait, 0);
    auto* uplod = fx.window->toolbar()->findChild<QAction*>(QStringLiteral("uplod"));
    QVERIFY(uplod != nullptr);
    // Only the upload key sets the wait before it asks the processor.
    QWidget* key = fx.window->toolbar()->widgetForAction(uplod);
    QTest::mouseClick(key, Qt::LeftButton);
    QCOMPARE(fx.window->UploadWait, 800);
    // The same key from the keyboard.
    fx.window->UploadWait = 0;
    QCOMPARE(key->focusPolicy(), Qt::TabFocus);
    QTest::keyClick(key, Qt::Key_Space);
    QCOMPARE(fx.window->UploadWait, 800);
}

void TestPanelMenus::menuItemsAreNamed()
{
    PanelFixture fx(false);
    auto* options = fx.window->menuBar()->findChild<QMenu*>(QStringLiteral("Options"));
    QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(options);
    QVERIFY(menu != nullptr);
    QStringList names;
    for (int i = 0; i < menu->childCount(); ++i) {
        names << menu->child(i)->text(QAccessible::Name);
    }
    QVERIFY2(names.contains(QStringLiteral("Turbo/ Double processing")),
             qPrintable(names.join('|')));
    QVERIFY(names.contains(QStringLiteral("Digital input AES3 (AES/EBU)")));
}

QTEST_MAIN(TestPanelMenus)
#include "test_panel_menus.moc"
