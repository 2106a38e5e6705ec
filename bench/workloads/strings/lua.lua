local i, n, m, r, k, total = 0, 0, 0, 0, 0, 0
local s, a = "", ""
::top::
i = i + 1
s = "record " .. i .. " of the run"
s = string.upper(s)
n = #s
m = n - 7
s = string.sub(s, 5, m)
a = a .. s .. ":" .. n .. ","
r = i % 100
if r == 0 then
  k = #a
  total = total + k
  a = ""
end
if i < @N@ then goto top end
k = #a
total = total + k
print(total .. " " .. s)
