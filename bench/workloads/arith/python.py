def main():
    n = 0
    m = 0
    d = 0
    total = 0
    while True:
        n = n + 1
        m = n
        while True:
            d = m % 10
            total = total + d
            m = m // 10
            if m > 0:
                continue
            break
        if n < @N@:
            continue
        break
    print(total)


main()
