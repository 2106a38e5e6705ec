local n, k, c = 0, 0, 0
local w, pair
local t = {}
local f = assert(io.open("@DATA@", "r"))
for word in f:lines() do
  n = #t
  k = 0
  while true do
    if k >= n then
      t[n + 1] = {word, 1}
      break
    end
    pair = t[k + 1]
    w = pair[1]
    if w == word then
      c = pair[2]
      c = c + 1
      table.remove(pair, 2)
      pair[#pair + 1] = c
      break
    end
    k = k + 1
  end
end
f:close()
n = #t
for k = 1, n do
  pair = t[k]
  w = pair[1]
  c = pair[2]
  print(w .. " " .. c)
end
