#!/usr/bin/env python3
"""Writes the document templates into data/forms/: one RTF document per document kind,
laid out as that kind's bank form, with a placeholder (a field name in plain text) where
each value goes. Which fields each form carries is read from template-fields.txt; the
layout below must place exactly those, and no fixed text may contain a placeholder name.

Amounts, IBANs, BICs, dates and codes go into character boxes. A box row is two table
rows: a cell that spans the boxes and holds the placeholder in Courier New 15 pt, whose
characters are 180 twips wide, and under it one short cell per box, whose side borders
mark the boxes off. A box is 181 twips: a full row of characters then never wraps, and
the 22nd character of an IBAN still stands only 21 twips (0.4 mm) right of its box's
left edge. Only plain tables, fonts and paragraphs are used, no fixed row heights,
so that any word processor, and our own reader, shows the form alike."""
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from rtfwrite import esc  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
BOX = 181  # one character box, in twips
COLS = 58  # boxes across the page
FULL = COLS - 1  # the last box's width holds each row's strut
PAGE_W, PAGE_H = 11906, 16838  # A4 in twips
MARGIN_X = (PAGE_W - COLS * BOX) // 2
MARGIN_Y = 480

INSET = "\\ltrpar\\ql\\li57\\ri57"  # written-out values keep clear of their box's edges, in any script
MONO = "\\f1\\fs30 "  # the value in a row of boxes
TEXT = "\\f0\\fs20\\b "  # a value written out
SMALL = "\\f0\\fs18\\b "  # where several stand in one line
LABEL = "\\f0\\fs13 "  # the printed caption over a box
COMB = "\\fs6 "  # the boxes' lower edge, with the marks between them
LABEL_STRUT = "\\fs16  "  # a little air above the captions
VALUE_STRUT = "\\fs34  "  # a row of values a little taller than the boxes' characters
BORDER = "\\brdrs\\brdrw10"

SUBSTITUTES = ["ofda", "toda", "doc_date", "renobg", "denobg", "obligated_id"]


# ---------------------------------------------------------------------------------------
# The fields table

def read_table():
    """template file -> (kind's menu item, [placeholders in the form's order])"""
    table = {}
    current = None
    with open(os.path.join(HERE, "template-fields.txt"), encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].rstrip()
            if not line:
                continue
            if not line[0].isspace():
                name, item = line.split()
                current = table.setdefault(name, (item, []))
            else:
                current[1].extend(line.split())
    return table


def field_names():
    """Every placeholder name the output knows: the fields of the document window, read
    from its field table, and the substitute names."""
    with open(os.path.join(HERE, "..", "src", "form", "fieldset.cpp"), encoding="utf-8") as f:
        names = re.findall(r'^\s*\{u"(\w+)",\s+K::', f.read(), re.M)
    assert len(names) == 84, len(names)
    return names + SUBSTITUTES


# ---------------------------------------------------------------------------------------
# Rows and cells

class Form:
    def __init__(self):
        self.parts = []
        self.placed = []

    def ph(self, name):
        self.placed.append(name)
        return name

    def add(self, rtf):
        self.parts.append(rtf)


def borders(sides):
    return "".join("\\clbrdr%s%s" % (s, BORDER) for s in sides)


def row(cells, strut="", valign="b"):
    """cells: (first column, end column, sides with borders, paragraph RTF); gaps between
    cells become empty cells without borders. The last column holds `strut`, text that
    gives the row its least height: rows keep their natural height, which every word
    processor works out alike, where a fixed row height is not honoured by all."""
    defs = "\\trowd\\trgaph0\\trleft0"
    body = ""
    x = 0
    for x0, x1, sides, content in sorted(cells, key=lambda c: c[0]):
        assert x0 >= x and x1 > x0 and x1 <= FULL, (x0, x1, x)
        if x0 > x:
            defs += "\\cellx%d" % (x0 * BOX)
            body += "\\pard\\intbl\\plain\\f0\\fs13\\cell "
        defs += "\\clvertal%s%s\\cellx%d" % (valign, borders(sides), x1 * BOX)
        body += "\\pard\\intbl\\plain%s\\cell " % content
        x = x1
    # Every row spans the page: word processors stretch a shorter row's last cell.
    defs += "\\cellx%d" % (COLS * BOX)
    body += "\\pard\\intbl\\plain\\f0%s\\cell " % (strut or "\\fs13 ")
    return defs + "\n" + body + "\\row\n"


