-- Demo database of the examples: a small sales schema in SQLite.
--
-- Build it with the sqlite3 command-line shell:
--     sqlite3 -bail demo.sqlite ".read demo.sql"
--
-- regions (4) -> branches (10) -> customers (40) -> orders (360, over the year 2024)
-- -> order_lines (720); products (12). The view v_sales joins them into one line per sold item,
-- ready for list and pivot reports grouped by region and branch.
-- Codes are text with leading zeros ('00123'); names are Japanese. The generated rows come from
-- recursive queries with fixed arithmetic, so every build gives the same data.

PRAGMA encoding = 'UTF-8';

BEGIN;

CREATE TABLE regions (
    region_code TEXT NOT NULL PRIMARY KEY,
    region_name TEXT NOT NULL,
    sort_order  INTEGER NOT NULL
);

INSERT INTO regions (region_code, region_name, sort_order) VALUES
 ('01', '東京',   1),
 ('02', '大阪',   2),
 ('03', '名古屋', 3),
 ('04', '福岡',   4);

CREATE TABLE branches (
    branch_code TEXT NOT NULL PRIMARY KEY,
    region_code TEXT NOT NULL REFERENCES regions (region_code),
    branch_name TEXT NOT NULL,
    opened_on   DATE,
    staff_count INTEGER
);

INSERT INTO branches (branch_code, region_code, branch_name, opened_on, staff_count) VALUES
 ('00101', '01', '新宿支店',   '1998-04-01', 24),
 ('00102', '01', '渋谷支店',   '2003-10-01', 18),
 ('00103', '01', '池袋支店',   '2010-04-01', 15),
 ('00201', '02', '梅田支店',   '1999-04-01', 21),
 ('00202', '02', '難波支店',   '2005-07-01', 12),
 ('00203', '02', '天王寺支店', '2018-04-01', 9),
 ('00301', '03', '名駅支店',   '2001-04-01', 14),
 ('00302', '03', '栄支店',     '2012-10-01', 8),
 ('00401', '04', '博多支店',   '2004-04-01', 11),
 ('00402', '04', '天神支店',   NULL,         NULL);

CREATE TABLE products (
    product_code TEXT NOT NULL PRIMARY KEY,
    product_name TEXT NOT NULL,
    category     TEXT NOT NULL,
    unit_price   INTEGER NOT NULL,
    seq          INTEGER NOT NULL UNIQUE
);

INSERT INTO products (product_code, product_name, category, unit_price, seq) VALUES
 ('00012', 'ボールペン 黒',          '文具', 120,   1),
 ('00034', 'ノート A4',              '文具', 180,   2),
 ('00056', 'ホッチキス',             '文具', 650,   3),
 ('00123', 'コピー用紙 A4 500枚',    '文具', 480,   4),
 ('00245', '電卓',                   '家電', 2980,  5),
 ('00367', 'USBメモリ 32GB',         '家電', 1280,  6),
 ('00489', 'マウス',                 '家電', 1980,  7),
 ('00501', 'キーボード',             '家電', 4980,  8),
 ('01002', 'コーヒー豆 200g',        '食品', 1350,  9),
 ('01024', '緑茶 ティーバッグ 50袋', '食品', 780,   10),
 ('01046', 'ミネラルウォーター 2L',  '食品', 98,    11),
 ('01068', 'クッキー詰め合わせ',     '食品', 2160,  12);

-- 40 customers, four per branch (customer n belongs to the ((n - 1) % 10 + 1)-th branch).
CREATE TABLE customers (
    customer_code TEXT NOT NULL PRIMARY KEY,
    customer_name TEXT NOT NULL,
    branch_code   TEXT NOT NULL REFERENCES branches (branch_code),
    customer_rank TEXT NOT NULL,
    phone         TEXT,
    registered_on DATE NOT NULL
);

WITH RECURSIVE
  n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40),
  words(k, word) AS (VALUES (0, '青葉'), (1, '桜'), (2, '富士'), (3, '若松'), (4, '光'),
                            (5, '大和'), (6, '朝日'), (7, '中央'), (8, '北斗'), (9, 'みどり')),
  branch_seq(k, branch_code) AS (
    SELECT row_number() OVER (ORDER BY branch_code) - 1, branch_code FROM branches)
INSERT INTO customers (customer_code, customer_name, branch_code, customer_rank, phone,
                       registered_on)
