# Twin of the native member call benchmark: a method implemented natively (in C for
# CPython) called from script code.
import sys, time

def main(n):
    start = time.perf_counter()
    acc = []
    for i in range(1, n + 1):
        acc.append(i)
    elapsed = time.perf_counter() - start
    assert len(acc) == n
    print(elapsed, sum(acc))

main(int(sys.argv[1]))
