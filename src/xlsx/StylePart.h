#pragma once
// The style part of a template being filled: new cell formats derived from a cell's own, one per
// distinct change.
#include "CellText.h"
#include "base/Result.h"

#include <pugixml.hpp>

#include <map>
#include <string>
#include <string_view>
#include <tuple>

namespace nax::xlsx {

class StylePart {
public:
    pugi::xml_document doc;
    std::string part;

    Result<void> attach(const std::string& refuse);

    // Index of a format that is `base` plus the style and number format.
    int derive(int base, const CellStyle& style, std::string_view numberFormat);

private:
    int deriveFont(int base, const CellStyle& style);

    int numberFormatId(std::string_view code);

    pugi::xml_node root_, cellXfs_, fonts_;
    std::map<std::tuple<int, bool, double, bool, bool, std::string>, int> cache_;
};

} // namespace nax::xlsx
