#include "core/Text.h"

#include <utf8proc.h>

namespace novra::text {
namespace {

// The scalar at `offset` and its byte length; a length of 0 or less for a broken sequence.
utf8proc_ssize_t next(std::string_view text, size_t offset, utf8proc_int32_t* scalar) {
    return utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(text.data()) + offset,
                            static_cast<utf8proc_ssize_t>(text.size() - offset), scalar);
}

} // namespace

bool isSpace(int32_t scalar) {
    if ((scalar >= 0x09 && scalar <= 0x0D) || scalar == 0x20 || scalar == 0x85) return true;
    utf8proc_category_t category = utf8proc_category(scalar);
    return category == UTF8PROC_CATEGORY_ZS || category == UTF8PROC_CATEGORY_ZL ||
           category == UTF8PROC_CATEGORY_ZP;
}

std::optional<std::string_view> trimmed(std::string_view text) {
    size_t begin = text.size(), end = 0;
    for (size_t offset = 0; offset < text.size();) {
        utf8proc_int32_t scalar;
        utf8proc_ssize_t length = next(text, offset, &scalar);
        if (length <= 0) return std::nullopt;
        size_t after = offset + static_cast<size_t>(length);
        if (!isSpace(scalar)) {
            if (begin == text.size()) begin = offset;
            end = after;
        }
        offset = after;
    }
    if (begin >= end) return text.substr(0, 0);
    return text.substr(begin, end - begin);
}

size_t characterPrefix(std::string_view text, size_t limit) {
    if (limit == 0) return 0;
    size_t characters = 0;
    utf8proc_int32_t previous = 0, state = 0;
    for (size_t offset = 0; offset < text.size();) {
        utf8proc_int32_t scalar;
        utf8proc_ssize_t length = next(text, offset, &scalar);
        if (length <= 0) return text.size();
        bool starts = characters == 0 || utf8proc_grapheme_break_stateful(previous, scalar, &state);
        if (starts && ++characters > limit) return offset;
        previous = scalar;
        offset += static_cast<size_t>(length);
    }
    return text.size();
}

} // namespace novra::text
