# Twin of bench/whole/dictionary.vbs.
d = {}
for i in range(1, 200001):
    d["key" + str(i)] = i
total = 0
for i in range(1, 400001):
    total = total + d["key" + str(i % 200000 + 1)]
print(len(d), total)
