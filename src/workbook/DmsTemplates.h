#pragma once
// The default DMS templates: a first sheet with title rows over the run grid, a second over the
// downtime detail grid, and a "RawData" sheet whose formulas sum up what "Print" writes, with a
// chart of the loss categories.
#include "shell/Result.h"

#include <filesystem>
#include <string>
#include <vector>

namespace nax {

enum class DmsTemplate { Daily, Hour };

// Writes the template to `path` (replacing what is there).
Result<void> writeDmsTemplate(DmsTemplate kind, const std::filesystem::path& path);

// Where an installed program finds the package's templates: ../share/nax/templates from the
// folder of `program` (its path).
std::filesystem::path installedTemplateFolder(const std::filesystem::path& program);

// The running program's path (from argv0 when the system cannot say; empty when unknown).
std::filesystem::path runningProgram(const char* argv0);

// Puts the default templates into the data folder where it has none of that name, copied from
// `installed` when it holds them, else written from code; a folder's own template is never
// replaced. Answers the names written.
Result<std::vector<std::string>> installDefaultTemplates(const std::filesystem::path& dataFolder,
                                                         const std::filesystem::path& installed = {});

} // namespace nax
