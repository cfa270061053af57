-- DELIMITER lines as the mysql client reads them; backquotes and backslash escapes.
DROP PROCEDURE IF EXISTS script_fill;
DROP TABLE IF EXISTS `script;notes`;
CREATE TABLE `script;notes` (id int, note varchar(40));
DELIMITER //
CREATE PROCEDURE script_fill(n int)
BEGIN
  DECLARE i int DEFAULT 0;
  WHILE i < n DO
    SET i = i + 1;
    INSERT INTO `script;notes` VALUES (i, 'filled; by loop');
  END WHILE;
END//
DELIMITER ;
CALL script_fill(2);
INSERT INTO `script;notes` VALUES (3, 'it\'s; "escaped" \\');
INSERT INTO `script;notes` VALUES (4, "double \"quoted\"; text");
SET SESSION sql_mode = 'ORACLE';
DELIMITER $$
CREATE OR REPLACE TRIGGER script_upper BEFORE INSERT ON `script;notes` FOR EACH ROW
BEGIN
  :NEW.note := UPPER(:NEW.note) || ';';
END;
$$
DELIMITER ;
SET SESSION sql_mode = DEFAULT;
INSERT INTO `script;notes` VALUES (5, 'shout');
