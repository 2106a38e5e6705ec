def main():
@@REPEAT V
    v@k@ = 0
@@END
    r = 0
    while True:
@@REPEAT V
        v@k@ = v@prev@ + 1
@@END
        r = r + 1
        if r < @N@:
            continue
        break
    print(f"{v0} {r}")


main()
