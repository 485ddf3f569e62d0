#pragma once

#include "log_store.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// A fresh program directory for one test, with helpers to put bytes into its
// "Entry.Dat" and read them back.

namespace pintwise {

class TempLog {
public:
    TempLog() { QVERIFY2(m_dir.isValid(), "cannot create a temporary directory"); }

    QString directory() const { return m_dir.path(); }
    std::string directoryPath() const { return m_dir.path().toStdString(); }
    QString filePath() const { return m_dir.filePath(LogStore::kDataFileName); }
    bool exists() const { return QFile::exists(filePath()); }

    void write(const QByteArray& bytes) const
    {
        QFile file(filePath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    QByteArray read() const
    {
        QFile file(filePath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll();
    }

private:
    QTemporaryDir m_dir;
};

// The entry window's text fields by objectName, in record order
// (Field::Bier ... Field::Notes): recordBytes() takes their texts in this order.
inline constexpr const char* kFieldNames[kFieldCount]
    = { "txtBier", "txtCountry", "txtLocation", "txtBrewery", "txtPurchese",
        "txtCost", "txtStyle",   "txtTaste",    "txtColor",   "txtNotes" };

// One record's 380 file bytes: each given field space-padded to its width
// (20 bytes, 200 for the tenth); fields not given are all spaces.
inline QByteArray recordBytes(const QList<QByteArray>& fields)
{
    QByteArray bytes;
    for (int i = 0; i < kFieldCount; ++i) {
        const int width = i == kFieldCount - 1 ? 200 : 20;
        QByteArray field = i < fields.size() ? fields[i].left(width) : QByteArray();
        bytes += field + QByteArray(width - field.size(), ' ');
    }
    return bytes;
}

// A record whose ten fields are "<name> 1" ... "<name> 10", each padded.
inline QByteArray sampleRecord(const QByteArray& name)
{
    QList<QByteArray> fields { name };
    for (int i = 2; i <= kFieldCount; ++i)
        fields.append(name + ' ' + QByteArray::number(i));
    return recordBytes(fields);
}

} // namespace pintwise
