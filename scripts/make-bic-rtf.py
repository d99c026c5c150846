#!/usr/bin/env python3
"""Writes data/help/bic.rtf, the bank code list that the bank code chooser shows, from
data/help/banks.csv, the one list of banks that the program also reads to find a bank
from an IBAN. Only codes we are sure of are listed; the central bank's published
register is authoritative and the heading says so.

banks.csv is UTF-8 with a header line "group,name,bic": the heading the chooser shows
the bank under, the bank's name and its BIC. Rows of a group stand together, in the
order the chooser shows them."""
import csv
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from rtfwrite import esc  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.join(HERE, "..", "data", "help", "banks.csv")
TARGET = os.path.join(HERE, "..", "data", "help", "bic.rtf")

# A Bulgarian BIC: bank code, "BG", location, optional branch.
BIC = re.compile(r"[A-Z]{4}BG[A-Z0-9]{2}([A-Z0-9]{3})?")


def read_groups(path):
    """[(heading, [(name, bic), ...]), ...] in file order; stops on a bad list."""
    groups = []
    codes = {}
    with open(path, encoding="utf-8", newline="") as f:
        rows = list(csv.reader(f))
    if not rows or rows[0] != ["group", "name", "bic"]:
        sys.exit(f"{path}: the first line must be group,name,bic")
    for line, cells in enumerate(rows[1:], start=2):
        if not cells:
            continue
        if len(cells) != 3 or not all(c.strip() == c and c for c in cells):
            sys.exit(f"{path}:{line}: expected three filled cells without outer spaces")
        group, name, bic = cells
        if not BIC.fullmatch(bic):
            sys.exit(f"{path}:{line}: {bic} is not a Bulgarian BIC")
        # An IBAN names the bank by the BIC's first four letters, so they must be unique.
        if bic[:4] in codes:
            sys.exit(f"{path}:{line}: bank code {bic[:4]} is on line {codes[bic[:4]]} too")
        codes[bic[:4]] = line
        if not groups or groups[-1][0] != group:
            if any(g == group for g, _ in groups):
                sys.exit(f"{path}:{line}: the rows of group {group} must stand together")
            groups.append((group, []))
        groups[-1][1].append((name, bic))
    return groups


GROUPS = read_groups(SOURCE)


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

with open(TARGET, "w", encoding="ascii", newline="\r\n") as f:
    f.write("".join(parts))
print("wrote", os.path.normpath(TARGET))
