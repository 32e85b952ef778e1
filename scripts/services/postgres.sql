-- Catalogue used by the data-access tests: keys, composite keys, indexes, defaults,
-- serial columns, a view, unusual types and names that need quoting.
CREATE TABLE customers (
  id serial PRIMARY KEY,
  name varchar(60) NOT NULL,
  email varchar(120) UNIQUE,
  note text DEFAULT 'x''y',
  created timestamp DEFAULT now(),
  balance numeric(12,2) DEFAULT 0,
  active boolean NOT NULL DEFAULT true
);
CREATE TABLE orders (
  order_id integer NOT NULL,
  line_no smallint NOT NULL,
  customer_id integer NOT NULL REFERENCES customers(id),
  amount double precision,
  code char(4),
  PRIMARY KEY (order_id, line_no)
);
CREATE INDEX orders_customer_idx ON orders (customer_id);
CREATE UNIQUE INDEX orders_code_amount_idx ON orders (code, amount);
CREATE TABLE "Odd Name" (
  "Key Col" integer PRIMARY KEY,
  "select" text,
  "MixedCase" integer,
  "it's" varchar(5),
  "Größe ü" integer UNIQUE
);
CREATE TABLE shapes (
  id bigserial PRIMARY KEY,
  pt point,
  seg lseg,
  tags integer[],
  addr inet,
  payload bytea,
  uid uuid,
  born date,
  at time,
  big varchar(10000),
  js jsonb,
  flag bit(3)
);
CREATE VIEW active_customers AS
  SELECT c.id, c.name AS customer_name, c.balance FROM customers c WHERE c.active;
CREATE FUNCTION add_one(integer) RETURNS integer LANGUAGE sql AS 'SELECT $1 + 1';
CREATE SCHEMA other;
CREATE TABLE other.orders (x integer PRIMARY KEY);
INSERT INTO customers (name, email, active) VALUES ('Ann', 'ann@example.org', true),
  ('Bob', NULL, false);
INSERT INTO orders VALUES (1, 1, 1, 12.5, 'A1'), (1, 2, 1, 3.25, 'A2');
INSERT INTO "Odd Name" VALUES (7, 'from', 3, 'x');
