#pragma once
// Subtitle text as "簡轉繁(&G)" leaves it: Traditional characters, with the simplified
// forms that Big5 also holds (后, 里, 面, 干, 么 ...) and mainland terms still in place.
// Numbered cues with time codes and CR LF line ends, as in an .srt file.

#include <QString>

#include <cstdint>

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
    "我們今天晚上要去看電影", "你要不要一起來", "這個世界上沒有不可能的事",
    "他說他明天會回來", "可是我不相信他", "警察已經包圍了這棟大樓", "請大家保持冷靜",
    "我們必須在天亮之前出發", "你知道我有多擔心你嗎", "對不起", "我遲到了", "快跑",
    "沒事的", "一切都會好起來", "謝謝你救了我", "那是什么聲音", "把門關上",
    "我愛你", "你瘋了嗎", "我們還有時間", "他已經走了", "再見",
    "你怎么知道", "我不知道該怎么辦", "他們在哪", "你說得對", "我們得走了",
    "這不是你的錯", "相信我", "我會保護你", "讓我想想", "你還好嗎",
    "我只是想幫忙", "這是我的車", "她是我妹妹", "我們談談吧", "把槍放下",
    "不要動", "你看到了嗎", "我們成功了", "這太瘋狂了", "我需要你的幫助",
    "你為什么不早說", "我們明天見", "他們來了", "小心", "我很抱歉",
    "我的天啊", "你確定嗎", "這是真的", "我不在乎", "跟我來",
    "你叫什么名字", "我叫傑克", "很高興認識你", "你從哪里來", "我從紐約來",
    "我們沒有選擇", "他是個好人", "這是最后一次", "你必須相信我", "我做不到",
    "等等我", "別擔心", "我來處理", "你在說謊", "我發誓",
    "這是命令", "照我說的做", "我們被包圍了", "快叫救護車", "他還活著",
};
inline const char* const kEndings[] = {"。", "？", "！", "……", "，", "", "。", "？"};

class SubtitleGenerator {
public:
    explicit SubtitleGenerator(std::uint32_t seed) : state_(seed) {}

    // About `chars` UTF-16 code units of cues.
    QString text(qsizetype chars)
    {
        QString out;
        out.reserve(chars + 256);
        for (int cue = 1; out.size() < chars; ++cue)
            appendCue(out, cue);
        return out;
    }

private:
    std::uint32_t next(std::uint32_t bound)
    {
        state_ = state_ * 1664525u + 1013904223u;
        return (state_ >> 8) % bound;
    }

    template <class T, std::size_t N>
    const T& pick(const T (&pool)[N]) { return pool[next(N)]; }

    static QString timeCode(qint64 ms)
    {
        return QString::asprintf("%02lld:%02lld:%02lld,%03lld", ms / 3600000, ms / 60000 % 60,
                                 ms / 1000 % 60, ms % 1000);
    }

    void appendCue(QString& out, int cue)
    {
        const qint64 start = qint64(cue) * 3100 + next(900);
        out += QString::number(cue) + QStringLiteral("\r\n") + timeCode(start)
            + QStringLiteral(" --> ") + timeCode(start + 1200 + next(2500))
            + QStringLiteral("\r\n");
        const int lines = 1 + int(next(3) == 0);
        for (int l = 0; l < lines; ++l) {
            if (lines == 2)
                out += QStringLiteral("- ");
            const int clauses = 1 + int(next(2));
            for (int c = 0; c < clauses; ++c) {
                out += QString::fromUtf8(pick(kClauses));
                out += QString::fromUtf8(c + 1 < clauses ? "，" : pick(kEndings));
            }
            out += QStringLiteral("\r\n");
        }
        out += QStringLiteral("\r\n");
    }

    std::uint32_t state_;
};

} // namespace sample
