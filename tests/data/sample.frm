Recipient_name
ЕТ Иван Петров
recipient_iban_number1
BG80BNBG96611020345678
rec_bic1
BNBGBGSD
rebank

of_date
46364
depositor_iban_number1

dep_bic1

bank_name
УниКредит Булбанк
boun_lk

boun_egn

boun_bulstat

bounder_name

branch_name
Клон Витоша
b_add
бул. Витоша 12
sum
125
dr
40
with_words
сто двадесет и пет лв. и 40 ст.
to_date
46364
vid

reason

description

doc_number

vd

d_date
46364
tac

pay_system

dateiz
46364
code_br

kind_p

sebra

cact

kindpe

recipient_country

recipient_add

rebg
не
depositor_country

depositor_add

debg
не
econ_descript

bnb_number

recipi_lk

recipi_egn

condition

ium1

ium2

ium3

ium4

d1

d2

d3

d4

kindp1

reaso1

descript1

v1

doc_numbe1

ddat1
46364
of_dat1
46364
to_dat1
46364
kindp2

reaso2

descript2

v2

doc_numbe2

ddat2
46364
of_dat2
46364
to_dat2
46364
kindp3

reaso3

descript3

v3

doc_numbe3

ddat3
46364
of_dat3
46364
to_dat3
46364
reaso4

descript4

v4

doc_numbe4

ddat4
46364
kindp4

of_dat4
46364
to_dat4
46364
depositor_name

Преводно нареждане /Вносна бележка/ м.р.
