#include "GridOutput.h"

#include <QSaveFile>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <streambuf>

namespace nax {

namespace {
void writeTsvCell(std::ostream& out, std::string_view cell) {
    for (size_t i = 0; i < cell.size(); ++i) {
        const char c = cell[i];
        if (c == '\r' && i + 1 < cell.size() && cell[i + 1] == '\n') continue; // CR LF is one break
        out.put(c == '\t' || c == '\n' || c == '\r' ? ' ' : c);
    }
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

// A stream buffer over a QIODevice that remembers the first failed write.
class DeviceBuffer : public std::streambuf {
public:
    explicit DeviceBuffer(QIODevice& device) : device_(device) { setp(buffer_, buffer_ + sizeof buffer_); }

protected:
    int_type overflow(int_type c) override {
        if (!flushBuffer()) return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return flushBuffer() ? 0 : -1; }

private:
    bool flushBuffer() {
        const qint64 size = pptr() - pbase();
        if (size > 0 && device_.write(pbase(), size) != size) return false;
        setp(buffer_, buffer_ + sizeof buffer_);
        return true;
    }
    QIODevice& device_;
    char buffer_[64 * 1024];
};
} // namespace

void writeGrid(std::ostream& out, const ReportGrid& grid, GridFormat format) {
    const char separator = format == GridFormat::Tsv ? '\t' : ',';
    const char* lineEnd = format == GridFormat::Tsv ? "\n" : "\r\n";
    for (int r = 0; r < grid.rows() && out; ++r) {
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

Result<void> writeFileReplacing(const std::string& path, const std::function<void(std::ostream&)>& write) {
    QSaveFile file(QString::fromStdString(path));
    const auto failure = [&](const QString& why) {
        file.cancelWriting();
        return Error{0, "Cannot write " + path + ": " + why.toStdString()};
    };
    // Unbuffered: a short write shows at once instead of vanishing in the device's own flush.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return failure(file.errorString());
    DeviceBuffer buffer(file);
    std::ostream out(&buffer);
    write(out);
    out.flush();
    if (!out)
        return failure(file.error() != QFileDevice::NoError ? file.errorString()
                                                            : QStringLiteral("the output was not complete"));
    if (!file.commit()) return Error{0, "Cannot write " + path + ": " + file.errorString().toStdString()};
    return success();
}

Result<void> writeStandardOutput(const std::function<void(std::ostream&)>& write) {
    write(std::cout);
    std::cout.flush();
    const bool written = static_cast<bool>(std::cout) && std::fflush(stdout) == 0 && !std::ferror(stdout);
    if (!written) return Error{0, "Cannot write the standard output"};
    return success();
}

bool sameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::equivalent(a, b, error)) return true;
    const fs::path left = fs::weakly_canonical(a, error);
    if (error) return false;
    const fs::path right = fs::weakly_canonical(b, error);
    return !error && left == right;
}

} // namespace nax
