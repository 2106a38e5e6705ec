local lines, len, total = 0, 0, 0
for line in io.lines() do
  len = #line
  total = total + len
  lines = lines + 1
end
print(lines .. " " .. total)
