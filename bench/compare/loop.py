def main():
    i = total = 0
    while True:
        i += 1
        if i % 2 == 1:
            total += i
        if not i < 1000000:
            break
    print(total % 4294967296)


main()
