#include "code_page.h"
#include "record.h"
#include "record_text.h"

#include <QTest>

using namespace pintwise;

Q_DECLARE_METATYPE(pintwise::Field)

namespace {

// The field as a window shows it, in Qt's string type.
QString fieldText(const Record& record, Field field)
{
    return QString::fromStdU16String(fieldText16(record, field));
}

QByteArray fileForm(const Record& record)
{
    const RecordBytes bytes = record.toBytes();
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), kRecordSize);
}

Record fromFileForm(const QByteArray& data)
{
    RecordBytes bytes {};
    std::copy(data.begin(), data.end(), bytes.begin());
    return Record::fromBytes(bytes);
}

} // namespace

class TestRecord : public QObject {
    Q_OBJECT

private slots:
    void storing_data()
    {
        QTest::addColumn<Field>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kept");        // the characters the field then reads, before padding
        QTest::addColumn<QByteArray>("fileText"); // their file bytes, before padding
        const char* names[]
            = { "Bier", "Country", "Location", "Brewery", "Purchese", "Cost", "Style", "Taste", "Color" };
        for (int i = 0; i < 9; ++i)
            QTest::addRow("%s at %d", names[i], i * 20) << Field(i) << "ab"
                                                        << "ab" << QByteArray("ab");
        QTest::newRow("Notes at 180") << Field::Notes << "ab"
                                      << "ab" << QByteArray("ab");
        const QString twenty = "abcdefghijklmnopqrst";
        QTest::newRow("20 characters kept") << Field::Bier << twenty << twenty << twenty.toLatin1();
        QTest::newRow("21 characters cut") << Field::Color << twenty + "u" << twenty << twenty.toLatin1();
        const QString notes = QString(199, 'n') + "x";
        QTest::newRow("notes 200 kept") << Field::Notes << notes << notes << notes.toLatin1();
        QTest::newRow("notes 250 cut") << Field::Notes << notes + QString(50, 'y') << notes << notes.toLatin1();
        QTest::newRow("empty") << Field::Cost << ""
                               << "" << QByteArray();
        QTest::newRow("outer spaces kept") << Field::Style << "  ale "
                                           << "  ale " << QByteArray("  ale ");
        const QString accents = QString::fromUtf8("é€Ÿ");
        QTest::newRow("e acute, euro, Y diaeresis")
            << Field::Country << accents << accents << QByteArray("\xE9\x80\x9F");
        const QString emoji = QString::fromUtf8("\xF0\x9F\x8D\xBA"); // outside the BMP: a surrogate pair in UTF-16
        QTest::newRow("emoji") << Field::Taste << "a" + emoji + "b"
                               << "a?b" << QByteArray("a?b");
        QTest::newRow("21 emoji cut to 20")
            << Field::Bier << emoji.repeated(21) << QString(20, '?') << QByteArray(20, '?');
        QTest::newRow("CJK") << Field::Location << QString::fromUtf8("京") << "?" << QByteArray("?");
    }

    // The field reads as the kept characters padded to its width, each as the
    // file keeps it; in the file they land at its offset and every other byte
    // of the zero record stays zero.
    void storing()
    {
        QFETCH(Field, field);
        QFETCH(QString, text);
        QFETCH(QString, kept);
        QFETCH(QByteArray, fileText);
        const auto [offset, width] = fieldLayout(field);
        Record record;
        const QList<uint> ucs4 = text.toUcs4();
        record.setField(field, std::u32string(ucs4.begin(), ucs4.end()));
        QCOMPARE(fieldText(record, field), kept + QString(qsizetype(width) - kept.toUcs4().size(), ' '));
        QByteArray expected(kRecordSize, '\0');
        expected.replace(qsizetype(offset), qsizetype(width),
                         fileText + QByteArray(qsizetype(width) - fileText.size(), ' '));
        QCOMPARE(fileForm(record), expected);
    }

    void zeroByteEndsText()
    {
        for (int i = 0; i < kFieldCount; ++i) {
            QCOMPARE(fieldText(Record(), Field(i)), QString());
            QCOMPARE(fieldText(Record::blank(), Field(i)), QString(int(fieldLayout(Field(i)).width), ' '));
        }
        QCOMPARE(fileForm(Record::blank()), QByteArray(kRecordSize, ' '));
        QByteArray bytes(kRecordSize, ' ');
        bytes.replace(20, 5, QByteArray("ab\0cd", 5));
        QCOMPARE(fieldText(fromFileForm(bytes), Field::Country), "ab");
    }

    void codePage_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<uint>("codePoint");
        // Latin-1 outside 0x80-0x9F; the five bytes left undefined there keep their own value.
        const QList<QPair<int, uint>> rows
            = { { 0x41, 0x41 }, { 0x80, 0x20AC }, { 0x9F, 0x178 }, { 0xE9, 0xE9 }, { 0x81, 0x81 },
                { 0x8D, 0x8D }, { 0x8F, 0x8F },   { 0x90, 0x90 },  { 0x9D, 0x9D } };
        for (const auto& [byte, codePoint] : rows)
            QTest::addRow("0x%X", byte) << byte << codePoint;
    }

    void codePage()
    {
        QFETCH(int, byte);
        QFETCH(uint, codePoint);
        QCOMPARE(uint(codePointFromByte(static_cast<unsigned char>(byte))), codePoint);
        QCOMPARE(int(byteFromCodePoint(codePoint)), byte);
    }

    void everyByteRoundTrips()
    {
        QByteArray bytes(kRecordSize, '\0');
        for (int i = 0; i < int(kRecordSize); ++i)
            bytes[i] = char((i + 1) % 256);
        QCOMPARE(fileForm(fromFileForm(bytes)), bytes);
    }

    void counting_data()
    {
        QTest::addColumn<qulonglong>("length");
        QTest::addColumn<qlonglong>("records");
        const QList<QPair<qulonglong, qlonglong>> rows
            = { { 0, 0 },   { 189, 0 }, { 190, 0 }, { 191, 1 },  { 380, 1 },          { 569, 1 },         { 570, 2 },
                { 571, 2 }, { 950, 2 }, { 951, 3 }, { 1330, 4 }, { 12451649, 32767 }, { 12451650, 32768 } };
        for (const auto& [length, records] : rows)
            QTest::addRow("%llu bytes", length) << length << records;
    }

    void counting()
    {
        QFETCH(qulonglong, length);
        QFETCH(qlonglong, records);
        QCOMPARE(recordCountForLength(length), records);
    }
};

QTEST_MAIN(TestRecord)
#include "test_record.moc"
