# Twin of bench/whole/page.vbs.
n = 300000
parts = [None] * n
for i in range(n):
    parts[i] = '<li class="row' + str(i % 7) + '">item ' + str(i) + '</li>'
page = "\n".join(parts)
page = page.replace("item", "entry")
hits = 0
pos = page.find("entry 9")
while pos >= 0:
    hits = hits + 1
    pos = page.find("entry 9", pos + 7)
print(len(page), hits)
