#include "json_reader.h"

#include "json_scanner.h"
#include "record_writers.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace pintwise {
namespace {

enum class Type { Null, Bool, Number, String, Array, Object };

const char* typeName(Type type)
{
    switch (type) {
    case Type::Null:
        return "null";
    case Type::Bool:
        return "a boolean";
    case Type::Number:
        return "a number";
    case Type::String:
        return "a string";
    case Type::Array:
        return "an array";
    case Type::Object:
        return "an object";
    }
    return "not a string";
}

struct Member {
    std::string key;
    Type type = Type::Null;
    std::string text; // a string's value
};

// Recursive descent over the whole text. A syntax error stops it at once;
// what is wrong with a well-formed document (an element that is no object,
// a key that is no column) waits until the end, since a syntax error
// anywhere outranks it. The tokens are JsonScanner's.
class Parser : private JsonScanner {
public:
    Parser(std::string_view text, const JsonReader::RowHandler& handler)
        : JsonScanner(text)
        , m_handler(handler)
    {
    }

    // The error's text, or nothing.
    std::optional<std::string> run()
    {
        if (m_text.starts_with("\xEF\xBB\xBF"))
            m_at = 3;
        const char first = nextToken();
        if (first == '[') {
            std::array<std::string, kFieldCount> names;
            for (int f = 0; f < kFieldCount; ++f)
                names[std::size_t(f)] = kColumnNames[std::size_t(f) + 1];
            m_handler(0, names);
            parseRows();
        } else if (first == '{') {
            Type ignored {};
            parseObject(ignored, 1);
            note("is not a JSON array of objects, as export writes");
        } else {
            fail("illegal value");
        }
        if (!m_syntax && eatSpace())
            fail("garbage at the end of the document");
        if (m_syntax) {
            const auto line = 1 + std::count(m_text.begin(), m_text.begin() + std::ptrdiff_t(m_errorAt), '\n');
            return "is not valid JSON: line " + std::to_string(line) + ": " + *m_syntax;
        }
        return m_semantic;
    }

private:
    static constexpr int kMaxDepth = 1024;

    void note(const std::string& what)
    {
        if (!m_semantic)
            m_semantic = what;
    }

    void parseRows()
    {
        if (eatSpace() && m_text[m_at] == ']') {
            ++m_at;
            return;
        }
        for (int n = 1;; ++n) {
            if (!eatSpace()) {
                fail("unterminated array");
                return;
            }
            if (m_text[m_at] == '{') {
                ++m_at;
                m_members.clear();
                Type ignored {};
                if (!parseObject(ignored, 1, &m_members))
                    return;
                if (!m_semantic)
                    takeRow(n);
            } else {
                Type type {};
                if (!parseValue(type, 1, nullptr))
                    return;
                note("object " + std::to_string(n) + " is " + typeName(type) + ", not an object");
            }
            const char token = nextToken();
            if (token == ']')
                return;
            if (token != ',') {
                fail(token ? "missing value separator" : "unterminated array");
                return;
            }
            if (eatSpace() && m_text[m_at] == ']') {
                fail("object is missing after a comma");
                return;
            }
        }
    }

