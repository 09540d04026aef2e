// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/gentables/overrides.h"

namespace gentables {
namespace {

// Big5 -> GB2312. Characters first, then symbols in Big5 code order.
constexpr CounterpartRow kSimplified[] = {
    // Pinned so a dictionary update cannot move them.
    {U"國", U'国'},
    {U"體", U'体'},
    {U"兒", U'儿'},
    {U"並併", U'并'},
    {U"幹", U'干'},
    {U"髮發", U'发'},
    // The dictionary's first candidate is not what a subtitle reader expects.
    {U"妳", U'你'},       // dictionary keeps 妳, which GB2312 lacks
    {U"牠", U'它'},
    {U"麼", U'麽'},       // 么 is the dictionary's choice; 麽 is the look-alike GB2312 has
    {U"蒐", 0},           // 搜 is a different word; better a visible gap than a wrong one
    // Variant forms that the dictionary leaves alone.
    {U"碁", U'棋'},
    {U"粧", U'妆'},
    {U"卄", U'廿'},
    // Punctuation: small and vertical variants fall back to the full-width form.
    {U"‧·˙", U'・'},
    {U"︰", U'∶'},
    {U"‥", U'…'},
    {U"﹐", U'，'},
    {U"﹑", U'、'},
    {U"﹒", U'．'},
    {U"﹔", U'；'},
    {U"﹕", U'：'},
    {U"﹖", U'？'},
    {U"﹗", U'！'},
    {U"–﹣", U'－'},
    {U"—", U'―'},
    {U"╴", U'─'},
    {U"﹙", U'（'},
    {U"﹚", U'）'},
    {U"﹛", U'｛'},
    {U"﹜", U'｝'},
    {U"﹝", U'〔'},
    {U"﹞", U'〕'},
    {U"〝", U'“'},
    {U"〞", U'”'},
    {U"‵", U'‘'},
    {U"¯﹉﹊﹋﹌", U'￣'},
    {U"ˍ﹍﹎﹏", U'＿'},
    {U"﹟", U'＃'},
    {U"﹠", U'＆'},
    {U"﹡", U'＊'},
    // Mathematical look-alikes.
    {U"≦", U'≤'},
    {U"≧", U'≥'},
    {U"≒", U'≈'},
    {U"﹢", U'＋'},
    {U"﹤", U'＜'},
    {U"﹥", U'＞'},
    {U"﹦", U'＝'},
    {U"∣", U'｜'},
    {U"∕╱", U'／'},
    {U"﹨╲", U'＼'},
    {U"╳", U'×'},
    {U"﹩", U'＄'},
    {U"﹪", U'％'},
    {U"﹫", U'＠'},
    // Box drawing: rounded and single/double corners become the light lines of GB2312,
    // all-double lines its heavy ones.
    {U"╭╒╓", U'┌'},
    {U"╮╕╖", U'┐'},
    {U"╰╘╙", U'└'},
    {U"╯╛╜", U'┘'},
    {U"╞╟", U'├'},
    {U"╡╢", U'┤'},
    {U"╤╥", U'┬'},
    {U"╧╨", U'┴'},
    {U"╪╫", U'┼'},
    {U"═", U'━'},
    {U"║", U'┃'},
    {U"╔", U'┏'},
    {U"╗", U'┓'},
    {U"╚", U'┗'},
    {U"╝", U'┛'},
    {U"╠", U'┣'},
    {U"╣", U'┫'},
    {U"╦", U'┳'},
    {U"╩", U'┻'},
    {U"╬", U'╋'},
    // Tone marks of Bopomofo: the nearest accents of GB2312's full-width row.
    {U"ˊ", U'´'},
    {U"ˋ", U'｀'},
};

// GB2312 -> Big5, for characters code page 950 lacks. Characters first, then symbols in
// GB2312 code order.
constexpr CounterpartRow kTraditional[] = {
    // Pinned so a dictionary update cannot move them.
    {U"国", U'國'},
    {U"发", U'發'},
    {U"药", U'藥'},
    {U"荧", U'熒'},
    // Several traditional forms: the common one; the correction list sorts out the rest.
    {U"着", U'著'},       // dictionary keeps 着, which code page 950 lacks
    {U"冲", U'衝'},       // dictionary gives 沖
    // The dictionary's first candidate is a form code page 950 lacks; Taiwan's form instead.
    {U"为", U'為'},
    {U"伪", U'偽'},
    {U"众", U'眾'},
    {U"启", U'啟'},
    {U"钵", U'缽'},
    {U"沩", U'溈'},
    {U"妫", U'媯'},
    {U"缰", U'韁'},
    {U"鲇", U'鯰'},
    {U"硷", U'鹼'},
    {U"叁", U'參'},
    {U"幺", U'么'},
    // Row 1 symbols.
    {U"・", U'‧'},
    {U"―", U'—'},
    {U"‖", U'∥'},
    {U"〖", U'【'},
    {U"〗", U'】'},
    {U"∶", U'：'},
    {U"∑", U'Σ'},
    {U"∏", U'Π'},
    {U"≈", U'≒'},
    {U"∽", U'～'},
    {U"≤", U'≦'},
    {U"≥", U'≧'},
    {U"″", U'〞'},
    // Row 2: parenthesised Hanzi numbers read as the plain Hanzi.
    {U"㈠", U'一'},
    {U"㈡", U'二'},
    {U"㈢", U'三'},
    {U"㈣", U'四'},
    {U"㈤", U'五'},
    {U"㈥", U'六'},
    {U"㈦", U'七'},
    {U"㈧", U'八'},
    {U"㈨", U'九'},
    {U"㈩", U'十'},
    // Row 3: full-width forms code page 950 lacks.
    {U"＂", U'”'},
    {U"´", U'ˊ'},
    {U"［", U'〔'},
    {U"］", U'〕'},
    {U"＾", U'︿'},
    {U"｀", U'ˋ'},
    // Row 9: heavy and dashed box drawing becomes the light lines of code page 950.
    {U"━┄┅┈┉", U'─'},
    {U"┃┆┇┊┋", U'│'},
    {U"┍┎┏", U'┌'},
    {U"┑┒┓", U'┐'},
    {U"┕┖┗", U'└'},
    {U"┙┚┛", U'┘'},
    {U"┝┞┟┠┡┢┣", U'├'},
    {U"┥┦┧┨┩┪┫", U'┤'},
    {U"┭┮┯┰┱┲┳", U'┬'},
    {U"┵┶┷┸┹┺┻", U'┴'},
    {U"┽┾┿╀╁╂╃╄╅╆╇╈╉╊╋", U'┼'},
};

} // namespace

std::span<const CounterpartRow> simplifiedOverrides() { return kSimplified; }
std::span<const CounterpartRow> traditionalOverrides() { return kTraditional; }

} // namespace gentables
