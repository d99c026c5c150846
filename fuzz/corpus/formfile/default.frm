Recipient_name

recipient_iban_number1

rec_bic1

rebank

of_date
39448,5
depositor_iban_number1

dep_bic1

bank_name

boun_lk

boun_egn

boun_bulstat

bounder_name

branch_name

b_add

sum
0
dr
00
with_words

to_date
39448,5
vid
BGN
reason

description

doc_number

vd

d_date
39448,5
tac

pay_system

dateiz
39448,5
code_br

kind_p

sebra

cact

kindpe

recipient_country

recipient_add

rebg
да
depositor_country

depositor_add

debg
да
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
39448,5
of_dat1
39448,5
to_dat1
39448,5
kindp2

reaso2

descript2

v2

doc_numbe2

ddat2
39448,5
of_dat2
39448,5
to_dat2
39448,5
kindp3

reaso3

descript3

v3

doc_numbe3

ddat3
39448,5
of_dat3
39448,5
to_dat3
39448,5
reaso4

descript4

v4

doc_numbe4

ddat4
39448,5
kindp4

of_dat4
39448,5
to_dat4
39448,5
depositor_name

Преводно нареждане /Вносна бележка/ м.р.
