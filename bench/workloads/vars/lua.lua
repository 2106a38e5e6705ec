@@REPEAT V
v@k@ = 0
@@END
local r = 0
::top::
@@REPEAT V
v@k@ = v@prev@ + 1
@@END
r = r + 1
if r < @N@ then goto top end
print(v0 .. " " .. r)
