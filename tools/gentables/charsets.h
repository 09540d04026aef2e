// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two character sets the tables join: GB2312 read from ICU, code page 950 through the
// editor's own codec, so the tables and the editor agree on every Big5 code.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace gentables {

// GB2312 proper: the 682 symbols of rows 0xA1-0xA9 and the 6,763 Hanzi of rows 0xB0-0xF7,
// as ICU's GB2312 converter reads them. ICU's converter also knows a few IBM extras in
// row 0xFE and maps unassigned codes into the Private Use Area; neither belongs to GB2312.
class Gb2312 {
public:
    Gb2312();                                       // throws std::runtime_error
    static constexpr int kCharacterCount = 7445;

    char32_t at(std::uint16_t code) const { return chars_[code]; }   // 0: not a character
    std::uint16_t codeOf(char32_t c) const;                          // 0: GB2312 lacks c
    int size() const { return count_; }

private:
    std::array<char32_t, 65536> chars_{};
    std::vector<std::uint16_t> codes_;   // indexed by BMP code point
    int count_ = 0;
};

// GBK as Windows reads it (code page 936), by code: the character of each double-byte code,
// 0 for a code that is no character or a user-defined one.
std::vector<char32_t> gbkReading();

// One code of GBK's vertical punctuation block A6E0..A6F5 and its character (0 when unassigned).
struct VerticalForm {
    std::uint16_t gbkCode;
    char32_t character;
};
std::vector<VerticalForm> gbkVerticalForms();

// The code page 950 code of c (Windows' mapping, as the editor's codec encodes it); 0 when
// c does not encode to a double-byte code.
std::uint16_t big5CodeOf(char32_t c);

} // namespace gentables
