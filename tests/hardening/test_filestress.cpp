// The working file written at close when the program folder, writable when the panel started,
// has since filled up or stopped taking writes: the operator is told, and the file from before
// stays byte for byte. Root writes anywhere, so the folder goes bad in a private mount namespace
// (a full file system, a read-only mount) or for an unprivileged owner.
#include "OldPanel.h"
#include "storage/Unprivileged.h"
#include "support/FileBytes.h"

#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>

namespace {

QString stressProbe()
{
    return QDir(qEnvironmentVariable("ORVEX_BIN_DIR"))
        .filePath(QStringLiteral("orvex_stress_probe"));
}

// The shell lines that give the folder a mount of its own, inside the namespace.
QString mountFor(const QString& how)
{
    if (how == QLatin1String("full")) {
        return QStringLiteral("mount -t tmpfs -o size=64k tmpfs \"$1\" || exit 3\n");
    }
    return QStringLiteral("mount --bind \"$1\" \"$1\" || exit 3\n");
}

} // namespace

class TestFileStress : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void workingFileAtClose_data();
    void workingFileAtClose();
};

void TestFileStress::workingFileAtClose_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("entries"); // what the folder holds after the close

    // Nothing is left behind: no half-written temporary file, no settings file.
    QTest::newRow("disk full") << "full"
                               << "Disk full"
                               << "actual.DAB,fill";
    QTest::newRow("read-only mount") << "readonly"
                                     << "Permission denied"
                                     << "actual.DAB";
    QTest::newRow("folder no longer writable for its user") << "locked"
                                                            << "Permission denied"
                                                            << "actual.DAB";
}

void TestFileStress::workingFileAtClose()
{
    QFETCH(QString, how);
    QFETCH(QString, message);
    QFETCH(QString, entries);

    QTemporaryDir dir;
    QStringList command;
    if (how == QLatin1String("locked")) {
        ORVEX_SKIP_UNLESS_UNPRIVILEGED(prefix)
        // The unprivileged user owns the folder, so it may take its own write permission away.
        if (::geteuid() == 0) {
            const passwd* nobody = ::getpwnam("nobody");
            QVERIFY(nobody != nullptr);
            QVERIFY(::chown(QFile::encodeName(dir.path()).constData(), nobody->pw_uid,
                            nobody->pw_gid) == 0);
        }
        command = *prefix + QStringList{stressProbe(), QStringLiteral("close"), dir.path(), how};
    } else {
        const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
        if (unshare.isEmpty()) {
            QSKIP("unshare is not installed: no private mount namespace for the folder");
        }
        const QStringList ns = ::geteuid() == 0 ? QStringList{QStringLiteral("--mount")}
                                                : QStringList{QStringLiteral("--map-root-user"),
                                                              QStringLiteral("--mount")};
        const QString script = mountFor(how) + QStringLiteral("exec \"$2\" close \"$1\" \"$3\"\n");
        command =
            QStringList{unshare} + ns +
            QStringList{QStringLiteral("sh"), QStringLiteral("-c"), script, QStringLiteral("sh"),
                        dir.path(),           stressProbe(),        how};
    }

    const probe::Result r = probe::run(command, QProcessEnvironment::systemEnvironment());
    probe::restoreFolder(dir.path());
    // The probe never ran: unshare or the mount was refused.
    if (how != QLatin1String("locked") && !r.values.contains(QStringLiteral("started"))) {
        QSKIP(qPrintable(QStringLiteral("no private mount namespace with a mount of its own "
                                        "here (exit %1): %2")
                             .arg(r.exitCode)
                             .arg(r.errors)));
    }
    QVERIFY2(r.finished && r.exitCode == 0,
             qPrintable(r.values.value(QStringLiteral("setup")) + r.errors));

    // The folder was writable at start, so the panel kept its files there.
    QCOMPARE(r.values.value(QStringLiteral("datadir")), QDir::toNativeSeparators(dir.path()));
    QCOMPARE(r.values.value(QStringLiteral("loadMessages")), QStringLiteral("0"));
    QCOMPARE(r.values.value(QStringLiteral("loaded")), QStringLiteral("1"));
    if (how != QLatin1String("full")) {
        QCOMPARE(r.values.value(QStringLiteral("writable")), QStringLiteral("0"));
    }

    // One message, for the working file; the settings file fails without a word.
    QCOMPARE(r.values.value(QStringLiteral("closeMessages")), QStringLiteral("1"));
    QCOMPARE(r.values.value(QStringLiteral("closeText")), message);
    QCOMPARE(r.values.value(QStringLiteral("closeTitle")), QStringLiteral("OrvexDAB"));
    QCOMPARE(r.values.value(QStringLiteral("intact")), QStringLiteral("1"));
    QCOMPARE(r.values.value(QStringLiteral("entries")), entries);
    if (how != QLatin1String("full")) {
        // Outside the namespace, or back as root: the file on disk is the one from before.
        QCOMPARE(contentOf(dir.filePath(QStringLiteral("actual.DAB"))), stress::oldWorkingFile());
    }
}

QTEST_GUILESS_MAIN(TestFileStress)
#include "test_filestress.moc"
