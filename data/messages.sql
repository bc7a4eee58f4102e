-- The message catalogue: one row per message number and language.
-- TypeNo selects the severity: 0 calculation error, 1 value out of bounds,
-- 2 alarm (fatal warning), 3 missing input, 4 warning, 5 hint, 6 correct.
-- ModulNo 0 are the messages of the calculation framework itself; later
-- modules add their own rows (files messages_*.sql).
CREATE TABLE HYDRIXMessages (
  No INTEGER NOT NULL,
  LanguageNo TEXT,
  ModulNo INTEGER,
  Text TEXT NOT NULL,
  TypeNo INTEGER,
  HelpNo INTEGER,
  PRIMARY KEY (No, LanguageNo)
);

INSERT INTO HYDRIXMessages VALUES
 (101, 'de', 0, 'Die Eingabe fehlt.', 3, 101),
 (101, 'en', 0, 'Input missing.', 3, 101),
 (102, 'de', 0, 'Der Wert ist nur näherungsweise bestimmt; bitte prüfen oder genauer angeben.', 5, 102),
 (102, 'en', 0, 'The value is only an approximation; please check it or enter a more accurate one.', 5, 102),
 (103, 'de', 0, 'Der Wert konnte nicht berechnet werden.', 0, 103),
 (103, 'en', 0, 'The value could not be calculated.', 0, 103),
 (118, 'de', 0, 'Der Eintrag wurde eingegeben und nicht aus der Datenbank übernommen.', 4, 118),
 (118, 'en', 0, 'The entry was typed in, not taken from the database.', 4, 118),
 (119, 'de', 0, 'Der Wert muss größer als %s sein.', 1, 119),
 (119, 'en', 0, 'The value must be greater than %s.', 1, 119),
 (120, 'de', 0, 'Der Wert liegt außerhalb des zulässigen Bereichs von %s bis %s.', 1, 120),
 (120, 'en', 0, 'The value lies outside the permitted range from %s to %s.', 1, 120);
