def main():
    table = []
    with open("@DATA@", encoding="utf-8") as f:
        for line in f:
            word = line.rstrip("\n")
            n = len(table)
            k = 0
            while True:
                if k >= n:
                    table.append([word, 1])
                    break
                pair = table[k]
                w = pair[0]
                if w == word:
                    c = pair[1]
                    c = c + 1
                    del pair[1]
                    pair.append(c)
                    break
                k = k + 1
    n = len(table)
    k = 0
    while k < n:
        pair = table[k]
        w = pair[0]
        c = pair[1]
        print(f"{w} {c}")
        k = k + 1


main()
