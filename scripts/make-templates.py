#!/usr/bin/env python3
"""Writes the document templates into data/forms/: one RTF document per document kind,
an A4 page of labelled boxes like the bank's printed form, with a placeholder (a field
name in plain text) where each value goes. Labels are Bulgarian, so no fixed text can
be mistaken for a placeholder."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from rtfwrite import esc  # noqa: E402

WIDTH = 10206  # A4 less 15 mm margins, in twips




def row(cells, height=430):
    """cells: (label, content, width); the last width 0 takes what is left."""
    used = sum(w for _, _, w in cells if w)
    x = 0
    defs = "\\trowd\\trgaph70\\trleft0\\trrh%d" % height
    for _, _, w in cells:
        x += w if w else WIDTH - used
        defs += ("\\clvertalt\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10"
                 "\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10\\cellx%d" % x)
    body = "\\pard\\intbl\\plain\\f0 "
    for label, content, _ in cells:
        body += "{\\fs13\\cf3 %s}\\line {\\fs19\\b %s}\\cell " % (esc(label), content)
    return defs + "\n" + body + "\\row\n"


def title(text, sub=None):
    s = "\\pard\\plain\\f0\\qc\\fs30\\b %s\\par\n" % esc(text)
    if sub:
        s += "\\pard\\plain\\f0\\qc\\fs16\\cf3 %s\\par\n" % esc(sub)
    return s + "\\pard\\plain\\f0\\fs8\\par\n"


def section(text):
    return "\\pard\\plain\\f0\\sb60\\sa10\\fs16\\b\\cf2 %s\\par\n" % esc(text)


def gap():
    return "\\pard\\plain\\f0\\fs8\\par\n"


def document(kind, long_words=False):
    budget = kind == "Бюджетно платежно нареждане"
    d_date = "doc_date" if kind == "Преводно нареждане /Вносна бележка/" else "d_date"
    of_date, to_date = ("ofda", "toda") if budget else ("of_date", "to_date")
    parts = [title(kind.upper(), "Формуляр на Formelan — попълнен от наредителя")]

    parts.append(section("До банката на наредителя"))
    parts.append(row([("Име на банката", "bank_name", 3600), ("Клон", "branch_name", 3000),
                      ("Адрес на клона", "b_add", 0)]))
    parts.append(section("Получател"))
    parts.append(row([("Платете на — име на получателя", "Recipient_name", 4800),
                      ("IBAN на получателя", "recipient_iban_number1", 3500),
                      ("BIC на банката на получателя", "rec_bic1", 0)]))
    parts.append(row([("При банка — банка на получателя", "rebank", 4800),
                      ("Вид валута", "vid", 1200), ("Сума", "sum,dr", 2300),
                      ("Вид плащане", "kind_p", 0)]))
    if long_words:
        parts.append(row([("Сума с думи", "with_words", 0)], height=900))
        parts.append(row([("Основание за плащане", "reason", 0)]))
    else:
        parts.append(row([("Сума с думи", "with_words", 4800),
                          ("Основание за плащане", "reason", 0)]))
    parts.append(row([("Още пояснения", "description", 0)]))
    parts.append(row([("Вид и номер на документа", "vd  doc_number", 3300),
                      ("Дата на документа", d_date, 2200),
                      ("Период — от дата", of_date, 2300), ("до дата", to_date, 0)]))
    parts.append(section("Задължено лице"))
    parts.append(row([("Име на задълженото лице", "bounder_name", 4000),
                      ("БУЛСТАТ", "boun_bulstat", 2200), ("ЕГН", "boun_egn", 2000),
                      ("ЛНЧ", "boun_lk", 0)]))
    parts.append(section("Наредител"))
    parts.append(row([("Име на наредителя", "depositor_name", 4800),
                      ("IBAN на наредителя", "depositor_iban_number1", 3500),
                      ("BIC на банката на наредителя", "dep_bic1", 0)]))
    parts.append(row([("Вид плащане", "kindpe", 1700), ("Платежна система", "pay_system", 2600),
                      ("Такси", "tac", 1200), ("Дата на изпълнение", "dateiz", 2300),
                      ("Код на дейност", "cact", 0)]))
    parts.append(row([("Код на бюджетния разпоредител", "code_br", 4800),
                      ("Вид плащане по СЕБРА", "sebra", 0)]))

    if kind in ("Преводно нареждане за кредитен превод", "Преводно нареждане за директен дебит"):
        parts.append(section("Данни за статистиката на платежния баланс"))
        parts.append(row([("Държава на получателя", "recipient_country", 2800),
                          ("Адрес на получателя", "recipient_add", 3800),
                          ("Местно лице", "rebg", 1800), ("Чуждестранно лице", "renobg", 0)]))
        parts.append(row([("Държава на наредителя", "depositor_country", 2800),
                          ("Адрес на наредителя", "depositor_add", 3800),
                          ("Местно лице", "debg", 1800), ("Чуждестранно лице", "denobg", 0)]))
        parts.append(row([("Описание на икономическата същност на превода", "econ_descript", 0)],
                         height=900))
        parts.append(row([("Номер по регистъра на БНБ", "bnb_number", 0)]))
    if kind == "Нареждане разписка":
        parts.append(section("Упълномощено лице"))
        parts.append(row([("Документ за самоличност №", "recipi_lk", 5100),
                          ("ЕГН на упълномощеното лице", "recipi_egn", 0)]))
    if kind == "Съгласие за директен дебит":
        parts.append(section("Условия на съгласието"))
        parts.append(row([("Условия", "condition", 0)], height=1400))
    if kind == "Преводно нареждане /Вносна бележка/ м.р.":
        for k in range(1, 5):
            parts.append(section("Плащане %d" % k))
            parts.append(row([("Сума", "ium%d,d%d" % (k, k), 2600),
                              ("Вид плащане", "kindp%d" % k, 1600),
                              ("Вид и номер на документа", "v%d  doc_numbe%d" % (k, k), 3000),
                              ("Дата на документа", "ddat%d" % k, 0)]))
            parts.append(row([("Основание", "reaso%d" % k, 5100),
                              ("Още пояснения", "descript%d" % k, 0)]))
            parts.append(row([("Период — от дата", "of_dat%d" % k, 5100),
                              ("до дата", "to_dat%d" % k, 0)]))

    parts.append(gap())
    parts.append(row([("Подпис на наредителя", "", 2600), ("Печат", "", 2500),
                      ("Приел (банков служител)", "", 2600), ("Дата на приемане", "", 0)],
                     height=900))
    head = ("{\\rtf1\\ansi\\ansicpg1251\\deff0\n"
            "{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}}\n"
            "{\\colortbl;\\red0\\green0\\blue0;\\red0\\green70\\blue140;\\red90\\green90\\blue90;}\n"
            "\\paperw11906\\paperh16838\\margl850\\margr850\\margt700\\margb700\n")
    return head + "".join(parts) + "}\n"


TEMPLATES = [
    ("Вносна бележка", "vnosna_belezhka.doc", False),
    ("Нареждане разписка", "narezhdane_razpiska.doc", False),
    ("Преводно нареждане за кредитен превод", "kreditni_prevod.doc", False),
    ("Преводно нареждане за директен дебит", "direkten_debit.doc", False),
    ("Съгласие за директен дебит", "saglasie_debit.doc", False),
    ("Бюджетно платежно нареждане", "byudzhetno_narezhdane.doc", False),
    ("Преводно нареждане /Вносна бележка/", "prevod_vnosna.doc", False),
    ("Преводно нареждане /Вносна бележка/ м.р.", "formuliar8.doc", False),
    ("Преводно нареждане /Вносна бележка/ м.р.", "formuliar8a.doc", True),
]

here = os.path.dirname(os.path.abspath(__file__))
out = os.path.join(here, "..", "data", "forms")
os.makedirs(out, exist_ok=True)
for kind, name, long_words in TEMPLATES:
    with open(os.path.join(out, name), "w", encoding="ascii", newline="\r\n") as f:
        f.write(document(kind, long_words))
print("wrote", len(TEMPLATES), "templates to", os.path.normpath(out))
