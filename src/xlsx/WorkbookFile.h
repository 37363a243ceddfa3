#pragma once
// Where an exported workbook goes: a temporary file in the data folder while it is written, then
// a time-stamped name there. An existing file is never replaced.
#include "base/Result.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace nax {

// "46361.5416666667" for 05-Dec-26 13:00:00: the clock to the second as a day serial.
std::string serialStamp(double now);

// A name turned into one a file can carry on any desktop: separators, ":" and the other
// characters a file name cannot hold become "_" (":" becomes "."), control characters go,
// trailing dots and blanks go, and it is cut to a sane length.
std::string fileNameSafe(std::string_view name);

// True for a plain file name: no folder part, not "." or "..", nothing a file name cannot hold.
bool isPlainFileName(std::string_view name);

class PendingFile {
public:
    // Reserves a new temporary file in the folder.
    static Result<PendingFile> reserve(const std::filesystem::path& folder);
    PendingFile(PendingFile&& other) noexcept;
    PendingFile& operator=(PendingFile&&) = delete;
    ~PendingFile(); // removes the temporary file unless it was committed

    const std::filesystem::path& path() const { return temp_; }
    // Gives the finished file the name `name` in the folder; when that is taken, "name (2).ext",
    // "name (3).ext" and so on, unless `firstNameOnly`. Answers the final path.
    Result<std::filesystem::path> commit(const std::string& name, bool firstNameOnly = false);
    // Gives the finished file the path `target` in the same folder, replacing what is there; a
    // FIFO or device there is written through instead, a read-only file refused.
    Result<std::filesystem::path> replace(const std::filesystem::path& target);

private:
    Result<std::filesystem::path> writeThrough(const std::filesystem::path& target);
    PendingFile(std::filesystem::path folder, std::filesystem::path temp)
        : folder_(std::move(folder)), temp_(std::move(temp)) {}
    std::filesystem::path folder_;
    std::filesystem::path temp_;
    bool committed_ = false;
};

} // namespace nax
