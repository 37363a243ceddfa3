#pragma once
// The dialect's date-time literals between hash signs (the update builder's date kind), which
// no engine under us reads: they become plain day serials.
#include "base/Result.h"

#include <optional>
#include <string>
#include <string_view>

namespace nax {

// The text between the hash signs as a day serial: a serial itself, "YYYY-MM-DD[ HH:MM[:SS]]"
// or "M/D/YYYY[ H:MM[:SS][ AM|PM]]"; nullopt when it is none of these.
std::optional<double> dateLiteralSerial(std::string_view text);

// The statement with every #...# outside quotes and brackets replaced by its serial in the
// general number format; an error names a literal that is no date.
Result<std::string> dateLiteralsAsSerials(std::string_view sql);

} // namespace nax
