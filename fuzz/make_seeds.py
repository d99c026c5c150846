#!/usr/bin/env python3
"""Writes the seed corpus and dictionary of the form-file fuzz target."""
import os
import re

here = os.path.dirname(os.path.abspath(__file__))
src = open(os.path.join(here, "..", "src", "form", "fieldset.cpp"), encoding="utf-8").read()
names = re.findall(r'^\s*\{u"([A-Za-z_0-9]+)",\s*K::(\w+)', src, re.M)
dates = {n for n, k in names if k == "Date"}
checks = {n for n, k in names if k == "Check"}


def form(values, kind, eol="\r\n", sep=","):
    lines = []
    for n, _ in names:
        lines.append(n)
        if n in dates:
            lines.append(values.get(n, "39448" + sep + "5"))
        elif n in checks:
            lines.append(values.get(n, "да"))
        else:
            lines.append(values.get(n, ""))
    lines.append(kind)
    return (eol.join(lines) + eol).encode("cp1251")


out = os.path.join(here, "corpus", "formfile")
os.makedirs(out, exist_ok=True)
seeds = {
    "default.frm": form({"vid": "BGN", "sum": "0", "dr": "00"}, "Преводно нареждане /Вносна бележка/ м.р."),
    "point.frm": form({"sum": "12", "reason": "Фактура"}, "Вносна бележка", sep="."),
    "lf.frm": form({"econ_descript": "ред 1\n¶ред 2"}, "Нареждане разписка", eol="\n"),
    "memo-old.frm": form({"econ_descript": "a\r\nb\r\nc"}, "Съгласие за директен дебит"),
    "upper.frm": form({}, "Бюджетно платежно нареждане").upper(),
    "short.frm": "SUM\r\n5\r\nreason\r\nsum\r\nВносна бележка".encode("cp1251"),
    "empty.frm": b"",
}
for name, data in seeds.items():
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)

with open(os.path.join(here, "formfile.dict"), "w", encoding="latin-1") as f:
    for n, _ in names:
        f.write('"%s\\x0d\\x0a"\n' % n)
    f.write('"\\xe4\\xe0"\n"\\xed\\xe5"\n"\\xb6"\n"39448,5"\n"1e308"\n"-693594"\n')
