#pragma once
// Workbooks read back by openpyxl (an independent reader), and small edits of a package's parts
// to make damaged or hostile templates.
#include <QJsonObject>

#include <filesystem>
#include <functional>
#include <string>

namespace nax::test {

// The workbook as read_workbook.py reports it; an empty object (and a test failure) when the
// reader cannot read it.
QJsonObject readWorkbook(const std::filesystem::path& file);

// One field of a cell ("v" value, "t" kind, "bold", "size", "wrap", "fmt") as text: a number as
// QString::number writes it, a flag as "true"/"false"; "" for a missing cell or field.
std::string cellField(const QJsonObject& book, const char* sheet, const char* address,
                      const char* field = "v");

// What the reader says of a whole sheet under `key`: "merges", "selected", "charts", "cells", ...
QJsonValue sheetValue(const QJsonObject& book, const char* sheet, const char* key);

// The stored width of a column of a sheet, "none" when the column has no entry.
std::string columnWidth(const QJsonObject& book, const char* sheet, const char* column);

// The text of one part of an .xlsx package; empty when it has none.
std::string readPart(const std::filesystem::path& file, const std::string& part);

// Rewrites one part of an .xlsx package with `edit` (a missing part is created).
void rewritePart(const std::filesystem::path& file, const std::string& part,
                 const std::function<std::string(std::string)>& edit);

// Files of a folder whose names end with `suffix`, sorted.
std::vector<std::string> filesEndingWith(const std::filesystem::path& folder, const std::string& suffix);

} // namespace nax::test
