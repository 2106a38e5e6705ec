def main():
    i = 0
    x = 0
    while True:
        i = i + 1
        if i < 0:
@@REPEAT FAR
            x = x + 1
@@END
        if i < @N@:
            continue
        break
    print(i, x)


main()
