#include "storage/FieldReader.h"
#include "storage/ParameterFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using model::Member;
using storage::FileErrorKind;

namespace {

// A panel whose every field differs from its initial value and from the others, with its
// file written out by hand in file order.
const QList<int> kPanelFields{128, 200, 3,  4,  5,  6,  7,  8, 9, 10, 11, 12, 13, 14, 15, 16,
                              17,  18,  19, 21, 20, 22, 23, 1, 1, 1,  1,  28, 29, 30, 31, 32};
const QByteArray kPanelBytes = " 128 \r\n 200 \r\n 3 \r\n 4 \r\n 5 \r\n 6 \r\n 7 \r\n 8 \r\n"
                               " 9 \r\n 10 \r\n 11 \r\n 12 \r\n 13 \r\n 14 \r\n 15 \r\n 16 \r\n"
                               " 17 \r\n 18 \r\n 19 \r\n 21 \r\n 20 \r\n 22 \r\n 23 \r\n 1 \r\n"
                               " 1 \r\n 1 \r\n 1 \r\n 28 \r\n 29 \r\n 30 \r\n 31 \r\n 32 \r\n";

void setPanel(model::ParameterSet& set)
{
    const QList<QPair<Member, int>> values{
        {Member::gate, 128},       {Member::ranges, 200},    {Member::bassrel, 3},
        {Member::masterrel, 4},    {Member::bassamount, 5},  {Member::eq200600, 6},
        {Member::eq60016, 7},      {Member::eq1638, 8},      {Member::eq3815, 9},
        {Member::rel200600, 10},   {Member::rel60016, 11},   {Member::rel1638, 12},
        {Member::rel3815, 13},     {Member::density, 14},    {Member::obbass, 15},
        {Member::ob200600, 16},    {Member::ob60016, 17},    {Member::ob1638, 18},
        {Member::ob3815, 19},      {Member::optidrive, 21},  {Member::mpxpow, 20},
        {Member::mainexp, 22},     {Member::mclipdrive, 23}, {Member::Space, 1},
        {Member::Digin, 1},        {Member::chkTurbo, 1},    {Member::MSlimit, 28},
        {Member::Enhancement, 29}, {Member::LFShift, 30},    {Member::HFShift, 31},
        {Member::LUFSOffset, 32},
    };
    for (const auto& [m, v] : values) {
        QVERIFY(set.setValue(m, v));
    }
    // Set last, so density above did not move bassamount.
    set.setFlag(Member::AutoDensity, true);
}

QByteArray fileOf(const QList<int>& fields, const QByteArray& separator = " \r\n ")
{
    QByteArray bytes;
    for (int v : fields) {
        bytes += QByteArray::number(v) + separator;
    }
    return " " + bytes;
}

} // namespace

class TestParameterFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void printedLine_data();
    void printedLine();
    void knownPanelByteExact();
    void roundTripEveryFieldDifferent();
    void flagAndBoxSavedAsOne_data();
    void flagAndBoxSavedAsOne();

    void parseField_data();
    void parseField();
    void separators_data();
    void separators();
    void brokenFiles_data();
    void brokenFiles();
    void openFailures_data();
    void openFailures();

    void densityFollowsUnderMarkHeldBeforeRead();
    void fileMarkDoesNotMoveBassamountOfSameRead();

private:
    QString writeFile(const QByteArray& bytes);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestParameterFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestParameterFile::writeFile(const QByteArray& bytes)
{
    const QString path = m_dir->filePath(QStringLiteral("in.DAB"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        return {};
    }
    return path;
}

void TestParameterFile::printedLine_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("zero") << 0 << QByteArray(" 0 \r\n");
    QTest::newRow("128 is five characters and CR LF") << 128 << QByteArray(" 128 \r\n");
    QTest::newRow("255") << 255 << QByteArray(" 255 \r\n");
    QTest::newRow("negative takes the sign position") << -7 << QByteArray("-7 \r\n");
}

