#include "core/Error.h"

namespace folivex {

namespace {
std::string ReplaceFirstPlaceholder(std::string_view pattern, std::string_view value) {
    std::string out(pattern);
    for (std::size_t i = 0; i + 1 < out.size(); ++i) {
        if (out[i] == '%' && (out[i + 1] == 's' || out[i + 1] == 'd')) {
            out.replace(i, 2, value);
            break;
        }
    }
    return out;
}
} // namespace

std::string FormatMessage(std::string_view pattern, std::string_view value) {
    return ReplaceFirstPlaceholder(pattern, value);
}

std::string FormatMessage(std::string_view pattern, long long value) {
    return ReplaceFirstPlaceholder(pattern, std::to_string(value));
}

} // namespace folivex
