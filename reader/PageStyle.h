#pragma once

// The head both generated pages begin with: link style, charset, margins,
// and the opening of the centred heading.
inline constexpr char16_t PageStyleHead[] =
    u"<html><style>.txt {FONT-SIZE: 14pt; FONT-FAMILY: Times New Roman; COLOR: blue; "
    u"TEXT-DECORATION:  none; } a:hover{color:red}</style><head><meta http-equiv='Content-Type' "
    u"content='text/html; charset=windows-1251'></head><body topmargin=0 leftmargin=0 rightmargin=0>"
    u"<center>";
