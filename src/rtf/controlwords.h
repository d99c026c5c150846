#pragma once

#include "rtf/tokenizer.h"

namespace formelan::rtf::internal {

// The control words the reader acts on; every other word is Unknown.
enum class W {
    Unknown,
    Skipped,
    FontTable,
    ColorTable,
    FieldInstruction,
    Red,
    Green,
    Blue,
    AnsiCpg,
    Deff,
    Uc,
    U,
    Par,
    Line,
    Tab,
    EmDash,
    EnDash,
    Bullet,
    LQuote,
    RQuote,
    LDblQuote,
    RDblQuote,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    FontSize,
    Color,
    Font,
    Cpg,
    Plain,
    Pard,
    InTable,
    AlignLeft,
    AlignCenter,
    AlignRight,
    Justify,
    RowDefinition,
    CellX,
    Cell,
    Row,
    Charset
};

W lookup(const Token &t);

// The Windows code page of a font's \fcharset, or 0 where it names none.
int charsetCodePage(int charset);

} // namespace formelan::rtf::internal
