-- Function bodies in dollar quotes keep their semicolons, comments and ":name" text.
DROP FUNCTION IF EXISTS script_head(int[]);
CREATE FUNCTION script_head(a int[]) RETURNS int[] AS $$
DECLARE
  n int := 2; -- two; not more
BEGIN
  /* a slice with a bound that looks like a parameter marker */
  RETURN a[1:n];
END;
$$ LANGUAGE plpgsql;
DROP TABLE IF EXISTS script_notes;
CREATE TABLE script_notes (id int, note text);
DO $body$
BEGIN
  INSERT INTO script_notes VALUES (1, $$semi;colon$$);
  INSERT INTO script_notes VALUES (2, E'it\'s; escaped');
END
$body$;
INSERT INTO script_notes VALUES (3, array_to_string(script_head(ARRAY[7, 8, 9]), ';'));
