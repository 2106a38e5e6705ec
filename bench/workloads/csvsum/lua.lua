local len, i, j, field, start, amount, low, high, rows = 0, 0, 0, 0, 0, 0, 0, 0, 0
local c, cut
local f = assert(io.open("@DATA@", "r"))
for line in f:lines() do
  len = #line
  i = 0
  field = 0
  start = 0
  while true do
    if i >= len then break end
    j = i + 1
    c = string.sub(line, j, j)
    if c == "," then
      field = field + 1
      if field == 3 then
        cut = string.sub(line, start + 1, i)
        amount = tonumber(cut)
        low = low + amount
        rows = rows + 1
        if low >= 1000000000 then
          low = low - 1000000000
          high = high + 1
        end
        break
      end
      i = j
      start = j
    else
      i = j
    end
  end
end
f:close()
print(rows .. " " .. high .. " " .. low)
