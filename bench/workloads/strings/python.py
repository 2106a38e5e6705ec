def main():
    i = n = m = r = k = total = 0
    s = a = ""
    while True:
        i = i + 1
        s = f"record {i} of the run"
        s = s.upper()
        n = len(s)
        m = n - 7
        s = s[4:m]
        a = f"{a}{s}:{n},"
        r = i % 100
        if r == 0:
            k = len(a)
            total = total + k
            a = ""
        if i < @N@:
            continue
        break
    k = len(a)
    total = total + k
    print(f"{total} {s}")


main()
