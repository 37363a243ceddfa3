// Whether a demo plant is due to be simulated again.
#include "simulate/PlantSimulator.h"

#include "db/DbConnection.h"
#include "db/QueryHelpers.h"

#include <charconv>
#include <filesystem>

namespace nax {

Result<std::optional<double>> plantDataEnd(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return std::optional<double>();
    auto opened = DbConnection::open(path, OpenOptions{10000, true});
    if (!opened) return opened.error();
    auto last = LookupValue(**opened, "opc", "max(Timestamp)", "", "Str");
    if (!last) return last.error();
    if (last->empty()) return std::optional<double>();
    double serial = 0;
    const auto [end, problem] = std::from_chars(last->data(), last->data() + last->size(), serial);
    if (problem != std::errc() || end != last->data() + last->size())
        return Error{0, "The last opc time of " + path + " is no date-time: " + *last};
    return std::optional<double>(serial);
}

Result<bool> demoNeedsSimulating(const std::string& path, double nowSerial) {
    constexpr double kFreshDays = 1;
    auto end = plantDataEnd(path);
    if (!end) return end.error();
    return !*end || nowSerial - **end > kFreshDays;
}

} // namespace nax
