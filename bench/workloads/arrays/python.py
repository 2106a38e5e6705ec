def main():
    i = r = x = length = mid = total = 0
    w = []
    while True:
        i = i + 1
        r = i % 251
        w.append(r)
        length = len(w)
        if length > 100:
            del w[0]
        mid = length // 2
        x = w[mid]
        total = total + x
        if i < @N@:
            continue
        break
    length = len(w)
    print(f"{total} {length}")


main()
