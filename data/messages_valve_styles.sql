-- Messages of the control valve calculation about the valve database that
-- names the valve styles and trims and holds their typical factors
-- (ModulNo 32). TypeNo: 4 warning.
INSERT INTO HYDRIXMessages VALUES
 (983, 'de', 32, 'Die Ventildatenbank ist nicht lesbar: Bauarten, Ausführungen und ihre typischen Beiwerte fehlen. Gerechnet wird mit den eingegebenen Beiwerten FL2, xT und Fd und mit den Grenzen eines Durchgangsventils.', 4, 983),
 (983, 'en', 32, 'The valve database cannot be read: the valve styles, their trims and typical factors are missing. The sizing uses the factors FL2, xT and Fd as entered and the limits of a globe valve.', 4, 983);
