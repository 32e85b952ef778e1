# Twin of the conversion benchmarks: a text converted to a whole number in a loop, each
# failing conversion caught and the loop going on. The second argument is the text.
import sys, time

def main(n, t):
    start = time.perf_counter()
    x = ""
    err = 0
    for i in range(1, n + 1):
        try:
            x = int(t)
        except ValueError:
            err = 13
    elapsed = time.perf_counter() - start
    print(elapsed, "%d:%s" % (err, x))

main(int(sys.argv[1]), sys.argv[2])
