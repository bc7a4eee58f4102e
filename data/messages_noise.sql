-- Messages of the valve noise modules (ModulNo 33). TypeNo: 0 error,
-- 1 out of bounds, 2 alarm, 3 missing input, 4 warning, 5 hint, 6 correct.
-- Placeholders (%s, %g) are filled by the module.
INSERT INTO HYDRIXMessages VALUES
 (1501, 'de', 33, 'Die Geschwindigkeit im Ventilaustritt liegt ueber der empfohlenen Hoechstgeschwindigkeit von %s.', 4, 1501),
 (1501, 'en', 33, 'The velocity in the valve outlet exceeds the recommended maximum of %s.', 4, 1501),
 (1502, 'de', 33, 'Die Machzahl im Ventilaustritt liegt ueber 0,3: der Austrittsstrahl erzeugt zusaetzliches Geraeusch. Groessere Nennweite pruefen.', 4, 1502),
 (1502, 'en', 33, 'The Mach number in the valve outlet exceeds 0.3: the outlet jet adds noise of its own. Consider a larger size.', 4, 1502),
 (1503, 'de', 33, 'Die Stroemung erreicht Schallgeschwindigkeit (Machzahl 1 oder mehr): die Geraeuschberechnung gilt hier nicht mehr. Groessere Nennweite waehlen.', 0, 1503),
 (1503, 'en', 33, 'The flow reaches the speed of sound (Mach 1 or more): the noise prediction no longer holds. Choose a larger size.', 0, 1503),
 (1504, 'de', 33, 'Der Schalldruckpegel liegt ueber %g dB(A).', 2, 1504),
 (1504, 'en', 33, 'The sound pressure level exceeds %g dB(A).', 2, 1504),
 (1505, 'de', 33, 'Mit diesen Daten laesst sich kein Schallpegel berechnen: der Betriebspunkt liegt ausserhalb des Verfahrens (Dampfdruck, Rohrdaten oder Druckverhaeltnis pruefen).', 0, 1505),
 (1505, 'en', 33, 'No sound level can be computed from these data: the operating point lies outside the method (check the vapour pressure, the pipe data and the pressure ratio).', 0, 1505),
 (1510, 'de', 33, 'Dieses Geraeuschverfahren gilt nur fuer Fluessigkeiten.', 0, 1510),
 (1510, 'en', 33, 'This noise method applies to liquids only.', 0, 1510),
 (1511, 'de', 33, 'Dieses Geraeuschverfahren gilt nur fuer Gase und Daempfe.', 0, 1511),
 (1511, 'en', 33, 'This noise method applies to gases and vapours only.', 0, 1511),
 (1512, 'de', 33, 'Fuer die geraeuscharme Ausfuehrung liegen keine Schalldaten vor: der Pegel gilt ohne ihre Korrektur.', 5, 1512),
 (1512, 'en', 33, 'There are no sound data for the low-noise design: the level holds without its correction.', 5, 1512),
 (1513, 'de', 33, 'Die Machzahl in der Austrittsleitung liegt ueber 0,3, ausserhalb des Gueltigkeitsbereichs von IEC 60534-8-3.', 4, 1513),
 (1513, 'en', 33, 'The Mach number in the outlet pipe exceeds 0.3, outside the range of IEC 60534-8-3.', 4, 1513),
 (1514, 'de', 33, 'Der Stroemungszustand laesst mechanische Schaeden am Ventil erwarten.', 2, 1514),
 (1514, 'en', 33, 'The flow state lets mechanical damage of the valve be expected.', 2, 1514);
