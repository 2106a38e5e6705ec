import sys


def main():
    lines = length = total = 0
    for line in sys.stdin:
        line = line.rstrip("\n")
        length = len(line)
        total = total + length
        lines = lines + 1
    print(f"{lines} {total}")


main()
