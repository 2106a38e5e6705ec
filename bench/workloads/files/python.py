def main():
    i = n = lines = total = 0
    with open("lines.txt", "w", encoding="utf-8") as f:
        while True:
            i = i + 1
            f.write(f"record {i} of the bench files\n")
            if i < @N@:
                continue
            break
    with open("lines.txt", encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            n = len(line)
            total = total + n
            lines = lines + 1
    print(f"{lines} {total}")


main()