class Item:
    """Something on one line of the form: a caption above, a value row, boxes below."""
    label = ""
    strong = False  # a caption that heads a group of fields
    col = 0
    width = 0

    def value(self, form):
        return []

    def comb(self):
        return []


class Boxes(Item):
    def __init__(self, col, label, name, n):
        self.col, self.label, self.name, self.width = col, label, name, n

    def value(self, form):
        return [(self.col, self.col + self.width, "ltr", "\\ql" + MONO + form.ph(self.name))]

    def comb(self):
        return [(self.col + i, self.col + i + 1, "lrb", COMB) for i in range(self.width)]


class Amount(Item):
    """Leva in ten boxes, then the stotinki in two."""

    def __init__(self, col, label, leva, stotinki):
        self.col, self.label, self.leva, self.stotinki, self.width = col, label, leva, stotinki, 13

    def value(self, form):
        c = self.col
        return [(c, c + 10, "ltr", "\\ql" + MONO + form.ph(self.leva)),
                (c + 10, c + 11, "", "\\qc" + MONO + ","),
                (c + 11, c + 13, "ltr", "\\ql" + MONO + form.ph(self.stotinki))]

    def comb(self):
        c = self.col
        return ([(c + i, c + i + 1, "lrb", COMB) for i in range(10)] +
                [(c + 11 + i, c + 12 + i, "lrb", COMB) for i in range(2)])


class Text(Item):
    """A value written out in a plain box, one or more lines."""

    def __init__(self, col, label, name, width, fmt=TEXT):
        self.col, self.label, self.name, self.width, self.fmt = col, label, name, width, fmt

    def value(self, form):
        return [(self.col, self.col + self.width, "ltr", INSET + self.fmt + form.ph(self.name))]

    def comb(self):
        return [(self.col, self.col + self.width, "lrb", COMB)]


class Amounts(Text):
    """An amount written out: leva, a comma and stotinki in one plain box."""

    def __init__(self, col, label, leva, stotinki, width):
        Text.__init__(self, col, label, leva, width)
        self.stotinki = stotinki

    def value(self, form):
        return [(self.col, self.col + self.width, "ltr",
                 INSET + self.fmt + form.ph(self.name) + "," + form.ph(self.stotinki))]


class Mark(Item):
    """A small box for a yes/no mark."""

    def __init__(self, col, label, name, width=3):
        self.col, self.label, self.name, self.width = col, label, name, width

    def value(self, form):
        return [(self.col, self.col + self.width, "ltr", "\\qc" + TEXT + form.ph(self.name))]

    def comb(self):
        return [(self.col, self.col + self.width, "lrb", COMB)]


class Blank(Item):
    """A box the clerk or the bank fills in by hand."""

    def __init__(self, col, label, width):
        self.col, self.label, self.width = col, label, width

    def value(self, form):
        return [(self.col, self.col + self.width, "ltr", TEXT)]

    def comb(self):
        return [(self.col, self.col + self.width, "lrb", COMB)]


class Title(Item):
    """The form's name, printed in the line of its amount as the bank forms have it."""

    def __init__(self, col, width, lines, sub=None, fs=22):
        self.col, self.width, self.lines, self.sub, self.fs = col, width, lines, sub, fs

    def value(self, form):
        text = "\\line ".join(esc(t) for t in self.lines)
        if self.sub:
            text += "\\line {\\fs16\\b0 %s}" % esc(self.sub)
        return [(self.col, self.col + self.width, "", "\\qc\\f0\\fs%d\\b " % self.fs + text)]


class Note(Item):
    """Fixed text in the value row."""

    def __init__(self, col, width, text, fs=15):
        self.col, self.width, self.text, self.fs = col, width, text, fs

    def value(self, form):
        return [(self.col, self.col + self.width, "", "\\ql\\f0\\fs%d " % self.fs + esc(self.text))]


def line(form, items, lines=1):
    """Captions, then the values, then the boxes' lower edge."""
    items = sorted(items, key=lambda i: i.col)
    labels = []
    for k, it in enumerate(items):
        if it.label:
            end = items[k + 1].col if k + 1 < len(items) else FULL
            labels.append((it.col, end, "", "\\ql" + LABEL + ("\\b " if it.strong else "") +
                           esc(it.label)))
    if labels:
        form.add(row(labels, strut=LABEL_STRUT))
    values = [c for it in items for c in it.value(form)]
    if lines == 1:
        form.add(row(values, strut=VALUE_STRUT))
    else:  # a box for several lines of text, written from its top
        form.add(row(values, strut="\\fs20 " + " \\line " * (lines - 1) + " ", valign="t"))
    combs = [c for it in items for c in it.comb()]
    if combs:
        form.add(row(combs, valign="t"))


