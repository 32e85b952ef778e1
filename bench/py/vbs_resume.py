# Twin of the error-handling benchmarks: a division in a loop, each failing one caught and
# the loop going on. The second argument is the divisor (0: every division fails).
import sys, time

def main(n, d):
    start = time.perf_counter()
    x = 0
    err = 0
    for i in range(1, n + 1):
        try:
            x = i / d
        except ZeroDivisionError:
            err = 11
    elapsed = time.perf_counter() - start
    print(elapsed, "%d:%d" % (err, 0 if d == 0 else int(x)))

main(int(sys.argv[1]), int(sys.argv[2]) if len(sys.argv) > 2 else 0)