    // One element of the array: its keys as a QJsonObject-like map would hold
    // them (sorted, the last of a repeated key winning), then matched to the
    // columns.
    void takeRow(int n)
    {
        std::stable_sort(m_members.begin(), m_members.end(),
                         [](const Member& a, const Member& b) { return a.key < b.key; });
        const std::string where = "object " + std::to_string(n);
        m_fields.fill(std::string());
        std::string unknown;
        int unknownCount = 0;
        for (std::size_t i = 0; i < m_members.size(); ++i) {
            if (i + 1 < m_members.size() && m_members[i + 1].key == m_members[i].key)
                continue;
            const Member& member = m_members[i];
            const auto column = std::find_if(kColumnNames.begin(), kColumnNames.end(),
                                             [&](const char* name) { return equalIgnoringCase(member.key, name); });
            if (column == kColumnNames.end()) {
                (unknown += unknownCount++ ? ", \"" : "\"") += member.key + "\"";
                continue;
            }
            if (column == kColumnNames.begin())
                continue; // Record: the log numbers its entries itself
            if (member.type != Type::String) {
                note(where + ": the value of \"" + member.key + "\" is " + typeName(member.type) + ", not a string");
                return;
            }
            m_fields[std::size_t(column - kColumnNames.begin() - 1)] = member.text;
        }
        if (unknownCount > 0) {
            note(where + (unknownCount == 1 ? " has an unknown key " : " has unknown keys ") + unknown
                 + "; the keys are Record, Bier, Country, Location, Brewery, Purchese, Cost, Style, Taste, Color and "
                   "Notes");
            return;
        }
        m_handler(n, m_fields);
    }

    // After the '{'. With `members`, each key and value is kept.
    bool parseObject(Type& type, int depth, std::vector<Member>* members = nullptr)
    {
        type = Type::Object;
        if (depth > kMaxDepth)
            return fail("too deeply nested document");
        char token = nextToken();
        while (token == '"') {
            Member* member = nullptr;
            if (members)
                member = &members->emplace_back();
            std::string ignored;
            if (!parseString(member ? member->key : ignored))
                return false;
            if (nextToken() != ':')
                return fail("missing name separator");
            if (!eatSpace())
                return fail("unterminated object");
            Type valueType {};
            if (!parseValue(valueType, depth, member ? &member->text : nullptr))
                return false;
            if (member)
                member->type = valueType;
            token = nextToken();
            if (token != ',')
                break;
            token = nextToken();
            if (token == '}')
                return fail("object is missing after a comma");
        }
        if (token != '}')
            return fail("unterminated object");
        return true;
    }

    // After the '['.
    bool parseArray(int depth)
    {
        if (depth > kMaxDepth)
            return fail("too deeply nested document");
        if (!eatSpace())
            return fail("unterminated array");
        if (m_text[m_at] == ']') {
            ++m_at;
            return true;
        }
        for (;;) {
            if (!eatSpace())
                return fail("unterminated array");
            Type ignored {};
            if (!parseValue(ignored, depth, nullptr))
                return false;
            const char token = nextToken();
            if (token == ']')
                return true;
            if (token != ',')
                return fail(token ? "missing value separator" : "unterminated array");
            if (eatSpace() && m_text[m_at] == ']')
                return fail("object is missing after a comma");
        }
    }

    // At a value's first character. A string's text goes to `text` if given.
    bool parseValue(Type& type, int depth, std::string* text)
    {
        const char c = m_text[m_at++];
        switch (c) {
        case '"': {
            type = Type::String;
            std::string ignored;
            return parseString(text ? *text : ignored);
        }
        case '[':
            type = Type::Array;
            return parseArray(depth + 1);
        case '{':
            return parseObject(type, depth + 1);
        case 't':
            type = Type::Bool;
            return literal("rue");
        case 'f':
            type = Type::Bool;
            return literal("alse");
        case 'n':
            type = Type::Null;
            return literal("ull");
        case ']':
        case '}':
            return fail("object is missing after a comma");
        case ',':
            return fail("illegal value");
        default:
            type = Type::Number;
            --m_at;
            return parseNumber();
        }
    }

    const JsonReader::RowHandler& m_handler;
    std::optional<std::string> m_semantic;
    std::vector<Member> m_members;
    std::array<std::string, kFieldCount> m_fields;
};

} // namespace

JsonReader::JsonReader(RowHandler handler)
    : m_handler(std::move(handler))
{
}

bool JsonReader::read(std::string_view bytes)
{
    Parser parser(bytes, m_handler);
    if (auto error = parser.run()) {
        m_error = std::move(*error);
        return false;
    }
    return true;
}

} // namespace pintwise