def gap(form, fs=8):
    form.add("\\pard\\plain\\f0\\fs%d\\par\n" % fs)


def heading(form, text, fs=15):
    form.add("\\pard\\plain\\f0\\fs%d\\b %s\\par\n" % (fs, esc(text)))


def paragraph(form, text, fs=16, align="ql"):
    form.add("\\pard\\plain\\%s\\f0\\fs%d %s\\par\n" % (align, fs, esc(text)))


# ---------------------------------------------------------------------------------------
# Parts that several forms share

def to_bank(form, signs, bank="bank_name"):
    """Which bank the document goes to, and the lines the clerk fills in by hand."""
    under = "b"
    rows = [("БАНКА", bank, "Дата на представяне"),
            ("КЛОН", "branch_name", signs),
            ("АДРЕС", "b_add", None)]
    form.add(row([(0, 4, "", "\\ql\\f0\\fs18\\b " + esc("До"))]))
    for caption, name, right in rows:
        cells = [(0, 5, "", "\\ql\\f0\\fs15 " + esc(caption)),
                 (5, 31, under, "\\ql" + TEXT + form.ph(name))]
        if right:
            cells.append((34, 46, "", "\\ql\\f0\\fs15 " + esc(right)))
            cells.append((46, FULL, under, TEXT))
        form.add(row(cells, strut="\\fs24  "))
    gap(form)


def party(form, who, name, iban, bic, name_label=None):
    line(form, [Text(0, name_label or "%s \u2014 име" % who, name, FULL)])
    line(form, [Boxes(0, "IBAN на %s" % who_of(who), iban, 22),
                Boxes(25, "BIC на банката на %s" % who_of(who), bic, 8)])


def who_of(who):
    return {"Получател": "получателя", "Наредител": "наредителя", "Платец": "платеца"}[who]


def recipient(form, who="Получател", name_label="Платете на \u2014 име на получателя",
              bank_label="При банка \u2014 име на банката на получателя"):
    party(form, who, "Recipient_name", "recipient_iban_number1", "rec_bic1", name_label)
    line(form, [Text(0, bank_label, "rebank", FULL)])


def payer(form, who="Наредител", name_label=None):
    party(form, who, "depositor_name", "depositor_iban_number1", "dep_bic1", name_label)


def title_amount(form, lines, extra=(), sub=None):
    line(form, [Title(0, 27, lines, sub), Boxes(29, "Вид валута", "vid", 3),
                Amount(34, "Сума", "sum", "dr")] + list(extra))


def reason(form, label="Основание за превода \u2014 информация за получателя"):
    line(form, [Text(0, label, "reason", FULL)])


def description(form):
    line(form, [Text(0, "Още пояснения", "description", FULL)])


def words(form, width=FULL, col=0):
    line(form, [Text(col, "Сума словом", "with_words", width)])


def execution(form, fees=True):
    items = [Text(0, "Платежна система", "pay_system", 12)]
    if fees:
        items.append(Boxes(15, "Такси*", "tac", 1))
    items.append(Boxes(24, "Дата за изпълнение (ддммгггг)", "dateiz", 8))
    line(form, items)
    if fees:
        paragraph(form, "*Такси: 1 \u2013 за сметка на наредителя; 2 \u2013 споделени (стандарт "
                        "за местни преводи); 3 \u2013 за сметка на получателя", fs=13)


def optional_kind(form):
    paragraph(form, "**Вид плащане: попълва се по избор, само при превод по сметка с "
                    "идентификатор 84 (13-та и 14-та позиция на IBAN)", fs=13)


def budget_reason(form):
    """Since 1 October 2023 "Основание" of a budget payment begins with the obligated
    person's identifier in positions 1 to 13 (ЕИК/БУЛСТАТ, ЕГН, or LNC and the ЛНЧ);
    free text follows from position 14."""
    line(form, [Boxes(0, "Основание за плащане: ЕИК, ЕГН или LNC+ЛНЧ",
                      "obligated_id", 13),
                Text(14, "Основание за плащане: текст от 14-та позиция", "reason", FULL - 14)])


def obligated(form):
    line(form, [Text(0, "Задължено лице \u2014 наименование на юридическото лице или трите "
                        "имена на физическото лице", "bounder_name", FULL)])


