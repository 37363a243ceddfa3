#include "WorkbookReader.h"

#include <QJsonDocument>
#include <QProcess>
#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>

namespace nax::test {

QJsonObject readWorkbook(const std::filesystem::path& file) {
    QProcess reader;
    reader.start(QStringLiteral(NAX_PYTHON),
                 {QStringLiteral(NAX_READ_WORKBOOK), QString::fromStdString(file.string())});
    reader.waitForFinished(60000);
    const QByteArray out = reader.readAllStandardOutput();
    if (reader.exitCode() != 0 || out.isEmpty()) {
        ADD_FAILURE() << "openpyxl cannot read " << file << ": "
                      << reader.readAllStandardError().toStdString();
        return {};
    }
    return QJsonDocument::fromJson(out).object();
}

std::string cellField(const QJsonObject& book, const char* sheet, const char* address, const char* field) {
    const QJsonValue value = book[QStringLiteral("sheet")][QString::fromUtf8(sheet)][QStringLiteral("cells")]
                                 [QString::fromUtf8(address)][QString::fromUtf8(field)];
    if (value.isBool()) return value.toBool() ? "true" : "false";
    if (value.isDouble()) return QString::number(value.toDouble()).toStdString();
    return value.toString().toStdString();
}

QJsonValue sheetValue(const QJsonObject& book, const char* sheet, const char* key) {
    return book[QStringLiteral("sheet")][QString::fromUtf8(sheet)][QString::fromUtf8(key)];
}

std::string columnWidth(const QJsonObject& book, const char* sheet, const char* column) {
    const QJsonObject entry = book[QStringLiteral("sheet")][QString::fromUtf8(sheet)]
                                  [QStringLiteral("widths")][QString::fromUtf8(column)]
                                      .toObject();
    return entry.isEmpty() ? "none"
                           : QString::number(entry[QStringLiteral("width")].toDouble()).toStdString();
}

std::string readPart(const std::filesystem::path& file, const std::string& part) {
    int code = 0;
    zip_t* archive = zip_open(file.string().c_str(), ZIP_RDONLY, &code);
    EXPECT_NE(archive, nullptr) << "cannot open " << file;
    std::string text;
    zip_stat_t stat;
    if (archive && zip_stat(archive, part.c_str(), 0, &stat) == 0) {
        text.resize(stat.size);
        zip_file_t* entry = zip_fopen(archive, part.c_str(), 0);
        EXPECT_NE(entry, nullptr);
        if (entry) {
            EXPECT_EQ(zip_fread(entry, text.data(), stat.size), static_cast<zip_int64_t>(stat.size));
            zip_fclose(entry);
        }
    }
    if (archive) zip_discard(archive);
    return text;
}

void rewritePart(const std::filesystem::path& file, const std::string& part,
                 const std::function<std::string(std::string)>& edit) {
    const std::string text = readPart(file, part);
    int code = 0;
    zip_t* archive = zip_open(file.string().c_str(), 0, &code);
    ASSERT_NE(archive, nullptr) << "cannot open " << file;
    static std::string kept; // must outlive zip_close
    kept = edit(text);
    zip_source_t* source = zip_source_buffer(archive, kept.data(), kept.size(), 0);
    ASSERT_GE(zip_file_add(archive, part.c_str(), source, ZIP_FL_OVERWRITE), 0);
    ASSERT_EQ(zip_close(archive), 0) << zip_strerror(archive);
}

std::vector<std::string> filesEndingWith(const std::filesystem::path& folder, const std::string& suffix) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.size() >= suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace nax::test
