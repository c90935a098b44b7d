#pragma once
// UTF-8 text measured the way a reader sees it: white space and line breaks at its ends, and
// user-perceived characters (grapheme clusters: a letter with its combining marks, or an emoji
// sequence, counts as one).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace novra::text {

// White space and line breaks: the Unicode separators (Zs, Zl, Zp), the C0 controls from TAB to CR,
// and NEL.
bool isSpace(int32_t scalar);

// `text` without white space and line breaks at either end; none when it is not valid UTF-8.
std::optional<std::string_view> trimmed(std::string_view text);

// Byte length of the first `limit` user-perceived characters of valid UTF-8 `text`: its whole
// length when it has no more than `limit` of them.
size_t characterPrefix(std::string_view text, size_t limit);

} // namespace novra::text