def balance_of_payments(form, first, second):
    """The statistics of the balance of payments, asked for transfers between local and
    foreign persons."""
    gap(form)
    heading(form, "Попълва се при плащане между местно и чуждестранно лице")
    for who, country, address, mark, nomark in (
            (first, "recipient_country", "recipient_add", "rebg", "renobg"),
            (second, "depositor_country", "depositor_add", "debg", "denobg")):
        line(form, [Text(0, "Държава на %s" % who, country, 14),
                    Text(15, "Адрес на %s" % who, address, 26),
                    Mark(43, "Местно лице", mark),
                    Mark(50, "Чуждестранно лице", nomark)])
    line(form, [Text(0, "Описание на икономическата същност на превода", "econ_descript", FULL)], lines=3)
    line(form, [Text(0, "Номер по регистъра на БНБ", "bnb_number", 18)])


def signatures(form, captions):
    gap(form)
    n = len(captions)
    width = FULL // n
    line(form, [Blank(k * width + (1 if k else 0), c, width - 1) for k, c in enumerate(captions)],
         lines=3)


# ---------------------------------------------------------------------------------------
# The forms

def vnosna_belezhka(form):
    to_bank(form, "Подпис на вносителя")
    recipient(form)
    title_amount(form, ["ВНОСНА БЕЛЕЖКА"])
    words(form)
    reason(form, "Основание за внасяне")
    description(form)
    line(form, [Text(0, "Вносител \u2014 име", "depositor_name", FULL)])
    signatures(form, ["Приел (касиер)", "Дата и час на приемане"])


def narezhdane_razpiska(form):
    to_bank(form, "Подпис на наредителя")
    payer(form, name_label="Наредител \u2014 име на титуляря на сметката")
    title_amount(form, ["НАРЕЖДАНЕ", "РАЗПИСКА"])
    words(form)
    reason(form, "Основание за плащането")
    description(form)
    line(form, [Text(0, "Платете на \u2014 име на лицето, което получава сумата",
                     "Recipient_name", FULL)])
    line(form, [Boxes(0, "Документ за самоличност №", "recipi_lk", 9),
                Boxes(13, "ЕГН на получаващия сумата", "recipi_egn", 10)])
    signatures(form, ["Получих сумата (подпис)", "Изплатил (касиер)", "Контрольор"])


def kreditni_prevod(form):
    to_bank(form, "Подпис на наредителя")
    recipient(form)
    title_amount(form, ["ПЛАТЕЖНО НАРЕЖДАНЕ /", "ВНОСНА БЕЛЕЖКА"], sub="за кредитен превод")
    reason(form)
    description(form)
    payer(form)
    execution(form)
    balance_of_payments(form, "получателя", "наредителя")


def direkten_debit(form):
    # The recipient hands a direct debit to its own bank; the bank the program fills from
    # the payer's IBAN is the payer's, in the payer's part of the form.
    to_bank(form, "Подпис на получателя", bank="rebank")
    party(form, "Получател", "Recipient_name", "recipient_iban_number1", "rec_bic1",
          "Получател \u2014 име")
    title_amount(form, ["ПЛАТЕЖНО НАРЕЖДАНЕ", "ЗА ДИРЕКТЕН ДЕБИТ"])
    reason(form, "Основание за плащане \u2014 информация за платеца")
    description(form)
    payer(form, "Платец", "Платец \u2014 име")
    line(form, [Text(0, "При банка \u2014 име на банката на платеца", "bank_name", FULL)])
    execution(form, fees=False)
    balance_of_payments(form, "получателя", "платеца")


def saglasie_debit(form):
    to_bank(form, "Дата на приемане")
    form.add("\\pard\\plain\\qc\\f0\\fs26\\b %s\\par\n" % esc("СЪГЛАСИЕ ЗА ДИРЕКТЕН ДЕБИТ"))
    gap(form)
    paragraph(form, "Давам съгласие сметката ми да бъде задължавана с директен дебит по "
                    "искане на посочения по-долу получател при условията на това съгласие.")
    gap(form)
    payer(form, "Платец", "Платец \u2014 име на титуляря на сметката")
    gap(form)
    recipient(form, "Получател", "Получател \u2014 име")
    line(form, [Boxes(0, "Вид валута", "vid", 3),
                Amounts(5, "Най-голяма сума на едно плащане", "sum", "dr", 16)])
    reason(form, "Основание за плащанията (договор, фактура, споразумение)")
    # Validity and frequency have no fields of their own: boxes for the clerk's hand.
    line(form, [Blank(0, "Валидно до (ддммгггг)", 12),
                Blank(14, "Честота на плащанията", 24)])
    line(form, [Text(0, "Други условия и ограничения на съгласието", "condition", FULL)],
         lines=6)
    signatures(form, ["Подпис на платеца", "Приел (банков служител)"])


