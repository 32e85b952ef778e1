-- Catalogue used by the data-access tests (MariaDB dialect).
CREATE TABLE customers (
  id int NOT NULL AUTO_INCREMENT PRIMARY KEY,
  name varchar(60) NOT NULL,
  email varchar(120) UNIQUE,
  note text,
  created datetime DEFAULT CURRENT_TIMESTAMP,
  balance decimal(12,2) DEFAULT 0,
  active tinyint(1) NOT NULL DEFAULT 1,
  size enum('x,y','p(q)','plain') DEFAULT 'plain',
  perms set('a','b','d''e')
) ENGINE=InnoDB;
CREATE TABLE orders (
  order_id int NOT NULL,
  line_no smallint NOT NULL,
  customer_id int NOT NULL,
  amount double,
  code char(4),
  PRIMARY KEY (order_id, line_no),
  KEY orders_customer_idx (customer_id),
  UNIQUE KEY orders_code_amount_idx (code, amount),
  CONSTRAINT orders_customer_fk FOREIGN KEY (customer_id) REFERENCES customers (id)
) ENGINE=InnoDB;
CREATE TABLE `Odd Name` (
  `Key Col` int PRIMARY KEY,
  `select` text,
  `back``tick` int,
  `Größe ü` int UNIQUE
) ENGINE=InnoDB;
CREATE VIEW active_customers AS
  SELECT c.id, c.name AS customer_name, c.balance FROM customers c WHERE c.active = 1;
INSERT INTO customers (name, email, active) VALUES ('Ann', 'ann@example.org', 1), ('Bob', NULL, 0);
INSERT INTO orders VALUES (1, 1, 1, 12.5, 'A1'), (1, 2, 1, 3.25, 'A2');
