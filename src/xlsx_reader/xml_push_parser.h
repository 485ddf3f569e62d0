#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The XML of one part, parsed as its bytes arrive: an adapter from libxml2's
// push parser and its callbacks to XmlHandler, an interface of our own. It
// loads no DTD, expands no entity (one that is not XML's own is an error),
// hands CDATA on as text, and refuses elements nested deeper than
// kMaxDepth. It knows nothing of archives or of what the elements mean.

namespace pintwise {

// A start tag's attributes as libxml2 hands them over: five pointers each,
// the local name, the prefix, the namespace and the value's first and
// past-the-end byte. A view, valid during the callback only; it copies nothing.
class XmlAttributes {
public:
    XmlAttributes(const unsigned char** attributes, int count)
        : m_attributes(attributes)
        , m_count(count)
    {
    }
    // The value of `name` without a prefix, or of `name` in the namespace
    // `uri`; empty when the tag has none.
    std::string_view value(std::string_view name, std::string_view uri = {}) const;

private:
    const unsigned char** m_attributes;
    int m_count;
};

// What a part's reader does with its elements and texts, in document order.
// start() and end() return false to stop the parse, with refusal saying why.
// It sees no XML errors: the parser reports those.
class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    virtual bool start(std::string_view name, const XmlAttributes& attributes) = 0;
    virtual bool end(std::string_view /*name*/) { return true; }
    virtual void text(std::string_view /*chars*/) { }

    std::string refusal;
};

// Why a part could not be read: `malformed` when its XML is the reason, and
// the message for the user either way.
struct XmlFailure {
    bool malformed = false;
    std::string message;
};

class XmlPushParser {
public:
    // No part of a workbook we read nests deeper than about a dozen
    // elements (a sheet's cell with rich text is seven); past this, a part
    // is refused at once, rather than costing memory for every level.
    static constexpr int kMaxDepth = 64;

    // `name` is the part's, for the messages.
    XmlPushParser(std::string name, XmlHandler& handler);
    ~XmlPushParser();
    XmlPushParser(const XmlPushParser&) = delete;
    XmlPushParser& operator=(const XmlPushParser&) = delete;

    // Parses the next bytes; false once the parse has stopped (the handler
    // refused, the XML is not well-formed, or it nests too deep).
    bool feed(std::string_view chunk);
    // The end of the part.
    void finish();
    // Whether the parse is still going: no refusal and no XML error so far.
    bool going() const;
    // Why the part was not read, or nothing after a good parse.
    std::optional<XmlFailure> failure() const;

    struct Parse; // what libxml2's callbacks reach, in the .cpp

private:
    std::unique_ptr<Parse> m_parse;
};

} // namespace pintwise
