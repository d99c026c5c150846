"""Helpers shared by the scripts that write the program's RTF data files."""


def esc(text):
    """Text as RTF in a Windows-1251 document: specials escaped, Cyrillic as \\'hh."""
    out = []
    for ch in text:
        if ch in "\\{}":
            out.append("\\" + ch)
        elif ord(ch) < 128:
            out.append(ch)
        else:
            out.append("".join("\\'%02x" % b for b in ch.encode("cp1251")))
    return "".join(out)