void TestParameterFile::printedLine()
{
    QFETCH(int, value);
    QFETCH(QByteArray, bytes);
    QCOMPARE(storage::printedLine(value), bytes);
}

void TestParameterFile::knownPanelByteExact()
{
    model::ParameterSet set;
    setPanel(set);
    QCOMPARE(storage::formatParameterFile(set), kPanelBytes);

    const QString path = m_dir->filePath(QStringLiteral("panel.DAB"));
    QCOMPARE(storage::writeParameterFile(path, set), std::nullopt);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), kPanelBytes);

    // The first run's panel.
    const model::ParameterSet initial;
    QCOMPARE(storage::formatParameterFile(initial),
             QByteArray(" 1 \r\n 255 \r\n 255 \r\n 255 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n"
                        " 255 \r\n 255 \r\n 255 \r\n 255 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n"
                        " 1 \r\n 1 \r\n 255 \r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n"
                        " 0 \r\n 0 \r\n 0 \r\n 0 \r\n 170 \r\n"));
}

void TestParameterFile::roundTripEveryFieldDifferent()
{
    model::ParameterSet source;
    setPanel(source);
    const QString path = m_dir->filePath(QStringLiteral("trip.DAB"));
    QCOMPARE(storage::writeParameterFile(path, source), std::nullopt);

    model::ParameterSet target;
    QCOMPARE(storage::readParameterFile(path, target), std::nullopt);
    for (const model::MemberInfo& i : model::members()) {
        if (i.member == Member::Daynight) {
            QCOMPARE(target.value(i.member), 0); // not in the file
        } else {
            QCOMPARE(target.value(i.member), source.value(i.member));
        }
    }
}

void TestParameterFile::flagAndBoxSavedAsOne_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("fieldValue");
    QTest::addColumn<int>("readBack");
    QTest::newRow("Space flag of 5") << 24 << 5 << 1;
    QTest::newRow("Digin flag of 255") << 25 << 255 << 1;
    QTest::newRow("AutoDensity flag of 2") << 26 << 2 << 1;
    QTest::newRow("chkTurbo of 2") << 27 << 2 << 1;
    QTest::newRow("chkTurbo of 0") << 27 << 0 << 0;
}

void TestParameterFile::flagAndBoxSavedAsOne()
{
    QFETCH(int, line);
    QFETCH(int, fieldValue);
    QFETCH(int, readBack);
    QList<int> fields = kPanelFields;
    fields[line - 1] = fieldValue;
    const Member m =
        std::array{Member::Space, Member::Digin, Member::AutoDensity, Member::chkTurbo}[line - 24];

    model::ParameterSet set;
    QCOMPARE(storage::readParameterFile(writeFile(fileOf(fields)), set), std::nullopt);
    QCOMPARE(set.value(m), readBack);
    QCOMPARE(storage::formatParameterFile(set).split('\n').at(line - 1),
             QByteArray(" ") + QByteArray::number(readBack) + " \r");

    // A greyed box held by the panel is saved as on.
    if (m == Member::chkTurbo) {
        QVERIFY(set.setValue(Member::chkTurbo, 2));
        QCOMPARE(storage::formatParameterFile(set).split('\n').at(26), QByteArray(" 1 \r"));
    }
}

