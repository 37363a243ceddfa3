#include "StylePart.h"

#include "XlsxPackage.h"

#include <algorithm>

namespace nax::xlsx {

Result<void> StylePart::attach(const std::string& refuse) {
    root_ = doc.document_element();
    cellXfs_ = root_.child("cellXfs");
    fonts_ = root_.child("fonts");
    if (std::string_view(root_.name()) != "styleSheet" || !cellXfs_ || !fonts_)
        return Error{0, refuse + "its style part lacks cell formats or fonts."};
    return success();
}

int StylePart::derive(int base, const CellStyle& style, std::string_view numberFormat) {
    const auto key =
        std::make_tuple(base, style.bold, style.size, style.wrap, style.centred, std::string(numberFormat));
    if (const auto found = cache_.find(key); found != cache_.end()) return found->second;
    pugi::xml_node original = childAt(cellXfs_, base);
    pugi::xml_node xf = original ? cellXfs_.append_copy(original) : cellXfs_.append_child("xf");
    for (const char* name : {"numFmtId", "fontId", "fillId", "borderId"})
        if (!xf.attribute(name)) xf.append_attribute(name) = 0;
    if (style.bold || style.size > 0) {
        attribute(xf, "fontId") = deriveFont(xf.attribute("fontId").as_int(), style);
        attribute(xf, "applyFont") = 1;
    }
    if (style.wrap || style.centred) {
        pugi::xml_node alignment =
            xf.child("alignment") ? xf.child("alignment") : xf.prepend_child("alignment");
        if (style.wrap) attribute(alignment, "wrapText") = 1;
        if (style.centred) attribute(alignment, "horizontal") = "center";
        attribute(xf, "applyAlignment") = 1;
    }
    if (!numberFormat.empty()) {
        attribute(xf, "numFmtId") = numberFormatId(numberFormat);
        attribute(xf, "applyNumberFormat") = 1;
    }
    setCount(cellXfs_);
    const int index =
        static_cast<int>(std::distance(cellXfs_.children().begin(), cellXfs_.children().end())) - 1;
    cache_.emplace(key, index);
    return index;
}

int StylePart::deriveFont(int base, const CellStyle& style) {
    pugi::xml_node original = childAt(fonts_, base);
    pugi::xml_node font = original ? fonts_.append_copy(original) : fonts_.append_child("font");
    if (style.bold) {
        font.remove_child("b");
        font.prepend_child("b");
    }
    if (style.size > 0) {
        pugi::xml_node size = font.child("sz") ? font.child("sz") : font.append_child("sz");
        attribute(size, "val") = style.size;
    }
    setCount(fonts_);
    return static_cast<int>(std::distance(fonts_.children().begin(), fonts_.children().end())) - 1;
}

int StylePart::numberFormatId(std::string_view code) {
    pugi::xml_node formats = root_.child("numFmts");
    if (!formats) formats = root_.prepend_child("numFmts");
    int highest = 163; // ids below 164 are the built-in formats
    for (pugi::xml_node format : formats.children("numFmt")) {
        if (code == format.attribute("formatCode").value()) return format.attribute("numFmtId").as_int();
        highest = std::max(highest, format.attribute("numFmtId").as_int());
    }
    pugi::xml_node format = formats.append_child("numFmt");
    format.append_attribute("numFmtId") = highest + 1;
    format.append_attribute("formatCode") = std::string(code).c_str();
    setCount(formats);
    return highest + 1;
}

} // namespace nax::xlsx
