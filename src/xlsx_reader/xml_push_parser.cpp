// libxml2's push parser behind XmlPushParser: the callbacks, the error
// message and the depth limit. What the elements mean is the handlers'.

#include "xml_push_parser.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

namespace pintwise {
namespace {

const char* charsOf(const xmlChar* text)
{
    return reinterpret_cast<const char*>(text);
}

} // namespace

std::string_view XmlAttributes::value(std::string_view name, std::string_view uri) const
{
    for (int i = 0; i < m_count; ++i) {
        const unsigned char* const* at = m_attributes + std::ptrdiff_t(5) * i;
        if (name != charsOf(at[0]))
            continue;
        if (uri.empty() ? at[1] == nullptr : at[2] != nullptr && uri == charsOf(at[2]))
            return { charsOf(at[3]), std::size_t(at[4] - at[3]) };
    }
    return {};
}

// One parse in progress.
struct XmlPushParser::Parse {
    Parse(std::string part, XmlHandler& to)
        : name(std::move(part))
        , handler(to)
    {
    }
    std::string name;
    XmlHandler& handler;
    std::unique_ptr<xmlParserCtxt, void (*)(xmlParserCtxtPtr)> context { nullptr, xmlFreeParserCtxt };
    int depth = 0;
    bool refused = false;
    std::string refusal; // the parser's own; empty when the handler refused
    int errorLine = 0;
    std::string errorText; // the first error's, empty while there is none

    void stop()
    {
        refused = true;
        xmlStopParser(context.get());
    }
};

namespace {

using Parse = XmlPushParser::Parse;

void onStart(void* data, const xmlChar* name, const xmlChar* /*prefix*/, const xmlChar* /*uri*/, int /*namespaceCount*/,
             const xmlChar** /*namespaces*/, int attributeCount, int /*defaulted*/, const xmlChar** attributes)
{
    auto& parse = *static_cast<Parse*>(data);
    if (parse.refused)
        return;
    // libxml2 keeps every open element's name and namespaces: without this,
    // each level of a part nesting millions would cost memory until the end.
    if (++parse.depth > XmlPushParser::kMaxDepth) {
        parse.refusal = parse.name + " nests its elements more than " + std::to_string(XmlPushParser::kMaxDepth)
            + " deep, far deeper than any workbook's parts";
        parse.stop();
    } else if (!parse.handler.start(charsOf(name), XmlAttributes(attributes, attributeCount))) {
        parse.stop();
    }
}

void onEnd(void* data, const xmlChar* name, const xmlChar* /*prefix*/, const xmlChar* /*uri*/)
{
    auto& parse = *static_cast<Parse*>(data);
    --parse.depth;
    if (!parse.refused && !parse.handler.end(charsOf(name)))
        parse.stop();
}

void onText(void* data, const xmlChar* text, int length)
{
    auto& parse = *static_cast<Parse*>(data);
    if (!parse.refused)
        parse.handler.text(std::string_view(charsOf(text), std::size_t(length)));
}

// libxml2's message to the first colon or line end: the names it adds after
// one repeat what the line number says, and the message must stay one line.
// A template for the error's constness, which differs between libxml2 releases.
template <typename Error> void onError(void* data, Error* error)
{
    auto& parse = *static_cast<Parse*>(data);
    if (error == nullptr || error->level < XML_ERR_ERROR || !parse.errorText.empty())
        return;
    std::string_view text = error->message ? error->message : "";
    text = text.substr(0, text.find_first_of(":\n"));
    while (!text.empty() && (text.back() == ' ' || text.back() == '!' || text.back() == '.'))
        text.remove_suffix(1);
    parse.errorText = std::string(text.empty() ? "an XML error" : text) + ".";
    parse.errorLine = error->line;
}

} // namespace

XmlPushParser::XmlPushParser(std::string name, XmlHandler& handler)
    : m_parse(std::make_unique<Parse>(std::move(name), handler))
{
    static const bool initialized = [] {
        xmlInitParser();
        return true;
    }();
    (void)initialized;
    // Only these callbacks (CDATA goes to characters): with none for DTDs
    // or entities, nothing is declared, loaded or expanded.
    xmlSAXHandler sax {};
    sax.initialized = XML_SAX2_MAGIC;
    sax.startElementNs = onStart;
    sax.endElementNs = onEnd;
    sax.characters = onText;
    sax.ignorableWhitespace = onText;
    sax.serror = onError;
    m_parse->context.reset(xmlCreatePushParserCtxt(&sax, m_parse.get(), nullptr, 0, m_parse->name.c_str()));
    if (m_parse->context)
        xmlCtxtUseOptions(m_parse->context.get(), XML_PARSE_NONET);
    else
        m_parse->refusal = m_parse->name + " cannot be read: out of memory";
}

XmlPushParser::~XmlPushParser() = default;

bool XmlPushParser::going() const
{
    const xmlParserCtxt* context = m_parse->context.get();
    return context != nullptr && !m_parse->refused && context->wellFormed != 0 && context->nsWellFormed != 0;
}

bool XmlPushParser::feed(std::string_view chunk)
{
    if (going())
        xmlParseChunk(m_parse->context.get(), chunk.data(), int(chunk.size()), 0);
    return going();
}

void XmlPushParser::finish()
{
    if (going())
        xmlParseChunk(m_parse->context.get(), nullptr, 0, 1);
}

std::optional<XmlFailure> XmlPushParser::failure() const
{
    if (!m_parse->context)
        return XmlFailure { false, m_parse->refusal };
    if (m_parse->refused)
        return XmlFailure { false, m_parse->refusal.empty() ? m_parse->handler.refusal : m_parse->refusal };
    if (!going()) {
        const std::string text = m_parse->errorText.empty() ? "an XML error." : m_parse->errorText;
        return XmlFailure { true,
                            m_parse->name + " is not well-formed XML (line " + std::to_string(m_parse->errorLine) + ": "
                                + text + ")" };
    }
    return std::nullopt;
}

} // namespace pintwise
