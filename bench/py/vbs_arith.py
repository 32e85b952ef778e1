# Twin of the script engine's arithmetic loop benchmark.
import sys, time

def main(n):
    start = time.perf_counter()
    s = 0
    for i in range(1, n + 1):
        s = s + i * 2 % 7 - 1
    elapsed = time.perf_counter() - start
    assert s == sum(i * 2 % 7 - 1 for i in range(1, n + 1))
    print(elapsed, s)

main(int(sys.argv[1]))
