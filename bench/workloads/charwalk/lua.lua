local len, i, inword, words, letters = 0, 0, 0, 0, 0
local c
local f = assert(io.open("@DATA@", "r"))
for line in f:lines() do
  len = #line
  i = 0
  inword = 0
  ::walk::
  if i < len then
    i = i + 1
    c = string.sub(line, i, i)
    if c == " " then
      inword = 0
    else
      letters = letters + 1
      if inword == 0 then words = words + 1 end
      inword = 1
    end
    goto walk
  end
end
f:close()
print(words .. " " .. letters)
