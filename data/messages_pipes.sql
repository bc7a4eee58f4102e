-- Messages of the pipe, material, flow and mixed-phase modules (ModulNo
-- 14). TypeNo: 0 error, 1 out of bounds, 2 alarm, 3 missing input,
-- 4 warning, 5 hint, 6 correct. Placeholders (%s, %g) are filled by the
-- module.
INSERT INTO HYDRIXMessages VALUES
 (121, 'de', 14, 'Der Betriebsdruck %s liegt über der Nenndruckstufe %s der Rohrleitung.', 2, 121),
 (121, 'en', 14, 'The operating pressure %s exceeds the pressure rating %s of the pipe.', 2, 121),
 (1401, 'de', 14, 'Die Ventilnennweite ist größer als die größte Nennweite der Rohrklasse %s (DN %g); bitte Nennweite oder Rohrklasse wählen.', 4, 1401),
 (1401, 'en', 14, 'The valve size is larger than the largest size of the pipe class %s (DN %g); choose the size or another pipe class.', 4, 1401),
 (1402, 'de', 14, 'Die Rohrklasse enthält kein Rohr DN %s in der Reihe %s; Außendurchmesser und Wanddicke bitte eingeben oder eine andere Reihe wählen.', 0, 1402),
 (1402, 'en', 14, 'The pipe class holds no pipe DN %s in the series %s; enter the outside diameter and the wall or choose another series.', 0, 1402),
 (1403, 'de', 14, 'Der Innendurchmesser muss kleiner als der Außendurchmesser und größer als null sein.', 0, 1403),
 (1403, 'en', 14, 'The inner diameter must be smaller than the outside diameter and greater than zero.', 0, 1403);
INSERT INTO HYDRIXMessages VALUES
 (1411, 'de', 14, 'Die Temperatur %s liegt außerhalb des Einsatzbereichs des Werkstoffs (%s bis %s).', 4, 1411),
 (1411, 'en', 14, 'The temperature %s lies outside the range of use of the material (%s to %s).', 4, 1411),
 (1412, 'de', 14, 'Unter %s ist die Zähigkeit des Werkstoffs nachzuweisen (Kerbschlagarbeit bei tiefer Temperatur).', 5, 1412),
 (1412, 'en', 14, 'Below %s the toughness of the material must be verified (impact energy at low temperature).', 5, 1412),
 (1413, 'de', 14, 'Für eine Ausdehnungsklasse gibt es nur physikalische Kennwerte; Festigkeitswerte bitte eingeben oder einen Werkstoff wählen.', 5, 1413),
 (1413, 'en', 14, 'An expansion class has physical properties only; enter the strength values or choose a material.', 5, 1413);
