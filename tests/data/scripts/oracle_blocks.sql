-- Blocks end at a line holding only "/"; plain statements still end at ";".
CREATE TABLE audit_trail (id integer, note varchar(40));
CREATE TABLE audited (id integer, note varchar(40));
/
CREATE TRIGGER audited_insert AFTER INSERT ON audited
BEGIN
  -- two statements; both belong to the trigger
  INSERT INTO audit_trail VALUES (NEW.id, 'before;' || NEW.note);
  INSERT INTO audit_trail VALUES (NEW.id * 10, 'after');
END;
/
INSERT INTO audited VALUES (1, 'it''s; fine');
INSERT INTO audited
  VALUES (2, 'two')
/
