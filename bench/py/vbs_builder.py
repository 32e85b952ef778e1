# Twin of the string builder benchmark: a builder object appended to, as templates do (the
# appends only; joining the parts is a library function).
import sys, time

class StringBuilder:
    def __init__(self):
        self.parts = []
        self.count = 0

    def append(self, s):
        self.parts.append(s)
        self.count += 1

def main(n):
    start = time.perf_counter()
    sb = StringBuilder()
    for i in range(1, n + 1):
        sb.append("x")
    elapsed = time.perf_counter() - start
    assert sb.count == n
    print(elapsed, sb.count)

main(int(sys.argv[1]))
