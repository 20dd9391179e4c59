#include "app/frmMain.h"
#include "dialogs/Para.h"
#include "dialogs/Printing.h"
#include "support/MemoryLine.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnvironment.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// A main window whose printouts go to the given target.
struct PrintFixture
{
    explicit PrintFixture(PrintTarget* printer)
    {
        env = testEnvironment(dir.path(), prompts, line);
        env.printer = printer;
        window = std::make_unique<frmMain>(env);
    }

    QTemporaryDir dir;
    ScriptedPrompts prompts;
    MemoryLine line;
    AppEnvironment env;
    std::unique_ptr<frmMain> window;
};

// The text layer of a PDF, as a reader would extract it.
QString pdfText(const QString& path)
{
    QProcess p;
    p.start(QStandardPaths::findExecutable("pdftotext"), {"-layout", path, "-"});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

void expectPrinterMessage(const ScriptedPrompts& prompts)
{
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages[0].text, QString("Check printer connection !"));
    QCOMPARE(prompts.messages[0].title, QString(" "));
    QCOMPARE(prompts.messages[0].icon, PromptIcon::Exclamation);
}

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void printoutHoldsEditsAndNotes();
    void noPrinterGivesMessage();
    void unwritablePdfGivesMessage();
    void noDefaultPrinterGivesMessage();
};

void TestPrinting::initTestCase()
{
    QVERIFY2(!QStandardPaths::findExecutable("pdftotext").isEmpty(),
             "pdftotext (poppler-utils) is needed to read printouts back");
}

void TestPrinting::printoutHoldsEditsAndNotes()
{
    QTemporaryDir out;
    PdfPrinter pdf(out.filePath("para.pdf"));
    PrintFixture f(&pdf);
    QVERIFY(f.window->params().setValue(model::Member::ranges, 222));
    Para w(f.window->session(), f.prompts, f.env.printer, f.window.get());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.findChild<QLineEdit*>("txtGate")->setText("177");
    w.findChild<QPlainTextEdit*>("txtMemo")->setPlainText("Studio B morning mix");
    w.Print_Click();
    QVERIFY(f.prompts.messages.isEmpty());
    QVERIFY(w.isVisible());

    const QString text = pdfText(pdf.path());
    QVERIFY2(text.contains("177"), qPrintable(text));
    QVERIFY(text.contains("222"));
    QVERIFY(text.contains("Studio B morning mix"));
    QVERIFY(text.contains("Orvex DAB+"));
    QVERIFY(text.contains("Gate Level"));
    QVERIFY(text.contains("Spatial Enhancer ON"));
    QVERIFY(text.contains("Send edited parameters to main panel"));
    // Unsent edits reach the paper only.
    QCOMPARE(f.window->params().value(model::Member::gate), 1);
}

void TestPrinting::noPrinterGivesMessage()
{
    SystemPrinter none{QPrinterInfo()};
    PrintFixture f(&none);
    Para w(f.window->session(), f.prompts, f.env.printer, f.window.get());
    w.show();
    w.Print_Click();
    expectPrinterMessage(f.prompts);
    QVERIFY(w.isVisible());
}

void TestPrinting::unwritablePdfGivesMessage()
{
    QTemporaryDir out;
    PdfPrinter pdf(out.filePath("missing/para.pdf"));
    PrintFixture f(&pdf);
    Para w(f.window->session(), f.prompts, f.env.printer, f.window.get());
    w.show();
    w.Print_Click();
    expectPrinterMessage(f.prompts);
    QVERIFY(w.isVisible());
}

void TestPrinting::noDefaultPrinterGivesMessage()
{
    if (!QPrinterInfo::defaultPrinter().isNull()) {
        QSKIP("this machine has a default printer; a real page is never printed by a test");
    }
    PrintFixture f(nullptr);
    Para w(f.window->session(), f.prompts, f.env.printer, f.window.get());
    w.show();
    w.Print_Click();
    expectPrinterMessage(f.prompts);
}

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
