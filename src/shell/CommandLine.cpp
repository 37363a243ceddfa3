#include "CommandLine.h"

#include "TextRules.h"

#include <QDateTime>

namespace nax {

std::optional<double> parseDateArgument(std::string_view text) {
    const QString value = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).trimmed();
    for (const auto* format : {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm"}) {
        QDateTime parsed = QDateTime::fromString(value, QString::fromLatin1(format));
        if (parsed.isValid()) return DateToSerial(QDateTime(parsed.date(), parsed.time(), Qt::UTC));
    }
    return std::nullopt;
}

namespace {
void writeTsvCell(std::ostream& out, std::string_view cell) {
    for (const char c : cell)
        out.put(c == '\t' || c == '\n' || c == '\r' ? ' ' : c);
}

void writeCsvCell(std::ostream& out, std::string_view cell) {
    if (cell.find_first_of(",\"\r\n") == std::string_view::npos) {
        out << cell;
        return;
    }
    out.put('"');
    for (const char c : cell) {
        if (c == '"') out.put('"');
        out.put(c);
    }
    out.put('"');
}
} // namespace

void writeGrid(std::ostream& out, const ReportGrid& grid, GridFormat format) {
    const char separator = format == GridFormat::Tsv ? '\t' : ',';
    const char* lineEnd = format == GridFormat::Tsv ? "\n" : "\r\n";
    for (int r = 0; r < grid.rows(); ++r) {
        for (int c = 0; c < grid.cols(); ++c) {
            if (c > 0) out.put(separator);
            if (format == GridFormat::Tsv)
                writeTsvCell(out, grid.cell(r, c));
            else
                writeCsvCell(out, grid.cell(r, c));
        }
        out << lineEnd;
    }
}

} // namespace nax
