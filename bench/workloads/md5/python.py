from hashlib import md5


def main():
    i = 0
    h = ""
    while True:
        h = md5(h.encode()).hexdigest()
        i = i + 1
        if i < @N@:
            continue
        break
    print(h)


main()
