local i = 0
::top::
i = i + 1
if i < @N@ then goto top end
print(i)
