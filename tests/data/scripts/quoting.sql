-- Quoted text holds the marks that split statements and start comments.
CREATE TABLE quoted (id integer, note varchar(40));
INSERT INTO quoted VALUES (1, 'a;b');
INSERT INTO quoted VALUES (2, 'it''s -- not a comment'); -- but this is
INSERT INTO quoted VALUES (3, '/* kept */ and ;');
INSERT INTO quoted VALUES (4, 'one

  three');
CREATE TABLE "odd;name" ("semi;col" integer);
INSERT INTO "odd;name" VALUES (5); /* don't open a quote here */
