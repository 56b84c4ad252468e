#include "app/FormatsReport.h"

#include "loading/ReadableFormats.h"
#include "loading/SPIs.h"

namespace folivex {

void ReportReadableFormats(const std::string& programFolder, std::ostream& out) {
    TSPIPlaces places;
    places.appDir = programFolder;
    TSPIs spis(places);
    ReadableFormats formats;
    formats.Connect(spis);
    SearchPlugInsAtStart(spis, /*susieLoc: the program folder only*/ 1);
    for (int i = 0; i < spis.Count(); ++i)
        out << "plug-in: " << spis[i].FileName() << '\n';
    for (const std::string& pattern : formats.FileExtPatterns())
        out << "format: " << pattern << '\n';
}

} // namespace folivex
