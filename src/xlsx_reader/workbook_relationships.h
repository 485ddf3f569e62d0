#pragma once

#include "xml_push_parser.h"

#include <map>
#include <string>
#include <string_view>

// The package's relationships and the workbook part: which part is the
// workbook, its first worksheet, its shared strings and styles, and its date
// system. Targets are resolved to zip entry names here; whether a part
// exists, and reading it, is left to the caller.

namespace pintwise {

// A relationship's Type and its target, resolved.
struct Relationship {
    std::string type;
    std::string target;
};
// A .rels part's relationships by Id.
using Relationships = std::map<std::string, Relationship>;

// The folder of a part's path, "xl/" for "xl/workbook.xml".
std::string folderOf(const std::string& path);
// A relationship's target, relative to `folder` or absolute from the
// package root, as a zip entry name ("." and ".." resolved).
std::string resolveTarget(const std::string& folder, std::string_view target);
// The .rels part that belongs to `part`: "xl/_rels/workbook.xml.rels".
std::string relationshipsOf(const std::string& part);
// Whether a relationship's Type is the one whose last segment is `last`.
bool typeIs(std::string_view type, std::string_view last);

// A .rels part's relationships, their targets resolved against `folder`;
// it checks neither that a target exists nor what its type means.
class RelationshipList final : public XmlHandler {
public:
    RelationshipList(std::string folder, Relationships& out)
        : m_folder(std::move(folder))
        , m_out(out)
    {
    }
    bool start(std::string_view name, const XmlAttributes& attributes) override;

private:
    std::string m_folder;
    Relationships& m_out;
};

// The workbook's date system and the target of its first sheet that is a
// worksheet; the other sheets and the names are not read.
class WorkbookSheets final : public XmlHandler {
public:
    explicit WorkbookSheets(const Relationships& relationships)
        : m_relationships(relationships)
    {
    }
    bool start(std::string_view name, const XmlAttributes& attributes) override;

    bool date1904 = false;
    std::string sheet; // empty when the workbook has no worksheet

private:
    const Relationships& m_relationships;
};

} // namespace pintwise
