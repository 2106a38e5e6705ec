local i, r, x, len, mid, sum = 0, 0, 0, 0, 0, 0
local w = {}
::top::
i = i + 1
r = i % 251
w[#w + 1] = r
len = #w
if len > 100 then table.remove(w, 1) end
mid = math.floor(len / 2)
x = w[mid + 1]
sum = sum + x
if i < @N@ then goto top end
len = #w
print(sum .. " " .. len)
