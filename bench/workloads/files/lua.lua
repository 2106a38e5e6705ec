local i, n, lines, total = 0, 0, 0, 0
local f = assert(io.open("lines.txt", "w"))
::write::
i = i + 1
f:write("record " .. i .. " of the bench files\n")
if i < @N@ then goto write end
f:close()
f = assert(io.open("lines.txt", "r"))
for line in f:lines() do
  n = #line
  total = total + n
  lines = lines + 1
end
f:close()
print(lines .. " " .. total)
