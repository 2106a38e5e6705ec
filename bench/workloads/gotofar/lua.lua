local i, x = 0, 0
::a::
i = i + 1
goto b
@@REPEAT FAR
x = x + 1
@@END
::b::
if i < @N@ then goto a end
print(i .. " " .. x)
