SUM
5
reason
sum
Вносна бележка