def main():
    length = i = j = field = start = amount = low = high = rows = 0
    with open("@DATA@", encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            length = len(line)
            i = 0
            field = 0
            start = 0
            while True:
                if i >= length:
                    break
                j = i + 1
                c = line[i]
                if c == ",":
                    field = field + 1
                    if field == 3:
                        cut = line[start:i]
                        amount = int(cut)
                        low = low + amount
                        rows = rows + 1
                        if low >= 1000000000:
                            low = low - 1000000000
                            high = high + 1
                        break
                    i = j
                    start = j
                    continue
                i = j
    print(f"{rows} {high} {low}")


main()
