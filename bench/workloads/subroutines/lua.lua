local i, a, b, y, sum = 0, 0, 0, 0, 0

local function square(x)
  return x * x
end

local function mod7(x)
  return x % 7
end

local function clamp(x)
  local r = x
  if x > 20 then r = 20 end
  return r
end

local function hyp(x, z)
  local s = square(x)
  return square(z) + s
end

::top::
i = i + 1
a = i % 1000
y = square(a)
sum = sum + y
y = mod7(a)
sum = sum + y
a = i % 37
y = square(a)
sum = sum + y
y = clamp(a)
sum = sum + y
y = mod7(a)
sum = sum - y
b = i % 101
y = hyp(a, b)
sum = sum + y
y = clamp(b)
sum = sum - y
if sum > 1000000000 then sum = sum - 1000000000 end
if i < @N@ then goto top end
print(sum)
