#!/usr/bin/env python3
"""Writes data/help/bic.rtf, the bank code list that the bank code chooser shows.
Only codes we are sure of are listed; the central bank's published register is
authoritative and the heading says so."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from rtfwrite import esc  # noqa: E402

GROUPS = [
    ("Централна банка", [
        ("Българска народна банка", "BNBGBGSD"),
    ]),
    ("Банки с лиценз от Българската народна банка", [
        ("Алианц Банк България", "BUINBGSF"),
        ("Банка ДСК", "STSABGSF"),
        ("Българо-американска кредитна банка", "BGUSBGSF"),
        ("Българска банка за развитие", "NASBBGSF"),
        ("Инвестбанк", "IORTBGSF"),
        ("Интернешънъл Асет Банк", "IABGBGSF"),
        ("Обединена българска банка", "UBBSBGSF"),
        ("Общинска банка", "SOMBBGSF"),
        ("Първа инвестиционна банка", "FINVBGSF"),
        ("ПроКредит Банк (България)", "PRCBBGSF"),
        ("Тексим Банк", "TEXIBGSF"),
        ("Токуда Банк", "CREXBGSF"),
        ("Търговска банка Д", "DEMIBGSF"),
        ("УниКредит Булбанк", "UNCRBGSF"),
        ("Централна кооперативна банка", "CECBBGSF"),
        ("Юробанк България", "BPBIBGSF"),
    ]),
    ("Клонове на чуждестранни банки", [
        ("БНП Париба С.А., клон София", "BNPABGSX"),
        ("ИНГ Банк Н.В., клон София", "INGBBGSF"),
        ("Ситибанк Европа, клон България", "CITIBGSF"),
        ("Т.С. Зираат Банкасъ, клон София", "TCZBBGSF"),
    ]),
]




def row(cells, bold=False):
    r = "\\trowd\\trgaph70\\trleft0\\clbrdrb\\brdrs\\brdrw5\\cellx5600\\clbrdrb\\brdrs\\brdrw5\\cellx7800\n"
    r += "\\pard\\intbl\\plain\\f0\\fs20" + ("\\b" if bold else "") + " "
    r += "\\cell ".join(esc(c) for c in cells) + "\\cell\\row\n"
    return r


parts = [
    "{\\rtf1\\ansi\\ansicpg1251\\deff0\n",
    "{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}{\\f1\\fmodern\\fcharset204 Courier New;}}\n",
    "{\\colortbl;\\red0\\green0\\blue0;\\red0\\green70\\blue140;\\red110\\green110\\blue110;}\n",
    "{\\info{\\title " + esc("Банкови идентификационни кодове") + "}}\n",
    "\\pard\\plain\\f0\\fs28\\b\\cf2 " + esc("Банкови идентификационни кодове (BIC) на банките") + "\\par\n",
    "\\pard\\plain\\f0\\fs18\\cf3 " + esc(
        "Справочен списък. Меродавен е регистърът на банките, публикуван от Българската "
        "народна банка; проверете кода там, ако се съмнявате.") + "\\par\n",
    "\\pard\\plain\\f0\\fs18\\cf3 " + esc("Кликнете два пъти върху кода, за да го изберете.") + "\\par\\par\n",
]
for title, banks in GROUPS:
    parts.append("\\pard\\plain\\f0\\fs22\\b\\cf2 " + esc(title) + "\\par\n")
    parts.append(row(["Банка", "BIC"], bold=True))
    for name, bic in banks:
        parts.append(row([name, bic]))
    parts.append("\\pard\\plain\\f0\\fs20\\par\n")
parts.append("}\n")

here = os.path.dirname(os.path.abspath(__file__))
target = os.path.join(here, "..", "data", "help", "bic.rtf")
with open(target, "w", encoding="ascii", newline="\r\n") as f:
    f.write("".join(parts))
print("wrote", os.path.normpath(target))
