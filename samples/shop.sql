-- A small shop: customers place orders of products grouped in categories.
-- Every row is computed, so the database comes out the same on every build:
--   sqlite3 shop.db < shop.sql
-- Dates are ISO texts, money is NUMERIC with two decimals, flags are 0/1 BOOLEAN.
PRAGMA foreign_keys = ON;
BEGIN;

CREATE TABLE categories (
  category_id   INTEGER PRIMARY KEY,
  name          VARCHAR(40) NOT NULL UNIQUE,
  description   VARCHAR(200)
);

CREATE TABLE customers (
  customer_id   INTEGER PRIMARY KEY,
  name          VARCHAR(60) NOT NULL,
  city          VARCHAR(40) NOT NULL,
  email         VARCHAR(80),
  joined_on     DATE NOT NULL,
  is_active     BOOLEAN NOT NULL DEFAULT 1,
  note          VARCHAR(200)
);

CREATE TABLE products (
  product_id    INTEGER PRIMARY KEY,
  category_id   INTEGER NOT NULL REFERENCES categories(category_id),
  name          VARCHAR(60) NOT NULL,
  unit_price    NUMERIC(10,2) NOT NULL,
  in_stock      BOOLEAN NOT NULL DEFAULT 1,
  added_on      DATE NOT NULL
);

CREATE TABLE orders (
  order_id      INTEGER PRIMARY KEY,
  customer_id   INTEGER NOT NULL REFERENCES customers(customer_id),
  ordered_on    DATE NOT NULL,
  shipped       BOOLEAN NOT NULL DEFAULT 0
);

CREATE TABLE order_lines (
  order_id      INTEGER NOT NULL REFERENCES orders(order_id),
  line_no       INTEGER NOT NULL,
  product_id    INTEGER NOT NULL REFERENCES products(product_id),
  quantity      INTEGER NOT NULL,
  unit_price    NUMERIC(10,2) NOT NULL,
  PRIMARY KEY (order_id, line_no)
);

INSERT INTO categories (category_id, name, description) VALUES
  (1, 'Tea',         'Loose leaf and bagged teas'),
  (2, 'Coffee',      'Beans and ground coffee'),
  (3, 'Chocolate',   'Bars, drops and cocoa'),
  (4, 'Biscuits',    'Sweet and savoury biscuits'),
  (5, 'Preserves',   'Jams, marmalades and honey'),
  (6, 'Tableware',   'Cups, pots and plates');

-- 60 customers: first names and cities cycle at different lengths so that the pairs vary;
-- several of them are spelt with letters outside ASCII.
WITH RECURSIVE
  n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60),
  first(k, v) AS (VALUES (0,'Anna'),(1,'Björn'),(2,'Chloé'),(3,'Dmitri'),(4,'Émile'),
                         (5,'Fatima'),(6,'Günther'),(7,'Hana'),(8,'Íris'),(9,'Jonas'),(10,'Keiko')),
  last(k, v) AS (VALUES (0,'Müller'),(1,'Novak'),(2,'Øster'),(3,'Petrov'),(4,'Quinn'),
                        (5,'Rossi'),(6,'Søndergaard'),(7,'Tanaka')),
  town(k, v) AS (VALUES (0,'Zürich'),(1,'Kraków'),(2,'Lyon'),(3,'São Paulo'),(4,'Malmö'),
                        (5,'Leeds'),(6,'Reykjavík'))
INSERT INTO customers (customer_id, name, city, email, joined_on, is_active, note)
SELECT i,
       first.v || ' ' || last.v,
       town.v,
       'customer' || i || '@example.com',
       date('2020-01-01', '+' || (i * 17) || ' days'),
       CASE WHEN i % 9 = 0 THEN 0 ELSE 1 END,
       CASE WHEN i % 10 = 0 THEN 'Prefers delivery before noon' END
FROM n
JOIN first ON first.k = i % 11
JOIN last ON last.k = i % 8
JOIN town ON town.k = i % 7;

-- Text typed by a customer is shown back on pages, markup included.
UPDATE customers SET note = '<script>alert("note")</script> leave at the door' WHERE customer_id = 7;

-- 48 products, eight per category, priced in cents then stored as money.
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 48),
  kind(k, v) AS (VALUES (0,'Classic'),(1,'Organic'),(2,'Premium'),(3,'Everyday'),
                        (4,'Festive'),(5,'Mild'),(6,'Strong'),(7,'Small'))
INSERT INTO products (product_id, category_id, name, unit_price, in_stock, added_on)
SELECT i,
       (i - 1) / 8 + 1,
       kind.v || ' ' || (SELECT name FROM categories WHERE category_id = (i - 1) / 8 + 1)
              || ' No. ' || i,
       round((150 + (i * 37) % 2350) / 100.0, 2),
       CASE WHEN i % 7 = 0 THEN 0 ELSE 1 END,
       date('2019-06-01', '+' || (i * 11) || ' days')
FROM n JOIN kind ON kind.k = (i - 1) % 8;

-- 150 orders spread over the customers and over two years.
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 150)
INSERT INTO orders (order_id, customer_id, ordered_on, shipped)
SELECT i,
       (i * 7) % 60 + 1,
       date('2022-01-03', '+' || (i * 5) || ' days'),
       CASE WHEN i <= 130 THEN 1 ELSE 0 END
FROM n;

-- One to four lines per order (375 lines), at the product's price.
WITH RECURSIVE l(o, line) AS (
  SELECT 1, 1
  UNION ALL
  SELECT CASE WHEN line < (o % 4) + 1 THEN o ELSE o + 1 END,
         CASE WHEN line < (o % 4) + 1 THEN line + 1 ELSE 1 END
  FROM l WHERE o < 150 OR line < (o % 4) + 1)
INSERT INTO order_lines (order_id, line_no, product_id, quantity, unit_price)
SELECT o, line, p.product_id, (o + line) % 5 + 1, p.unit_price
FROM l JOIN products p ON p.product_id = (o * 13 + line * 5) % 48 + 1;

CREATE VIEW order_totals AS
SELECT o.order_id, o.ordered_on, c.name AS customer, c.city,
       COUNT(*) AS lines, ROUND(SUM(ol.quantity * ol.unit_price), 2) AS total
FROM orders o
JOIN customers c ON c.customer_id = o.customer_id
JOIN order_lines ol ON ol.order_id = o.order_id
GROUP BY o.order_id, o.ordered_on, c.name, c.city;

COMMIT;
