#include "json_reader.h"

#include "record_writers.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <array>

namespace pintwise {
namespace {

const char* typeName(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Null:
        return "null";
    case QJsonValue::Bool:
        return "a boolean";
    case QJsonValue::Double:
        return "a number";
    case QJsonValue::String:
        return "a string";
    case QJsonValue::Array:
        return "an array";
    case QJsonValue::Object:
        return "an object";
    default:
        return "not a string";
    }
}

} // namespace

JsonReader::JsonReader(RowHandler handler)
    : m_handler(std::move(handler))
{
}

bool JsonReader::read(std::string_view bytes)
{
    const QByteArray text = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()));
    QJsonParseError parsed {};
    const QJsonDocument document = QJsonDocument::fromJson(text, &parsed);
    if (parsed.error != QJsonParseError::NoError) {
        const auto line = 1
            + std::count(bytes.begin(),
                         bytes.begin() + std::min<std::ptrdiff_t>(parsed.offset, std::ptrdiff_t(bytes.size())), '\n');
        m_error = "is not valid JSON: line " + std::to_string(line) + ": " + parsed.errorString().toStdString();
        return false;
    }
    if (!document.isArray()) {
        m_error = "is not a JSON array of objects, as export writes";
        return false;
    }

    std::array<std::string, kFieldCount> fields;
    for (int f = 0; f < kFieldCount; ++f)
        fields[std::size_t(f)] = kColumnNames[std::size_t(f) + 1];
    m_handler(0, fields);

    const QJsonArray rows = document.array();
    for (qsizetype n = 0; n < rows.size(); ++n) {
        const std::string where = "object " + std::to_string(n + 1);
        if (!rows[n].isObject()) {
            m_error = where + " is " + typeName(rows[n]) + ", not an object";
            return false;
        }
        const QJsonObject object = rows[n].toObject();
        fields.fill(std::string());
        std::string unknown;
        int unknownCount = 0;
        for (auto key = object.begin(); key != object.end(); ++key) {
            const auto column = std::find_if(kColumnNames.begin(), kColumnNames.end(), [&](const char* name) {
                return key.key().compare(QLatin1StringView(name), Qt::CaseInsensitive) == 0;
            });
            if (column == kColumnNames.end()) {
                (unknown += unknownCount++ ? ", \"" : "\"") += key.key().toStdString() + "\"";
                continue;
            }
            if (column == kColumnNames.begin())
                continue; // Record: the log numbers its entries itself
            if (!key.value().isString()) {
                m_error = where + ": the value of \"" + key.key().toStdString() + "\" is " + typeName(key.value())
                    + ", not a string";
                return false;
            }
            fields[std::size_t(column - kColumnNames.begin() - 1)] = key.value().toString().toStdString();
        }
        if (unknownCount > 0) {
            m_error = where;
            m_error += unknownCount == 1 ? " has an unknown key " : " has unknown keys ";
            m_error += unknown;
            m_error += "; the keys are Record, Bier, Country, Location, Brewery, Purchese, Cost, Style, Taste, Color "
                       "and Notes";
            return false;
        }
        m_handler(int(n + 1), fields);
    }
    return true;
}

} // namespace pintwise
