#include "WorkbookFile.h"

#include "base/GridOutput.h"
#include "text/NumberText.h"

#include <QFile>
#include <QString>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <random>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace nax {

namespace {

constexpr size_t kMaxNameBytes = 150;
constexpr int kMaxNameTries = 1000;

QString qtPath(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

bool forbiddenInName(unsigned char c) {
    return c < 0x20 || c == 0x7F ||
           std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos;
}

std::string withSuffix(const std::string& name, int number) {
    if (number <= 1) return name;
    const size_t dot = name.rfind('.');
    const std::string suffix = " (" + std::to_string(number) + ")";
    return dot == std::string::npos || dot == 0 ? name + suffix
                                                : name.substr(0, dot) + suffix + name.substr(dot);
}

enum class Renamed { Done, Taken, Failed };

// Renames without ever replacing an existing file, in one step where the system allows it.
Renamed renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                        std::string& why) {
#ifdef _WIN32
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return Renamed::Done;
    const DWORD code = GetLastError();
    if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) return Renamed::Taken;
    why = "system error " + std::to_string(code);
    return Renamed::Failed;
#else
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return Renamed::Done;
    }
    if (errno == EEXIST) return Renamed::Taken;
    // A file system without hard links: check, then rename.
    std::error_code ec;
    if (std::filesystem::exists(to, ec)) return Renamed::Taken;
    std::filesystem::rename(from, to, ec);
    if (!ec) return Renamed::Done;
    why = ec.message();
    return Renamed::Failed;
#endif
}

} // namespace

std::string serialStamp(double now) {
    return formatGeneral(std::round(now * 86400.0) / 86400.0);
}

std::string fileNameSafe(std::string_view name) {
    std::string safe;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == ':')
            safe += '.';
        else if (byte < 0x20 || byte == 0x7F)
            continue;
        else
            safe += forbiddenInName(byte) ? '_' : c;
    }
    if (safe.size() > kMaxNameBytes) {
        size_t cut = kMaxNameBytes;
        while (cut > 0 && (static_cast<unsigned char>(safe[cut]) & 0xC0) == 0x80)
            --cut; // never in the middle of a character
        safe.resize(cut);
    }
    while (!safe.empty() && (safe.back() == '.' || safe.back() == ' '))
        safe.pop_back();
    return safe;
}

bool isPlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == ".." || name.size() > 255) return false;
    for (char c : name)
        if (forbiddenInName(static_cast<unsigned char>(c))) return false;
    return true;
}

Result<PendingFile> PendingFile::reserve(const std::filesystem::path& folder) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        return Error{0, "The folder " + folder.string() + " does not exist or is not a folder."};
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < kMaxNameTries; ++attempt) {
        const auto temp = folder / ("~nax-export-" + std::to_string(random() % 1000000000u) + ".tmp");
        QFile file(qtPath(temp));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return PendingFile(folder, temp);
        if (!file.exists())
            return Error{0, "No file can be written into the folder " + folder.string() + ": " +
                                file.errorString().toStdString() + "."};
    }
    return Error{0, "No temporary name is free in the folder " + folder.string() + "."};
}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : folder_(std::move(other.folder_)), temp_(std::move(other.temp_)), committed_(other.committed_) {
    other.committed_ = true;
}

PendingFile::~PendingFile() {
    if (committed_ || temp_.empty()) return;
    std::error_code ec;
    std::filesystem::remove(temp_, ec);
}

Result<std::filesystem::path> PendingFile::commit(const std::string& name, bool firstNameOnly) {
    for (int number = 1; number <= (firstNameOnly ? 1 : kMaxNameTries); ++number) {
        const auto target = folder_ / withSuffix(name, number);
        std::string why;
        switch (renameNoReplace(temp_, target, why)) {
        case Renamed::Done:
            committed_ = true;
            return target;
        case Renamed::Taken:
            continue;
        case Renamed::Failed:
            return Error{0, "The file could not be named " + target.string() + ": " + why + "."};
        }
    }
    return Error{0, "The name " + name + " is taken in the data folder " + folder_.string() + "."};
}

Result<std::filesystem::path> PendingFile::replace(const std::filesystem::path& target) {
    if (isWrittenThrough(target.string())) return writeThrough(target);
    if (auto writable = checkWritable(target.string()); !writable) return writable.error();
    std::error_code ec;
    std::filesystem::rename(temp_, target, ec);
    if (ec) return Error{0, "The file could not be named " + target.string() + ": " + ec.message() + "."};
    committed_ = true;
    return target;
}

// A FIFO or a device keeps its place: the finished file is copied into it.
Result<std::filesystem::path> PendingFile::writeThrough(const std::filesystem::path& target) {
    QFile source(qtPath(temp_));
    if (!source.open(QIODevice::ReadOnly))
        return Error{0, "Cannot read " + temp_.string() + ": " + source.errorString().toStdString()};
    auto written = writeFileReplacing(target.string(), [&source](std::ostream& out) {
        char chunk[64 * 1024];
        for (qint64 got; out && (got = source.read(chunk, sizeof chunk)) > 0;)
            out.write(chunk, got);
        if (source.error() != QFileDevice::NoError) out.setstate(std::ios::failbit);
    });
    if (!written) return written.error();
    return target;
}

} // namespace nax
