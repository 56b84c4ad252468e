// `folivex --formats`: what the program folder's plug-ins let the program read, printed
// without a window, so an install can be checked from a shell or a test.
#pragma once

#include <ostream>
#include <string>

namespace folivex {

inline constexpr const char* kFormatsOption = "--formats";

// Loads the plug-ins of the program folder (the ones installed with the program) and
// writes one "plug-in: PATH" line per loaded plug-in, then one "format: PATTERN" line per
// readable file pattern, the built-in JPEG and BMP ones included.
void ReportReadableFormats(const std::string& programFolder, std::ostream& out);

} // namespace folivex
