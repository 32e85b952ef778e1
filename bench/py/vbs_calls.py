# Twin of the procedure call benchmark.
import sys, time

def add(a, b):
    return a + b

def main(n):
    start = time.perf_counter()
    t = 0
    for i in range(1, n + 1):
        t = add(t, i)
    elapsed = time.perf_counter() - start
    assert t == n * (n + 1) // 2
    print(elapsed, t)

main(int(sys.argv[1]))
