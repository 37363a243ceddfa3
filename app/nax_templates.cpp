// nax-templates: writes the default DMS templates into a folder (run by the build).
#include "dms/DmsWorkbook.h"
#include "xlsx/WorkbookExport.h"

#include <iostream>

using namespace nax;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: nax-templates FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    for (auto [kind, name] :
         {std::pair{DmsTemplate::Daily, kDailyTemplate}, std::pair{DmsTemplate::Hour, kHourTemplate}})
        if (auto written = writeDmsTemplate(kind, folder / name); !written) {
            std::cerr << written.error().message << "\n";
            return 1;
        }
    return 0;
}
