#include "core/TextCodec.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace folivex {

namespace {

// One conversion with iconv; on an unconvertible or invalid sequence the input is
// skipped by `skip` bytes and `replacement` is emitted instead.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("iconv cannot convert between CP932 and UTF-8");
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    std::string Run(std::string_view in, std::string_view replacement, bool* exact,
                    bool utf8Input) {
        std::string out;
        out.reserve(in.size() * 2 + 8);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char buffer[1024];
        bool clean = true;
        while (srcLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, std::size_t(dst - buffer));
            if (r != static_cast<std::size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL: replace one character and go on.
            clean = false;
            out.append(replacement);
            std::size_t skip = utf8Input ? Utf8SequenceLength(*src) : 1;
            if (skip > srcLeft)
                skip = srcLeft;
            src += skip;
            srcLeft -= skip;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        if (exact)
            *exact = clean;
        return out;
    }

private:
    static std::size_t Utf8SequenceLength(char lead) {
        auto c = static_cast<unsigned char>(lead);
        if (c >= 0xF0)
            return 4;
        if (c >= 0xE0)
            return 3;
        if (c >= 0xC0)
            return 2;
        return 1;
    }
    iconv_t cd_;
};

} // namespace

std::string Utf8ToCp932(std::string_view utf8, bool* exact) {
    Converter c("CP932", "UTF-8");
    return c.Run(utf8, "?", exact, true);
}

std::string Cp932ToUtf8(std::string_view bytes) {
    Converter c("UTF-8", "CP932");
    return c.Run(bytes, "\xEF\xBF\xBD", nullptr, false);
}

std::size_t Cp932Length(std::string_view utf8) {
    return Utf8ToCp932(utf8).size();
}

std::string DecodeFileText(std::string_view bytes) {
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom)
        return std::string(bytes.substr(kUtf8Bom.size()));
    return Cp932ToUtf8(bytes);
}

std::string EncodeFileText(std::string_view utf8) {
    bool exact = false;
    std::string cp932 = Utf8ToCp932(utf8, &exact);
    if (exact)
        return cp932;
    return std::string(kUtf8Bom) + std::string(utf8);
}

} // namespace folivex
