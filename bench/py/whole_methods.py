# Twin of bench/whole/methods.vbs.
class Counter:
    def __init__(self):
        self.total = 0
        self.count = 0

    def add(self, x):
        self.total = self.total + x
        self.count = self.count + 1

c = Counter()
for i in range(1, 2000001):
    c.add(i)
print(c.count, c.total)
