#include "messages/NoteText.h"

#include "store/TimeBase.h"

std::string LooksLikeText(LogKind resembles, Language language)
{
    const Bilingual text =
        resembles == LogKind::Sector
            ? Bilingual{"this looks like a sector log; sector logs end in .BNX4",
                        "セクターログのようです。セクターログの拡張子は .BNX4 です"}
            : Bilingual{"this looks like a block log; block logs end in .bin or .binx",
                        "ブロックログのようです。ブロックログの拡張子は .bin か .binx です"};
    return std::string(text.In(language));
}

std::string StandardTimeNote(std::int32_t biasMinutes, Language language)
{
    return Fill(Bilingual{"times are standard time (UTC{1}); summer time is not applied",
                          "時刻は標準時 (UTC{1}) です。夏時間は適用していません"}
                    .In(language),
                {FormatUtcOffsetText(-biasMinutes)});
}
