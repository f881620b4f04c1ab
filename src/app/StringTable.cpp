#include "StringTable.h"

#include <algorithm>
#include <iterator>

namespace {

struct Entry
{
    int id;
    const char *english;
    const char *japanese;
};

// UTF-8; the Japanese texts mix half-width katakana with full-width characters,
// and 147/148 are split by an ideographic space.
constexpr Entry Entries[] = {
    {101, "Brisk for HX-7730", "Brisk for HX-7730"},
    {102, "&FIRMWARE WRITE", "&FIRMWARE WRITE"},
    {103, "&Menu/MRch", "&Menu/MRch"},
    {105, "&About", "ﾊﾞｰｼﾞｮﾝ情報(&A)"},
    {106, "&USER FIRMWARE WRITE", "&USER FIRMWARE WRITE"},
    {107, "&ADJUST FIRMWARE WRITE", "&ADJUST FIRMWARE WRITE"},
    {108, "Menu item MRch&Write", "Menu item MRch&Write"},
    {109, "Menu item MRch&Read", "Menu item MRch&Read"},
    {110, "Select action from menu bar.", "ﾒﾆｭｰから処理を選んでください"},
    {111, "Select firmware file first.", "ﾌｧｰﾑｳｪｱを選んでください"},
    {112, "Set radio to FIRMWARE WRITE MODE.", "ﾌｧｰﾑｳｪｱ書き込みﾓｰﾄﾞ"},
    {115, "CANCEL", "ｷｬﾝｾﾙ"},
    {117, "CAUTION!! ADJUST MODE FIRMWARE WRITE.", "注意!! 調整ﾓｰﾄﾞﾌｧｰﾑ書き込み"},
    {118, "USER FIRMWARE WRITE", "標準ﾌｧｰﾑ書き込み"},
    {119, "ADJUST FIRMWARE WRITE", "調整ﾌｧｰﾑ書き込み"},
    {120, "Menu item / MRch Write", "ﾒﾆｭｰ/ﾒﾓﾘﾁｬﾝﾈﾙ書き込み"},
    {121, "Menu item / MRch Read", "ﾒﾆｭｰ/ﾒﾓﾘﾁｬﾝﾈﾙ読み込み"},
    {122, "First select saved file.", "保管先ﾌｧｲﾙを選択してください"},
    {123, "Turn on radio then click write.", "Turn on radio then click write."},
    {129, "Select File", "ﾌｧｲﾙ選択"},
    {131, "&Option", "ｵﾌﾟｼｮﾝ(&O)"},
    {132, "&Serial Port", "ｼﾘｱﾙﾎﾟｰﾄ(&S)"},
    {133, "COM1", "COM1"},
    {134, "COM2", "COM2"},
    {135, "&Usage", "使い方"},
    {136, "help_e.htm", "help_j.htm"},
    {137, "Menu/MRch READ from RADIO", "ﾒﾆｭｰ/ﾒﾓﾘﾁｬﾝﾈﾙ読込"},
    {138, "Menu/MRch WRITE to RADIO", "ﾒﾆｭｰ/ﾒﾓﾘﾁｬﾝﾈﾙ書込"},
    {139, "READ from RADIO", "読込"},
    {140, "WRITE to RADIO", "書込"},
    {142, "K", "J(V)"},
    {144, "Q41-2290-07", "Q41-2290-07"},
    {145, "Push the read button to read data from radio.", "読込ボタンを押すと読込スタートします。"},
    {146, "Push the write button to write data to radio.", "書込ボタンを押すと書込スタートします。"},
    {147, "Now reading menu and memory channel data", "メニュー／メモリーチャンネル　読込中"},
    {148, "Now writing menu and memory channel data", "メニュー／メモリーチャンネル　書込中"},
    {149, "Preparing for adjust firm.", "調整ファーム書きこみ準備中"},
    {150, "Preparing for user firm.", "標準ファーム書きこみ準備中"},
    {151, "Push the write button go into write to radio.", "書込ボタンを押すと書きこみを開始します。"},
    {152, "Now writing adjustment firmware. Please wait for a few minutes.",
     "調整ファーム書きこみ中です。しばらくお待ちください。"},
    {153, "Now writing user firmware. Please wait for a few minutes.",
     "標準ファーム書きこみ中です。しばらくお待ちください。"},
    {154, "Preparing for menu and memory channel data.", "メニュー／メモリーチャンネル書込準備中"},
};

} // namespace

QString StringTable::text(int id) const
{
    const auto it = std::find_if(std::begin(Entries), std::end(Entries), [id](const Entry &e) { return e.id == id; });
    if (it == std::end(Entries))
        return QString();
    return QString::fromUtf8(m_language == Language::Japanese ? it->japanese : it->english);
}

StringTable::Language StringTable::languageOf(const QLocale &locale)
{
    return locale.language() == QLocale::Japanese ? Language::Japanese : Language::English;
}
