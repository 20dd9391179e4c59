// The bounded reader behind the parameter and settings files: what is not a small regular
// file is refused before it is read, promptly, whatever sits at the path.
#include "Unprivileged.h"
#include "model/ParameterSet.h"
#include "storage/ParameterFile.h"
#include "storage/SettingsFile.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// Far beyond any prompt answer; only keeps a reader that blocks from hanging the test.
constexpr auto kHangBound = 5s;

const QByteArray kPanel(" 128 \r\n 200 \r\n 3 \r\n 4 \r\n 5 \r\n 6 \r\n 7 \r\n 8 \r\n 9 \r\n"
                        " 10 \r\n 11 \r\n 12 \r\n 13 \r\n 14 \r\n 15 \r\n 16 \r\n 17 \r\n 18 \r\n"
                        " 19 \r\n 21 \r\n 20 \r\n 22 \r\n 23 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n"
                        " 28 \r\n 29 \r\n 30 \r\n 31 \r\n 32 \r\n");

enum class Setup
{
    Fifo,
    LinkToZero,
    Directory,
    PanelPaddedTo, // the panel, then blanks up to `size` bytes
    SparseFile,    // `size` bytes that take no disk space
};

struct Reads
{
    std::optional<storage::FileError> parameters;
    std::optional<quint8> port;
    qint64 us = 0;
};

// Both readers in a thread of their own; nothing when they did not come back in time (a FIFO
// is then opened for writing, to let a blocked open go on).
std::optional<Reads> readBounded(const QString& path)
{
    auto promise = std::make_shared<std::promise<Reads>>();
    std::future<Reads> done = promise->get_future();
    std::thread([path, promise] {
        QElapsedTimer clock;
        clock.start();
        Reads r;
        model::ParameterSet set;
        r.parameters = storage::readParameterFile(path, set);
        r.port = storage::readSettingsFile(path);
        r.us = clock.nsecsElapsed() / 1000;
        promise->set_value(r);
    }).detach();
    if (done.wait_for(kHangBound) == std::future_status::ready) {
        return done.get();
    }
    for (int i = 0; i < 50 && done.wait_for(100ms) != std::future_status::ready; ++i) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            ::close(fd);
        }
    }
    return std::nullopt;
}

} // namespace

Q_DECLARE_METATYPE(Setup)

class TestSmallFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refusedPromptly_data();
    void refusedPromptly();
    void unreadableFile();
};

void TestSmallFile::refusedPromptly_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("error"); // empty: the panel loads
    const QString refused = QStringLiteral("Path/File access error");
    QTest::newRow("FIFO without a writer") << Setup::Fifo << 0LL << refused;
    QTest::newRow("link to /dev/zero") << Setup::LinkToZero << 0LL << refused;
    QTest::newRow("directory") << Setup::Directory << 0LL << refused;
    QTest::newRow("65 537 bytes") << Setup::PanelPaddedTo << 65537LL << refused;
    QTest::newRow("65 536 bytes load") << Setup::PanelPaddedTo << 65536LL << QString();
    QTest::newRow("sparse 500 MB") << Setup::SparseFile << 500'000'000LL << refused;
}

void TestSmallFile::refusedPromptly()
{
    QFETCH(Setup, setup);
    QFETCH(qint64, size);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("actual.DAB"));
    QFile file(path);
    switch (setup) {
    case Setup::Fifo:
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        break;
    case Setup::LinkToZero:
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        break;
    case Setup::Directory:
        QVERIFY(QDir().mkdir(path));
        break;
    case Setup::PanelPaddedTo:
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(kPanel + QByteArray(size - kPanel.size(), ' ')), size);
        file.close();
        break;
    case Setup::SparseFile:
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(size));
        file.close();
        break;
    }

    const std::optional<Reads> r = readBounded(path);
    QVERIFY2(r.has_value(), "the readers did not come back");
    qInfo("%s: both readers returned in %lld us", QTest::currentDataTag(), r->us);
    if (error.isEmpty()) {
        QCOMPARE(r->parameters, std::nullopt);
        QCOMPARE(r->port, std::optional<quint8>(128));
    } else {
        QVERIFY(r->parameters.has_value());
        QCOMPARE(r->parameters->description(), error);
        QCOMPARE(r->port, std::nullopt);
    }
}

void TestSmallFile::unreadableFile()
{
    ORVEX_SKIP_UNLESS_UNPRIVILEGED(prefix)
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("actual.DAB"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(kPanel);
    file.close();
    QVERIFY(QFile::setPermissions(path, {}));
    QVERIFY(probe::openFolder(dir.path(), false));
    const probe::Result r =
        probe::run(*prefix + QStringList{probe::program(), QStringLiteral("readparams"), path},
                   QProcessEnvironment::systemEnvironment());
    probe::restoreFolder(dir.path());
    QVERIFY2(r.finished && r.exitCode == 0, qPrintable(r.errors));
    QCOMPARE(r.values.value(QStringLiteral("error")), QStringLiteral("Permission denied"));
}

QTEST_GUILESS_MAIN(TestSmallFile)
#include "test_smallfile.moc"
