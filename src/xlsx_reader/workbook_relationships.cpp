// Relationship targets and the workbook's sheets; the archive and the XML
// parse are the caller's.

#include "workbook_relationships.h"

#include <vector>

namespace pintwise {
namespace {

constexpr std::string_view kRelationships = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

} // namespace

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string resolveTarget(const std::string& folder, std::string_view target)
{
    std::string path(target);
    if (path.starts_with('/'))
        return path.substr(1);
    path = folder + path;
    std::vector<std::string> kept;
    std::size_t from = 0;
    while (from <= path.size()) {
        auto slash = path.find('/', from);
        if (slash == std::string::npos)
            slash = path.size();
        const std::string piece = path.substr(from, slash - from);
        if (piece == "..") {
            if (!kept.empty())
                kept.pop_back();
        } else if (!piece.empty() && piece != ".") {
            kept.push_back(piece);
        }
        from = slash + 1;
    }
    std::string joined;
    for (const std::string& piece : kept)
        (joined += joined.empty() ? "" : "/") += piece;
    return joined;
}

std::string relationshipsOf(const std::string& part)
{
    const std::string folder = folderOf(part);
    return folder + "_rels/" + part.substr(folder.size()) + ".rels";
}

bool typeIs(std::string_view type, std::string_view last)
{
    return type.ends_with(last) && type.size() > last.size() && type[type.size() - last.size() - 1] == '/';
}

bool RelationshipList::start(std::string_view name, const XmlAttributes& attributes)
{
    if (name == "Relationship")
        m_out[std::string(attributes.value("Id"))]
            = { std::string(attributes.value("Type")), resolveTarget(m_folder, attributes.value("Target")) };
    return true;
}

bool WorkbookSheets::start(std::string_view name, const XmlAttributes& attributes)
{
    if (name == "workbookPr") {
        const auto value = attributes.value("date1904");
        date1904 = value == "1" || value == "true";
    } else if (name == "sheet" && sheet.empty()) {
        const auto found = m_relationships.find(std::string(attributes.value("id", kRelationships)));
        if (found != m_relationships.end() && typeIs(found->second.type, "worksheet"))
            sheet = found->second.target;
    }
    return true;
}

} // namespace pintwise
