-- Messages of the checks across the operating points of a whole control
-- valve calculation (ModulNo 40). TypeNo: 0 error, 1 out of bounds, 2
-- alarm, 3 missing input, 4 warning, 5 hint, 6 correct. Placeholders (%s)
-- are filled by the module.
INSERT INTO HYDRIXMessages VALUES
 (1901, 'de', 40, 'Der Kvs-Wert ist kleiner als der Kv-Wert des Betriebspunkts %s: das Ventil kann diesen Durchfluss nicht führen.', 0, 1901),
 (1901, 'en', 40, 'The Kvs is smaller than the Kv of operating point %s: the valve cannot pass this flow.', 0, 1901),
 (1902, 'de', 40, 'Im Betriebspunkt %s ist das Ventil weniger als 10 %% geöffnet: Regelgüte und Sitz leiden; ein kleinerer Kvs-Wert ist zu prüfen.', 4, 1902),
 (1902, 'en', 40, 'At operating point %s the valve is less than 10 %% open: control and seat suffer; check a smaller Kvs.', 4, 1902),
 (1903, 'de', 40, 'Im Betriebspunkt %s ist das Ventil mehr als 90 %% geöffnet: es bleibt keine Reserve zum Ausregeln; ein größerer Kvs-Wert ist zu prüfen.', 4, 1903),
 (1903, 'en', 40, 'At operating point %s the valve is more than 90 %% open: no reserve is left for control; check a larger Kvs.', 4, 1903),
 (1904, 'de', 40, 'Das Verhältnis des größten zum kleinsten Kv-Wert (%s) übersteigt das Stellverhältnis 50 der Kennlinie.', 4, 1904),
 (1904, 'en', 40, 'The ratio of the largest to the smallest Kv (%s) exceeds the rangeability 50 of the characteristic.', 4, 1904),
 (1905, 'de', 40, 'Die Betriebspunkte 1 bis 3 stehen für kleinste, normale und größte Last: ihre Massenströme sollten steigen.', 5, 1905),
 (1905, 'en', 40, 'Operating points 1 to 3 stand for the minimum, normal and maximum load: their mass flows should rise.', 5, 1905),
 (1906, 'de', 40, 'Ohne %s ist der Strömungszustand nicht bestimmbar: der Dampfdruck bestimmt den Abstand zur Kavitation.', 4, 1906),
 (1906, 'en', 40, 'Without %s the flow state cannot be judged: the vapour pressure sets the distance to cavitation.', 4, 1906),
 (1907, 'de', 40, 'Ohne %s ist das Geräusch nicht berechenbar.', 4, 1907),
 (1907, 'en', 40, 'Without %s the noise cannot be computed.', 4, 1907),
 (1908, 'de', 40, 'Das Ventil ist überdimensioniert: auch der größte Betriebspunkt (%s) braucht nur %s des Kvs-Werts; das Ventil regelt jeden Punkt nahe am Sitz. Einen kleineren Kvs-Wert oder eine kleinere Nennweite prüfen.', 4, 1908),
 (1908, 'en', 40, 'The valve is oversized: even the largest operating point (%s) needs only %s of the Kvs; the valve controls every point close to its seat. Check a smaller Kvs or a smaller size.', 4, 1908),
 (1909, 'de', 40, 'Der Eintrittsdruck %s übersteigt den zulässigen Druck %s der Druckstufe %s des Gehäuses (%s) bei %s (Druck-Temperatur-Tabelle %s). Eine höhere Druckstufe oder einen anderen Werkstoff wählen.', 2, 1909),
 (1909, 'en', 40, 'The inlet pressure %s exceeds the allowable pressure %s of the rating %s of the body (%s) at %s (pressure-temperature table %s). Choose a higher rating or another material.', 2, 1909),
 (1910, 'de', 40, 'Die Eintrittstemperatur %s liegt über der höchsten Temperatur, für die die Druckstufe %s des Gehäuses (%s) festgelegt ist (Druck-Temperatur-Tabelle %s). Einen anderen Werkstoff wählen.', 2, 1910),
 (1910, 'en', 40, 'The inlet temperature %s lies above the highest temperature the rating %s of the body (%s) is set for (pressure-temperature table %s). Choose another material.', 2, 1910);
