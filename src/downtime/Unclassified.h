#pragma once
// Which downtime events still wait for a loss category. The one home of the rule: the downtime
// list, its backlog line, the analysis and nax-report all ask here.
#include <string>
#include <string_view>

namespace nax {

// A condition on a TimeLost row: its Loss_Structure is NULL or blank after trimming. A save writes
// an empty box as an empty text, so both occur. `column` names the column as the statement knows it
// (for example "TimeLost.Loss_Structure" inside a join).
inline std::string unclassifiedCondition(std::string_view column = "Loss_Structure") {
    const std::string name(column);
    return "(" + name + " Is Null Or Trim(" + name + ") = '')";
}

} // namespace nax
