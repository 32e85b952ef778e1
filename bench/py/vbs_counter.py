# Twin of the class method call benchmark: a method that updates two fields.
import sys, time

class Counter:
    def __init__(self):
        self.total = 0
        self.count = 0

    def add(self, x):
        self.total = self.total + x
        self.count = self.count + 1

def main(n):
    start = time.perf_counter()
    c = Counter()
    for i in range(1, n + 1):
        c.add(i)
    elapsed = time.perf_counter() - start
    assert c.count == n
    print(f"{elapsed} {c.count}:{c.total}")

main(int(sys.argv[1]))
