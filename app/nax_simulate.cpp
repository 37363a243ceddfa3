// nax-simulate: writes a plant database for demos, tests and benchmarks.
#include "SimulateArguments.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& argument : args) {
        if (argument == "-h" || argument == "--help") {
            std::cout << nax::simulateUsage();
            return 0;
        }
        if (argument == "--version") {
            std::cout << "nax-simulate " NAX_VERSION "\n";
            return 0;
        }
    }
    auto options = nax::parseSimulateArguments(args, nax::localNowSerial());
    if (!options) {
        std::cerr << "nax-simulate: " << options.error().message << "\n" << nax::simulateUsage();
        return 2;
    }
    if (options->onlyIfStale) {
        const auto stale = nax::demoNeedsSimulating(options->outPath, options->endSerial);
        if (stale && !*stale) {
            std::cout << options->outPath << " is up to date\n";
            return 0;
        }
    }
    auto summary = nax::simulatePlant(*options);
    if (!summary) {
        std::cerr << "nax-simulate: " << summary.error().message << "\n";
        return 1;
    }
    std::cout << nax::summaryLine(*options, *summary) << "\n";
    return 0;
}