void TestParameterFile::parseField_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("value"); // -1: expect the error
    QTest::addColumn<int>("error");
    const int none = -1;
    const auto mismatch = static_cast<int>(FileErrorKind::TypeMismatch);
    const auto overflow = static_cast<int>(FileErrorKind::Overflow);
    QTest::newRow("plain") << QByteArray("17") << 17 << none;
    QTest::newRow("leading zeros") << QByteArray("007") << 7 << none;
    QTest::newRow("plus sign") << QByteArray("+9") << 9 << none;
    QTest::newRow("255") << QByteArray("255") << 255 << none;
    QTest::newRow("256 overflows") << QByteArray("256") << -1 << overflow;
    QTest::newRow("many digits overflow") << QByteArray("99999999999999999999") << -1 << overflow;
    QTest::newRow("negative overflows") << QByteArray("-1") << -1 << overflow;
    QTest::newRow("minus zero is zero") << QByteArray("-0") << 0 << none;
    QTest::newRow("12.5 rounds to even 12") << QByteArray("12.5") << 12 << none;
    QTest::newRow("13.5 rounds to even 14") << QByteArray("13.5") << 14 << none;
    QTest::newRow("12.51 rounds up") << QByteArray("12.51") << 13 << none;
    QTest::newRow("12.49 rounds down") << QByteArray("12.49") << 12 << none;
    QTest::newRow("255.5 overflows") << QByteArray("255.5") << -1 << overflow;
    QTest::newRow("-0.4 rounds to zero") << QByteArray("-0.4") << 0 << none;
    QTest::newRow("-0.6 overflows") << QByteArray("-0.6") << -1 << overflow;
    QTest::newRow(".5 is zero") << QByteArray(".5") << 0 << none;
    QTest::newRow("7. is seven") << QByteArray("7.") << 7 << none;
    QTest::newRow("letters") << QByteArray("abc") << -1 << mismatch;
    QTest::newRow("digits then letters") << QByteArray("12abc") << -1 << mismatch;
    QTest::newRow("exponent") << QByteArray("1E2") << -1 << mismatch;
    QTest::newRow("sign alone") << QByteArray("-") << -1 << mismatch;
    QTest::newRow("point alone") << QByteArray(".") << -1 << mismatch;
    QTest::newRow("two points") << QByteArray("1.2.3") << -1 << mismatch;
}

void TestParameterFile::parseField()
{
    QFETCH(QByteArray, text);
    QFETCH(int, value);
    QFETCH(int, error);
    quint8 parsed = 99;
    const std::optional<FileErrorKind> result = storage::parseByte(text, parsed);
    if (error < 0) {
        QCOMPARE(result, std::nullopt);
        QCOMPARE(int(parsed), value);
    } else {
        QCOMPARE(result, std::optional(static_cast<FileErrorKind>(error)));
        QCOMPARE(int(parsed), 99);
    }
}

void TestParameterFile::separators_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("one per line") << fileOf(kPanelFields);
    QTest::newRow("commas on one line") << fileOf(kPanelFields, ",").chopped(1);
    QTest::newRow("comma and blanks") << fileOf(kPanelFields, " , ");
    QTest::newRow("blanks on one line") << fileOf(kPanelFields, "   ");
    QTest::newRow("tabs") << fileOf(kPanelFields, "\t");
    QTest::newRow("LF line ends") << fileOf(kPanelFields, "\n");
    QTest::newRow("CR line ends") << fileOf(kPanelFields, "\r");
    QTest::newRow("blank lines between") << fileOf(kPanelFields, "\r\n\r\n  \r\n");
    QTest::newRow("comma at line ends") << fileOf(kPanelFields, ",\r\n");
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF") + fileOf(kPanelFields);
    QTest::newRow("33 lines") << fileOf(kPanelFields + QList<int>{77});
    QTest::newRow("garbage after field 32")
        << fileOf(kPanelFields) + "not a number\r\n300\r\n" + QByteArray(5000, 'x');
    QTest::newRow("no final line end") << fileOf(kPanelFields).chopped(3);
}

void TestParameterFile::separators()
{
    QFETCH(QByteArray, bytes);
    model::ParameterSet set;
    QCOMPARE(storage::readParameterFile(writeFile(bytes), set), std::nullopt);
    QCOMPARE(storage::formatParameterFile(set), kPanelBytes);
}

