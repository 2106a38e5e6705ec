def main():
    i = 0
    while True:
        i = i + 1
        if i < @N@:
            continue
        break
    print(i)


main()
