def square(x):
    return x * x


def mod7(x):
    return x % 7


def clamp(x):
    r = x
    if x > 20:
        r = 20
    return r


def hyp(x, z):
    s = square(x)
    return square(z) + s


def main():
    i = a = b = y = total = 0
    while True:
        i = i + 1
        a = i % 1000
        y = square(a)
        total = total + y
        y = mod7(a)
        total = total + y
        a = i % 37
        y = square(a)
        total = total + y
        y = clamp(a)
        total = total + y
        y = mod7(a)
        total = total - y
        b = i % 101
        y = hyp(a, b)
        total = total + y
        y = clamp(b)
        total = total - y
        if total > 1000000000:
            total = total - 1000000000
        if i < @N@:
            continue
        break
    print(total)


main()
