# Twin of bench/whole/arith.vbs.
s = 0
for i in range(1, 5000001):
    s = s + i * 2 % 7 - 1
print(s)
