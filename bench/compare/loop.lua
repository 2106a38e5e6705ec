local i, total = 0, 0
while true do
  i = i + 1
  if i % 2 == 1 then total = total + i end
  if not (i < 1000000) then break end
end
print(total % 4294967296)
