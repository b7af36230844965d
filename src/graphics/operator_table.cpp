#include "graphics/content_interpreter.h"

namespace qm {

using CI = ContentInterpreter;
#define N CI::ArgNone
#define NUM CI::ArgNum

const CI::OperatorEntry* ContentInterpreter::operatorTable(int* count) {
// Sorted by name in byte order: lookups bisect it.
static const CI::OperatorEntry kOperators[] = {
    {"\"", 3, {NUM, NUM, CI::ArgString, N, N, N, N, N}, &CI::opMoveSetShowText},
    {"'", 1, {CI::ArgString, N, N, N, N, N, N, N}, &CI::opMoveShowText},
    {"B", 0, {N, N, N, N, N, N, N, N}, &CI::opFillStroke},
    {"B*", 0, {N, N, N, N, N, N, N, N}, &CI::opEOFillStroke},
    {"BDC", 2, {CI::ArgName, CI::ArgProps, N, N, N, N, N, N}, &CI::opBeginMarkedContent},
    {"BI", 0, {N, N, N, N, N, N, N, N}, &CI::opBeginImage},
    {"BMC", 1, {CI::ArgName, N, N, N, N, N, N, N}, &CI::opBeginMarkedContent},
    {"BT", 0, {N, N, N, N, N, N, N, N}, &CI::opBeginText},
    {"BX", 0, {N, N, N, N, N, N, N, N}, &CI::opBeginIgnoreUndef},
    {"CS", 1, {CI::ArgName, N, N, N, N, N, N, N}, &CI::opSetStrokeColorSpace},
    {"DP", 2, {CI::ArgName, CI::ArgProps, N, N, N, N, N, N}, &CI::opMarkPoint},
    {"Do", 1, {CI::ArgName, N, N, N, N, N, N, N}, &CI::opXObject},
    {"EI", 0, {N, N, N, N, N, N, N, N}, &CI::opEndImage},
    {"EMC", 0, {N, N, N, N, N, N, N, N}, &CI::opEndMarkedContent},
    {"ET", 0, {N, N, N, N, N, N, N, N}, &CI::opEndText},
    {"EX", 0, {N, N, N, N, N, N, N, N}, &CI::opEndIgnoreUndef},
    {"F", 0, {N, N, N, N, N, N, N, N}, &CI::opFill},
    {"G", 1, {NUM, N, N, N, N, N, N, N}, &CI::opSetStrokeGray},
    {"ID", 0, {N, N, N, N, N, N, N, N}, &CI::opImageData},
    {"J", 1, {CI::ArgInt, N, N, N, N, N, N, N}, &CI::opSetLineCap},
    {"K", 4, {NUM, NUM, NUM, NUM, N, N, N, N}, &CI::opSetStrokeCmyk},
    {"M", 1, {NUM, N, N, N, N, N, N, N}, &CI::opSetMiterLimit},
    {"MP", 1, {CI::ArgName, N, N, N, N, N, N, N}, &CI::opMarkPoint},
    {"Q", 0, {N, N, N, N, N, N, N, N}, &CI::opRestore},
    {"RG", 3, {NUM, NUM, NUM, N, N, N, N, N}, &CI::opSetStrokeRgb},
    {"S", 0, {N, N, N, N, N, N, N, N}, &CI::opStroke},
    {"SC", -4, {NUM, NUM, NUM, NUM, N, N, N, N}, &CI::opSetStrokeColor},
    {"SCN", -5, {CI::ArgColorOrName, CI::ArgColorOrName, CI::ArgColorOrName, CI::ArgColorOrName, CI::ArgColorOrName, N, N, N}, &CI::opSetStrokeColorN},
    {"T*", 0, {N, N, N, N, N, N, N, N}, &CI::opTextNextLine},
    {"TD", 2, {NUM, NUM, N, N, N, N, N, N}, &CI::opTextMoveSet},
    {"TJ", 1, {CI::ArgArray, N, N, N, N, N, N, N}, &CI::opShowSpaceText},
    {"TL", 1, {NUM, N, N, N, N, N, N, N}, &CI::opSetTextLeading},
    {"Tc", 1, {NUM, N, N, N, N, N, N, N}, &CI::opSetCharSpacing},
    {"Td", 2, {NUM, NUM, N, N, N, N, N, N}, &CI::opTextMove},
    {"Tf", 2, {CI::ArgName, NUM, N, N, N, N, N, N}, &CI::opSetFont},
    {"Tj", 1, {CI::ArgString, N, N, N, N, N, N, N}, &CI::opShowText},
    {"Tm", 6, {NUM, NUM, NUM, NUM, NUM, NUM, N, N}, &CI::opSetTextMatrix},
    {"Tr", 1, {CI::ArgInt, N, N, N, N, N, N, N}, &CI::opSetTextRender},
    {"Ts", 1, {NUM, N, N, N, N, N, N, N}, &CI::opSetTextRise},
    {"Tw", 1, {NUM, N, N, N, N, N, N, N}, &CI::opSetWordSpacing},
    {"Tz", 1, {NUM, N, N, N, N, N, N, N}, &CI::opSetHorizScaling},
    {"W", 0, {N, N, N, N, N, N, N, N}, &CI::opClip},
    {"W*", 0, {N, N, N, N, N, N, N, N}, &CI::opEOClip},
    {"b", 0, {N, N, N, N, N, N, N, N}, &CI::opCloseFillStroke},
    {"b*", 0, {N, N, N, N, N, N, N, N}, &CI::opCloseEOFillStroke},
    {"c", 6, {NUM, NUM, NUM, NUM, NUM, NUM, N, N}, &CI::opCurveTo},
    {"cm", 6, {NUM, NUM, NUM, NUM, NUM, NUM, N, N}, &CI::opConcat},
    {"cs", 1, {CI::ArgName, N, N, N, N, N, N, N}, &CI::opSetFillColorSpace},
    {"d", 2, {CI::ArgArray, NUM, N, N, N, N, N, N}, &CI::opSetDash},
    {"d0", 2, {NUM, NUM, N, N, N, N, N, N}, &CI::opSetCharWidth},
    {"d1", 6, {NUM, NUM, NUM, NUM, NUM, NUM, N, N}, &CI::opSetCacheDevice},
    {"f", 0, {N, N, N, N, N, N, N, N}, &CI::opFill},
    {"f*", 0, {N, N, N, N, N, N, N, N}, &CI::opEOFill},
    {"g", 1, {NUM, N, N, N, N, N, N, N}, &CI::opSetFillGray},
    {"gs", 1, {CI::ArgName, N, N, N, N, N, N, N}, &CI::opSetExtGState},
    {"h", 0, {N, N, N, N, N, N, N, N}, &CI::opClosePath},
    {"i", 1, {NUM, N, N, N, N, N, N, N}, &CI::opSetFlatness},
    {"j", 1, {CI::ArgInt, N, N, N, N, N, N, N}, &CI::opSetLineJoin},
    {"k", 4, {NUM, NUM, NUM, NUM, N, N, N, N}, &CI::opSetFillCmyk},
    {"l", 2, {NUM, NUM, N, N, N, N, N, N}, &CI::opLineTo},
    {"m", 2, {NUM, NUM, N, N, N, N, N, N}, &CI::opMoveTo},
    {"n", 0, {N, N, N, N, N, N, N, N}, &CI::opEndPath},
    {"q", 0, {N, N, N, N, N, N, N, N}, &CI::opSave},
    {"re", 4, {NUM, NUM, NUM, NUM, N, N, N, N}, &CI::opRectangle},
    {"rg", 3, {NUM, NUM, NUM, N, N, N, N, N}, &CI::opSetFillRgb},
    {"ri", 1, {CI::ArgName, N, N, N, N, N, N, N}, &CI::opSetRenderingIntent},
    {"s", 0, {N, N, N, N, N, N, N, N}, &CI::opCloseStroke},
    {"sc", -4, {NUM, NUM, NUM, NUM, N, N, N, N}, &CI::opSetFillColor},
    {"scn", -5, {CI::ArgColorOrName, CI::ArgColorOrName, CI::ArgColorOrName, CI::ArgColorOrName, CI::ArgColorOrName, N, N, N}, &CI::opSetFillColorN},
    {"sh", 1, {CI::ArgName, N, N, N, N, N, N, N}, &CI::opShFill},
    {"v", 4, {NUM, NUM, NUM, NUM, N, N, N, N}, &CI::opCurveTo1},
    {"w", 1, {NUM, N, N, N, N, N, N, N}, &CI::opSetLineWidth},
    {"y", 4, {NUM, NUM, NUM, NUM, N, N, N, N}, &CI::opCurveTo2},
};

#undef N
#undef NUM
    static_assert(sizeof kOperators / sizeof kOperators[0] == 73, "the operator table has 73 entries");
    *count = static_cast<int>(sizeof kOperators / sizeof kOperators[0]);
    return kOperators;
}

}  // namespace qm