def byudzhetno_narezhdane(form):
    to_bank(form, "Подпис на наредителя")
    recipient(form)
    # Since 1 October 2023 the budget forms carry no document and no period, and the
    # code of the payment's kind is optional.
    title_amount(form, ["ПЛАТЕЖНО НАРЕЖДАНЕ /", "ВНОСНА БЕЛЕЖКА"],
                 [Boxes(50, "Вид плащане**", "kind_p", 6)], sub="за плащане от/към бюджета")
    budget_reason(form)
    description(form)
    obligated(form)
    payer(form)
    execution(form)
    optional_kind(form)
    gap(form)
    heading(form, "Попълва се при плащане от бюджетна организация чрез СЕБРА")
    line(form, [Boxes(0, "Код на бюджетния разпоредител", "code_br", 10),
                Boxes(14, "Вид плащане по СЕБРА", "sebra", 6),
                Boxes(24, "Код на дейността", "cact", 4)])


def prevod_vnosna(form):
    to_bank(form, "Подпис на наредителя")
    recipient(form)
    title_amount(form, ["ПЛАТЕЖНО НАРЕЖДАНЕ /", "ВНОСНА БЕЛЕЖКА"],
                 sub="за плащане от/към бюджета")
    words(form)
    budget_reason(form)
    description(form)
    obligated(form)
    line(form, [Text(0, "Наредител / вносител \u2014 име", "depositor_name", FULL)])
    line(form, [Boxes(0, "IBAN на наредителя", "depositor_iban_number1", 22),
                Boxes(25, "Вид плащане**", "kindpe", 6),
                Boxes(34, "BIC на банката на наредителя", "dep_bic1", 8)])
    execution(form)
    optional_kind(form)


def formuliar8(form, long_words):
    to_bank(form, "Подпис на наредителя")
    party(form, "Получател", "Recipient_name", "recipient_iban_number1", "rec_bic1",
          "Платете на \u2014 име на получателя")
    if long_words:
        line(form, [Text(0, "При банка \u2014 име на банката на получателя", "rebank", FULL)])
    else:
        line(form, [Text(0, "При банка \u2014 име на банката на получателя", "rebank", 28),
                     Text(30, "Сума словом", "with_words", 27)])
    title_amount(form, ["ПЛАТЕЖНО НАРЕЖДАНЕ /", "ВНОСНА БЕЛЕЖКА"],
                 sub="за плащане от/към бюджета, до четири плащания")
    if long_words:
        words(form)
    for k in range(1, 5):
        amount = Amount(0, "Сума %d" % k, "ium%d" % k, "d%d" % k)
        amount.strong = True
        line(form, [amount,
                    Boxes(15, "Вид плащане", "kindp%d" % k, 6),
                    Boxes(23, "Вид док.", "v%d" % k, 1),
                    Text(27, "Номер на документа", "doc_numbe%d" % k, 14, SMALL),
                    Boxes(43, "Дата на документа (ддммгггг)", "ddat%d" % k, 8)])
        line(form, [Text(0, "Основание за плащане", "reaso%d" % k, 19, SMALL),
                    Text(20, "Още пояснения", "descript%d" % k, 19, SMALL),
                    Boxes(40, "от дата (ддммгггг)", "of_dat%d" % k, 8),
                    Boxes(49, "до дата (ддммгггг)", "to_dat%d" % k, 8)])
    # Four payments leave no room for the lines of the other budget forms: the obligated
    # person's name shares the line of the identifiers, and the execution that of the
    # payer's account.
    line(form, [Text(0, "Задължено лице \u2014 име", "bounder_name", 20),
                Boxes(21, "БУЛСТАТ на задълженото лице", "boun_bulstat", 13),
                Boxes(35, "ЕГН на задълженото лице", "boun_egn", 10),
                Boxes(47, "ЛНЧ на задълженото лице", "boun_lk", 10)])
    line(form, [Text(0, "Наредител / вносител \u2014 име", "depositor_name", FULL)])
    line(form, [Boxes(0, "IBAN на наредителя", "depositor_iban_number1", 22),
                Boxes(23, "BIC на наредителя", "dep_bic1", 8),
                Text(32, "Платежна система", "pay_system", 12),
                Boxes(45, "Такси", "tac", 1),
                Boxes(48, "Дата на изпълнение", "dateiz", 8)])


