#include "GridOutput.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <streambuf>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

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

Result<void> checkWritable(const std::string& path) {
#ifndef _WIN32
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return success();
    // The file's own write permission, not access(): the superuser may write anything, yet a file
    // made read-only is not to be written over by a report.
    const mode_t bit = info.st_uid == ::geteuid() ? S_IWUSR : info.st_gid == ::getegid() ? S_IWGRP : S_IWOTH;
    if (info.st_mode & bit) return success();
#else
    if (QFileInfo(QString::fromStdString(path)).isWritable()) return success();
#endif
    return Error{0, "Cannot write " + path + ": the existing file is not writable"};
}

bool isWrittenThrough(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    return std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
           !std::filesystem::is_directory(status);
}

namespace {
// `write` into an open device; failures name `path`.
Result<void> writeInto(QFileDevice& file, const std::string& path,
                       const std::function<void(std::ostream&)>& write) {
    DeviceBuffer buffer(file);
    std::ostream out(&buffer);
    write(out);
    out.flush();
    if (!out)
        return Error{0,
                     "Cannot write " + path + ": " +
                         (file.error() != QFileDevice::NoError ? file.errorString().toStdString()
                                                               : std::string("the output was not complete"))};
    return success();
}
} // namespace

Result<void> writeFileReplacing(const std::string& path, const std::function<void(std::ostream&)>& write) {
    if (isWrittenThrough(path)) {
        QFile target(QString::fromStdString(path));
        if (!target.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return Error{0, "Cannot write " + path + ": " + target.errorString().toStdString()};
        auto written = writeInto(target, path, write);
        target.close();
        return written;
    }
    if (auto writable = checkWritable(path); !writable) return writable;
    QSaveFile file(QString::fromStdString(path));
    // Unbuffered: a short write shows at once instead of vanishing in the device's own flush.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Error{0, "Cannot write " + path + ": " + file.errorString().toStdString()};
    if (auto written = writeInto(file, path, write); !written) {
        file.cancelWriting();
        return written;
    }
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

bool namesDatabaseFile(const std::string& out, const std::string& database) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        if (sameFile(out, database + suffix)) return true;
    return false;
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
