local n, m, d, sum = 0, 0, 0, 0
::outer::
n = n + 1
m = n
::inner::
d = m % 10
sum = sum + d
m = math.floor(m / 10)
if m > 0 then goto inner end
if n < @N@ then goto outer end
print(sum)
