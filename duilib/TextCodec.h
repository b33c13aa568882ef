// GBK <-> UTF-8 at the edges (drawing, typed text, files).
#pragma once

#include <string>

namespace DuiLib {

// Strict conversions: false (and an empty result) when the input does not convert.
bool GbkToUtf8(const std::string& gbk, std::string& utf8);
bool Utf8ToGbk(const std::string& utf8, std::string& gbk);

// Lenient conversions for display: bytes that do not convert become '?'.
std::string GbkToUtf8Lenient(const std::string& gbk);
std::string Utf8ToGbkLenient(const std::string& utf8);

// Drops control bytes (keeps '\n' when keepNewlines) so server texts draw as plain text.
std::string StripControlBytes(const std::string& text, bool keepNewlines);

// Byte length of the GBK character starting at text[pos] (1 or 2).
int GbkCharLength(const std::string& text, size_t pos);

}  // namespace DuiLib
