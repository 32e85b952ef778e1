# Twin of the string building benchmark: append to one string many times.
import sys, time

def main(n):
    start = time.perf_counter()
    s = ""
    for i in range(1, n + 1):
        s += "ab" + str(i)
    elapsed = time.perf_counter() - start
    assert len(s) > n
    print(elapsed, len(s))

main(int(sys.argv[1]))
