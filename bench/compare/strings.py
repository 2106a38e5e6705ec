def main():
    t = ""
    for i in range(1, 200001):
        s = f"item {i} of the run".upper()
        n = len(s)
        s = s[0:4]
        t += s
    print(len(t))


main()
