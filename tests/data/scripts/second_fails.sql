-- Three statements; the second names a table that does not exist.
CREATE TABLE script_probe (
  id integer,
  note varchar(20)
);
INSERT INTO no_such_table VALUES (1);
/* a comment; with a semicolon */
INSERT INTO script_probe (id, note) VALUES (1, 'one'); -- done
trailing text without a semicolon