TEMPLATES = {
    "vnosna_belezhka.doc": vnosna_belezhka,
    "narezhdane_razpiska.doc": narezhdane_razpiska,
    "kreditni_prevod.doc": kreditni_prevod,
    "direkten_debit.doc": direkten_debit,
    "saglasie_debit.doc": saglasie_debit,
    "byudzhetno_narezhdane.doc": byudzhetno_narezhdane,
    "prevod_vnosna.doc": prevod_vnosna,
    "formuliar8.doc": lambda form: formuliar8(form, False),
    "formuliar8a.doc": lambda form: formuliar8(form, True),
}


def document(layout):
    form = Form()
    layout(form)
    head = ("{\\rtf1\\ansi\\ansicpg1251\\deff0\n"
            "{\\fonttbl{\\f0\\fswiss\\fcharset204\\fprq2 Arial;}"
            "{\\f1\\fmodern\\fcharset204\\fprq1 Courier New;}}\n"
            "\\paperw%d\\paperh%d\\margl%d\\margr%d\\margt%d\\margb%d\n"
            % (PAGE_W, PAGE_H, MARGIN_X, MARGIN_X, MARGIN_Y, MARGIN_Y))
    return head + "".join(form.parts) + "}\n", form.placed


# ---------------------------------------------------------------------------------------
# Checks

def visible_text(rtf):
    """The text a word processor shows: cells end in a tab, paragraphs in a new line."""
    out = []
    skip_depth = None
    depth = 0
    tokens = re.finditer(r"\\([a-z]+)(-?\d+)? ?|\\'([0-9a-f]{2})|\\(.)|([{}])|([^\\{}\r\n]+)|\r?\n",
                         rtf)
    for m in tokens:
        word, param, hexbyte, symbol, brace, text = m.groups()
        if brace == "{":
            depth += 1
            continue
        if brace == "}":
            if skip_depth == depth:
                skip_depth = None
            depth -= 1
            continue
        if skip_depth is not None:
            continue
        if word in ("fonttbl", "colortbl") or symbol == "*":
            skip_depth = depth
        elif word in ("par", "row", "line"):
            out.append("\n")
        elif word in ("cell", "tab"):
            out.append("\t")
        elif hexbyte:
            out.append(bytes([int(hexbyte, 16)]).decode("cp1251"))
        elif symbol:
            out.append(symbol)
        elif text:
            out.append(text)
    return "".join(out)


def check(name, rtf, placed, wanted, names):
    """The template carries exactly the wanted placeholders, each as a word of its own and
    one run of the source, and no fixed text holds a placeholder name in any case."""
    problems = []
    if placed != wanted:
        problems.append("places %s, the table lists %s" % (placed, wanted))
    lowered = [n.lower() for n in names]
    for m in re.finditer(r"[A-Za-z0-9_]+", visible_text(rtf)):
        token = m.group()
        if token in wanted:
            others = [n for n in lowered if n != token.lower() and n in token.lower()]
            if others:
                problems.append("placeholder %s holds %s" % (token, others))
            continue
        hits = [n for n in lowered if n in token.lower()]
        if hits:
            problems.append("fixed text %r holds %s" % (token, hits))
    for ph in wanted:
        if not re.search(r"(?<![A-Za-z0-9_'])" + re.escape(ph) + r"(?![A-Za-z0-9_])", rtf):
            problems.append("%s is not one run of the source" % ph)
    if problems:
        sys.exit("%s:\n  %s" % (name, "\n  ".join(problems)))


def main():
    table = read_table()
    names = field_names()
    assert set(table) == set(TEMPLATES), set(table) ^ set(TEMPLATES)
    out = os.path.join(HERE, "..", "data", "forms")
    os.makedirs(out, exist_ok=True)
    for name, layout in TEMPLATES.items():
        rtf, placed = document(layout)
        check(name, rtf, placed, table[name][1], names)
        with open(os.path.join(out, name), "w", encoding="ascii", newline="\r\n") as f:
            f.write(rtf)
    print("wrote", len(TEMPLATES), "templates to", os.path.normpath(out))


if __name__ == "__main__":
    main()
