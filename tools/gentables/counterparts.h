// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Character-level traditional/simplified counterparts from OpenCC's character dictionaries.

#include <memory>
#include <string>

namespace opencc { class Converter; }

namespace gentables {

// One OpenCC character dictionary (STCharacters.ocd2 or TSCharacters.ocd2), loaded through a
// conversion chain that holds only that dictionary, so no phrase or regional variant table
// takes part. A character maps to the dictionary's first candidate.
class CharacterDictionary {
public:
    CharacterDictionary(const std::string& dictionaryFile, const std::string& dataDir);
    ~CharacterDictionary();

    // The first candidate for c; c itself when the dictionary has no entry for it.
    char32_t counterpart(char32_t c) const;

private:
    std::shared_ptr<opencc::Converter> converter_;
};

} // namespace gentables
