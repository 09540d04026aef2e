// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/gentables/counterparts.h"

#include <opencc/Config.hpp>
#include <opencc/Converter.hpp>

#include <QString>

namespace gentables {

CharacterDictionary::CharacterDictionary(const std::string& dictionaryFile, const std::string& dataDir)
{
    const std::string dict = R"({"type":"ocd2","file":")" + dictionaryFile + R"("})";
    const std::string config = R"({"name":")" + dictionaryFile + R"(","segmentation":{"type":"mmseg","dict":)"
                               + dict + R"(},"conversion_chain":[{"dict":)" + dict + "}]}";
    opencc::Config loader;
    std::string dir = dataDir;
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    converter_ = loader.NewFromString(config, dir);
}

CharacterDictionary::~CharacterDictionary() = default;

char32_t CharacterDictionary::counterpart(char32_t c) const
{
    const QString in = QString::fromUcs4(&c, 1);
    const QString out = QString::fromStdString(converter_->Convert(in.toStdString()));
    if (out.isEmpty())
        return c;
    return out.at(0).isHighSurrogate() && out.size() > 1
               ? QChar::surrogateToUcs4(out.at(0), out.at(1))
               : char32_t(out.at(0).unicode());
}

} // namespace gentables
