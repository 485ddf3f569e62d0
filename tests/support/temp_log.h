#pragma once

#include "log_store.h"
#include "typed_entry.h"

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

// paddedRecord() and savedRecord() of typed_entry.h, as QByteArrays.
inline QByteArray recordBytes(const QList<QByteArray>& fields)
{
    std::vector<std::string> texts;
    for (const QByteArray& field : fields)
        texts.push_back(field.toStdString());
    return QByteArray::fromStdString(paddedRecord(texts));
}

inline QByteArray sampleRecord(const QByteArray& name)
{
    return QByteArray::fromStdString(savedRecord(name.toStdString()));
}

} // namespace pintwise