SELECT printf('%06d', i),
       CASE i % 3 WHEN 0 THEN '株式会社' || w.word || '商事'
                  WHEN 1 THEN w.word || '工業株式会社'
                  ELSE '有限会社' || w.word || '堂' END || printf('%02d', i),
       b.branch_code,
       CASE WHEN i % 5 = 0 THEN 'A' WHEN i % 2 = 0 THEN 'B' ELSE 'C' END,
       CASE WHEN i % 4 = 0 THEN NULL ELSE printf('0%d-%04d-%04d', 3 + i % 6, 1000 + i * 37, 2000 + i * 91) END,
       date('2015-01-01', '+' || (i * 53) || ' days')
  FROM n JOIN words w ON w.k = i % 10
         JOIN branch_seq b ON b.k = (i - 1) % 10
 ORDER BY i;

-- 360 orders spread over 2024 in date order.
CREATE TABLE orders (
    order_no      INTEGER NOT NULL PRIMARY KEY,
    order_date    DATE NOT NULL,
    customer_code TEXT NOT NULL REFERENCES customers (customer_code),
    branch_code   TEXT NOT NULL REFERENCES branches (branch_code),
    created_at    DATETIME NOT NULL,
    note          TEXT
);

WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 360)
INSERT INTO orders (order_no, order_date, customer_code, branch_code, created_at, note)
SELECT 100000 + i,
       date('2024-01-01', '+' || ((i - 1) * 366 / 360) || ' days'),
       printf('%06d', (i * 7) % 40 + 1),
       (SELECT branch_code FROM customers WHERE customer_code = printf('%06d', (i * 7) % 40 + 1)),
       datetime('2024-01-01 09:00:00', '+' || ((i - 1) * 366 / 360) || ' days',
                '+' || ((i * 47) % 480) || ' minutes'),
       CASE WHEN i % 25 = 0 THEN '至急' WHEN i % 40 = 7 THEN '分納可' ELSE NULL END
  FROM n;

-- Two lines per order on average (one to three).
CREATE TABLE order_lines (
    order_no      INTEGER NOT NULL REFERENCES orders (order_no),
    line_no       INTEGER NOT NULL,
    product_code  TEXT NOT NULL REFERENCES products (product_code),
    quantity      INTEGER NOT NULL,
    unit_price    INTEGER NOT NULL,
    discount_rate REAL NOT NULL,
    amount        INTEGER NOT NULL,
    PRIMARY KEY (order_no, line_no)
);

WITH RECURSIVE
  n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 360),
  l(j) AS (VALUES (1), (2), (3)),
  lines(i, j, seq, qty, disc) AS (
    SELECT i, j, (i * 5 + j * 3 + i / 30) % 12 + 1, 1 + (i * i * 7 + i * 13 + j * 11) % 20,
           CASE (i + j) % 10 WHEN 0 THEN 0.1 WHEN 5 THEN 0.05 ELSE 0.0 END
      FROM n JOIN l ON j <= 1 + (i + 1) % 3)
INSERT INTO order_lines (order_no, line_no, product_code, quantity, unit_price, discount_rate,
                         amount)
SELECT 100000 + i, j, p.product_code, qty, p.unit_price, disc,
       CAST(round(qty * p.unit_price * (1 - disc)) AS INTEGER)
  FROM lines JOIN products p ON p.seq = lines.seq
 ORDER BY i, j;

CREATE INDEX ix_orders_date ON orders (order_date);
CREATE INDEX ix_orders_branch ON orders (branch_code);
CREATE INDEX ix_customers_branch ON customers (branch_code);

-- One row per sold item with its region, branch, customer and product.
CREATE VIEW v_sales AS
SELECT o.order_date,
       substr(o.order_date, 1, 7) AS sales_month,
       r.region_code,
       r.region_name,
       b.branch_code,
       b.branch_name,
       c.customer_code,
       c.customer_name,
       p.product_code,
       p.product_name,
       p.category,
       ol.order_no,
       ol.line_no,
       ol.quantity,
       ol.unit_price,
       ol.discount_rate,
       ol.amount
  FROM order_lines ol
  JOIN orders o    ON o.order_no = ol.order_no
  JOIN customers c ON c.customer_code = o.customer_code
  JOIN branches b  ON b.branch_code = o.branch_code
  JOIN regions r   ON r.region_code = b.region_code
  JOIN products p  ON p.product_code = ol.product_code;

COMMIT;
