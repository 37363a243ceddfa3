#pragma once
// The default DMS templates: a first sheet with title rows over the run grid, a second over the
// downtime detail grid, and a "RawData" sheet whose formulas sum up what "Print" writes, with a
// chart of the loss categories.
#include "base/Result.h"

#include <filesystem>
#include <string>
#include <vector>

namespace nax {

enum class DmsTemplate { Daily, Hour };

// Writes the template to `path` (replacing what is there).
Result<void> writeDmsTemplate(DmsTemplate kind, const std::filesystem::path& path);

// Puts the default templates into the data folder where it has none of that name; a folder's own
// template is never replaced. Answers the names written.
Result<std::vector<std::string>> installDefaultTemplates(const std::filesystem::path& dataFolder);

} // namespace nax
