#include "app/PathText.h"

namespace folivex {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at `at`, or 0 when the byte there starts none
// (overlong forms, surrogates and values past U+10FFFF count as invalid).
std::size_t ValidSequenceAt(std::string_view s, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || at + length > s.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
    const unsigned char second = byte(at + 1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90))
        return 0;
    return length;
}

} // namespace

QString PathToText(std::string_view bytes) {
    QString text;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t length = ValidSequenceAt(bytes, at);
        if (length == 0) {
            text += QChar(char16_t(kEscapeBase + static_cast<unsigned char>(bytes[at])));
            ++at;
            continue;
        }
        text += QString::fromUtf8(bytes.data() + at, qsizetype(length));
        at += length;
    }
    return text;
}

std::string TextToPath(const QString& text) {
    std::string bytes;
    qsizetype runStart = 0;
    const auto flushRun = [&](qsizetype end) {
        if (end > runStart)
            bytes += text.mid(runStart, end - runStart).toUtf8().toStdString();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        const bool escaped = unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
        const bool paired = i > 0 && text[i - 1].isHighSurrogate();
        if (!escaped || paired)
            continue;
        flushRun(i);
        bytes += char(unit - kEscapeBase);
        runStart = i + 1;
    }
    flushRun(text.size());
    return bytes;
}

} // namespace folivex
