-- Messages of the valve catalogue and the nominal size suggestion
-- (ModulNo 37). TypeNo: 0 error, 1 out of bounds, 2 alarm, 3 missing
-- input, 4 warning, 5 hint, 6 correct.
INSERT INTO HYDRIXMessages VALUES
 (1701, 'de', 37, 'Kein Ventil der Baureihe passt: kein Kvs-Wert reicht für den Kv-Wert mit 10 % Reserve, keine Nenndruckstufe hält den Eintrittsdruck, oder die Nennweite liegt unter der kleinsten empfohlenen. Andere Baureihe wählen oder ein Ventil aus der Liste aller Ventile nehmen.', 2, 1701),
 (1701, 'en', 37, 'No valve of the series fits: no Kvs covers the Kv with a 10 % reserve, no pressure rating holds the inlet pressure, or the size is below the smallest recommended one. Choose another series or take a valve from the list of all valves.', 2, 1701),
 (1702, 'de', 37, 'Der Eintrittsdruck liegt über dem zulässigen Druck der Nenndruckstufe des gewählten Ventils.', 2, 1702),
 (1702, 'en', 37, 'The inlet pressure exceeds the allowable pressure of the chosen valve''s pressure rating.', 2, 1702),
 (1703, 'de', 37, 'Der Ventilkatalog ist nicht lesbar: die Ventildaten bleiben die eingegebenen.', 4, 1703),
 (1703, 'en', 37, 'The valve catalogue cannot be read: the valve data stay as entered.', 4, 1703),
 (1704, 'de', 37, 'Die Eintrittstemperatur liegt außerhalb der zulässigen Temperaturen der Baureihe.', 2, 1704),
 (1704, 'en', 37, 'The inlet temperature lies outside the allowable temperatures of the series.', 2, 1704),
 (1705, 'de', 37, 'Der Hersteller führt keine Baureihe dieser Bauart (und Ausführung); die Ventildaten bleiben die eingegebenen.', 4, 1705),
 (1705, 'en', 37, 'The manufacturer offers no series of this style (and trim); the valve data stay as entered.', 4, 1705),
 (1706, 'de', 37, 'Die Ventildatenbank im alten Format wird nicht mehr gelesen; das Ventil kommt aus dem Ventilkatalog.', 5, 1706),
 (1706, 'en', 37, 'The valve database of the old format is no longer read; the valve comes from the valve catalogue.', 5, 1706),
 (1707, 'de', 37, 'Kein passender Kvs-Wert der Baureihe erreicht den empfohlenen; gewählt ist der größte passende.', 5, 1707),
 (1707, 'en', 37, 'No fitting Kvs of the series reaches the recommended one; the largest fitting Kvs is chosen.', 5, 1707),
 (1708, 'de', 37, 'Das eingegebene Ventil gehört nicht zur Baureihe; das Ventil wird nach dem Betriebsfall gewählt.', 4, 1708),
 (1708, 'en', 37, 'The valve entered is not one of the series; the valve is chosen for the duty.', 4, 1708),
 (1710, 'de', 37, 'Die Nennweite des Ventils liegt unter der kleinsten empfohlenen: die Geschwindigkeit überschreitet die empfohlene Höchstgeschwindigkeit.', 4, 1710),
 (1710, 'en', 37, 'The valve size is below the smallest recommended one: the velocity exceeds the recommended maximum.', 4, 1710),
 (1711, 'de', 37, 'Keine Nennweite der Rohrklasse hält die empfohlene Höchstgeschwindigkeit ein.', 4, 1711),
 (1711, 'en', 37, 'No size of the pipe class keeps the velocity within the recommended maximum.', 4, 1711);
