// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Subtitle text as "簡轉繁(&G)" leaves it: Traditional characters, with the simplified
// forms that Big5 also holds (后, 里, 面, 干, 么 ...) and mainland terms still in place.
// Numbered cues with time codes and CR LF line ends, as in an .srt file.

#include <QString>

#include <cstdint>
#include <iterator>

namespace sample {

// Clauses of everyday dialogue; about a third hold something the correction list mends.
inline const char* const kClauses[] = {
    "你干嗎這么晚才回來", "我在家里等了你一整晚", "后來我們就再也沒見過面了",
    "下周一我要去旅游", "這個游戲太好玩了", "我們去游泳吧", "干杯", "把桌子擦干淨",
    "皇后陛下駕到", "他是家里的老么", "我想吃一碗牛肉面", "這件事跟你不相干",
    "請不要干擾我工作", "你的頭發好漂亮", "這里很危險", "快离開這里",
    "我的電腦內存不夠了", "幫我打印這份文件", "這個軟件很好用", "他一個人呆在這里",
    "古人云", "知足常樂", "天上的云好白", "這是手工制作的", "周末我們去看電影",
    "別這么輕松", "這几天我一直在想你", "他的身体不太好", "我們需要一個計划",
    "你這個家伙", "他是大家的模范", "這跟我們沒有關系", "等一下", "你在干什么",
    "我受夠了", "外面下雨了", "面包在桌上", "他的机會來了", "听我說",
    "那是什么聲音", "你怎么知道", "我不知道該怎么辦", "你為什么不早說", "你叫什么名字",
    "你從哪里來", "這是最后一次", "他說他明天會回來", "可是我不相信他", "請大家保持冷靜",
    "對不起", "我遲到了", "快跑", "沒事的", "謝謝你救了我", "把門關上", "再見",
};
inline const char* const kEndings[] = {"。", "？", "！", "……", "，", "", "。", "？"};

// About `chars` UTF-16 code units of numbered cues, with time codes and one or two lines
// of one or two clauses each, picked by a seeded generator.
inline QString subtitleText(std::uint32_t seed, qsizetype chars)
{
    auto next = [&seed](std::uint32_t bound) { seed = seed * 1664525u + 1013904223u; return (seed >> 8) % bound; };
    auto time = [](int ms) {
        return QString::asprintf("%02d:%02d:%02d,%03d", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
    };
    QString out;
    for (int cue = 1; out.size() < chars; ++cue) {
        const int start = cue * 3100 + int(next(900));
        out += QString::number(cue) + QStringLiteral("\r\n") + time(start) + QStringLiteral(" --> ")
               + time(start + 1200 + int(next(2500))) + QStringLiteral("\r\n");
        for (int line = 0, lines = 1 + int(next(3) == 0); line < lines; ++line) {
            out += QString::fromUtf8(lines == 2 ? "- " : "");
            for (int c = 0, clauses = 1 + int(next(2)); c < clauses; ++c)
                out += QString::fromUtf8(kClauses[next(std::size(kClauses))])
                       + QString::fromUtf8(c + 1 < clauses ? "，" : kEndings[next(std::size(kEndings))]);
            out += QStringLiteral("\r\n");
        }
        out += QStringLiteral("\r\n");
    }
    return out;
}

} // namespace sample