void TestParameterFile::brokenFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("field");
    QTest::addColumn<QByteArray>("written"); // the panel afterwards, as its file
    // The initial panel with the first lines of kPanelFields applied.
    const auto appliedUpTo = [](int lines) {
        model::ParameterSet initial;
        QList<QByteArray> out = storage::formatParameterFile(initial).split('\n');
        const QList<QByteArray> read = kPanelBytes.split('\n');
        for (int i = 0; i < lines; ++i) {
            out[i] = read[i];
        }
        return out.join('\n');
    };
    const auto eof = static_cast<int>(FileErrorKind::InputPastEnd);
    const auto mismatch = static_cast<int>(FileErrorKind::TypeMismatch);
    const auto overflow = static_cast<int>(FileErrorKind::Overflow);

    QTest::newRow("31 lines leave LUFSOffset")
        << fileOf(kPanelFields.mid(0, 31)) << eof << 32 << appliedUpTo(31);
    QList<int> overflowing = kPanelFields;
    overflowing[1] = 300;
    QTest::newRow("300 on line 2 stops after line 1")
        << fileOf(overflowing) << overflow << 2 << appliedUpTo(1);
    QTest::newRow("empty file") << QByteArray() << eof << 1 << appliedUpTo(0);
    QTest::newRow("blanks only") << QByteArray(" \r\n\r\n \t ") << eof << 1 << appliedUpTo(0);
    QTest::newRow("letters on line 3")
        << fileOf(kPanelFields.mid(0, 2)) + "abc\r\n" + fileOf(kPanelFields.mid(3)) << mismatch << 3
        << appliedUpTo(2);
    QTest::newRow("empty field between commas")
        << QByteArray(" 128,,200") << mismatch << 2 << appliedUpTo(1);
    QTest::newRow("negative on line 5") << fileOf(kPanelFields.mid(0, 4)) + "-3\r\n"
                                        << overflow << 5 << appliedUpTo(4);
}

void TestParameterFile::brokenFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, error);
    QFETCH(int, field);
    QFETCH(QByteArray, written);
    model::ParameterSet set;
    const std::optional<storage::FileError> result =
        storage::readParameterFile(writeFile(bytes), set);
    QVERIFY(result.has_value());
    QCOMPARE(result->kind, static_cast<FileErrorKind>(error));
    QCOMPARE(result->field, field);
    QCOMPARE(storage::formatParameterFile(set), written);
}

void TestParameterFile::openFailures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    QTest::newRow("missing file") << QString("missing.DAB") << QString("File not found");
    QTest::newRow("missing folder") << QString("nofolder/x.DAB") << QString("Path not found");
    QTest::newRow("a directory") << QString("adir") << QString("Path/File access error");
}

void TestParameterFile::openFailures()
{
    QFETCH(QString, name);
    QFETCH(QString, description);
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("adir")));
    model::ParameterSet set;
    const std::optional<storage::FileError> result =
        storage::readParameterFile(m_dir->filePath(name), set);
    QVERIFY(result.has_value());
    QCOMPARE(result->description(), description);
    QCOMPARE(storage::formatParameterFile(set),
             storage::formatParameterFile(model::ParameterSet()));
}

void TestParameterFile::densityFollowsUnderMarkHeldBeforeRead()
{
    model::ParameterSet set;
    set.setFlag(Member::AutoDensity, true);
    QList<int> fields = kPanelFields;
    fields[4] = 10;   // bassamount
    fields[13] = 200; // density, differing from the current 1
    fields[25] = 0;   // AutoDensity cleared by the file
    QCOMPARE(storage::readParameterFile(writeFile(fileOf(fields)), set), std::nullopt);
    QCOMPARE(set.value(Member::bassamount), 200);
    QCOMPARE(set.value(Member::density), 200);
    QCOMPARE(set.value(Member::AutoDensity), 0);
}

void TestParameterFile::fileMarkDoesNotMoveBassamountOfSameRead()
{
    model::ParameterSet set;
    QList<int> fields = kPanelFields;
    fields[4] = 10;
    fields[13] = 200;
    fields[25] = 1;
    QCOMPARE(storage::readParameterFile(writeFile(fileOf(fields)), set), std::nullopt);
    QCOMPARE(set.value(Member::bassamount), 10);
    QCOMPARE(set.value(Member::AutoDensity), 1);
}

QTEST_GUILESS_MAIN(TestParameterFile)
#include "test_parameterfile.moc"
