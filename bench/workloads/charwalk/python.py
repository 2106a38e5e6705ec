def main():
    length = i = inword = words = letters = 0
    with open("@DATA@", encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            length = len(line)
            i = 0
            inword = 0
            while True:
                if i >= length:
                    break
                c = line[i]
                i = i + 1
                if c == " ":
                    inword = 0
                    continue
                letters = letters + 1
                if inword == 0:
                    words = words + 1
                inword = 1
    print(f"{words} {letters}")


main()
