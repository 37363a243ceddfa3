#pragma once
// The parts of an .xlsx package (a zip of XML parts) held in memory, and the helpers the parts
// are read, edited and written with. Inside the workbook code only.
#include "base/Result.h"

#include <pugixml.hpp>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nax::xlsx {

class XlsxPackage {
public:
    struct Entry {
        std::string name;
        std::string data;
        bool removed = false;
    };

    // Limits on what a package may hold; a package beyond them is refused.
    static constexpr uint64_t kMaxPackageBytes = 64ull << 20;
    static constexpr uint64_t kMaxEntryBytes = 128ull << 20;
    static constexpr uint64_t kMaxTotalBytes = 384ull << 20;
    static constexpr int64_t kMaxEntries = 4096;

    // Reads every entry of the package at `path`; each refusal begins with `refuse`.
    static Result<std::unique_ptr<XlsxPackage>> read(const std::filesystem::path& path,
                                                     const std::string& refuse);

    // The entry of that name, unless removed.
    Entry* find(const std::string& name);

    // Writes the entries not removed as a new package at `path`; each failure begins with `failed`.
    Result<void> write(const std::filesystem::path& path, const std::string& failed) const;

private:
    std::vector<Entry> entries_;
    std::map<std::string, size_t> byName_;
};

// Paths inside a package.
std::string folderOf(std::string_view part); // "xl/workbook.xml" -> "xl/"
std::string relationshipsOf(std::string_view part);
std::string resolvePart(std::string_view source, std::string_view target); // a relationship's target
bool endsWith(std::string_view text, std::string_view tail);

// The XML of the parts: read keeping declarations and document types (so that they can be
// refused), written back raw as UTF-8.
inline constexpr unsigned kParseFlags =
    pugi::parse_default | pugi::parse_declaration | pugi::parse_doctype | pugi::parse_ws_pcdata_single;
Result<void> parseXml(const std::string& data, pugi::xml_document& doc, const std::string& refuse,
                      const std::string& part);
std::string serialize(const pugi::xml_document& doc);

void setCount(pugi::xml_node list); // the list's count attribute made true
pugi::xml_node childAt(pugi::xml_node list, int index);
// Inserts a child named `name` before the first child named in `followers`, else at the end.
pugi::xml_node insertBeforeAny(pugi::xml_node parent, const char* name,
                               std::initializer_list<const char*> followers);
pugi::xml_attribute attribute(pugi::xml_node node, const char* name); // found or added

} // namespace nax::xlsx
