local parts = {}
for i = 1, 200000 do
  local s = string.upper("item " .. i .. " of the run")
  local n = #s
  parts[#parts + 1] = string.sub(s, 1, 4)
end
print(#table.concat(parts))
