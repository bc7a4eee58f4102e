-- Messages of the plant characteristic (ModulNo 35) and of the resistors
-- (ModulNo 36). TypeNo: 0 error, 1 out of bounds, 2 alarm, 3 missing
-- input, 4 warning, 5 hint, 6 correct. Placeholders (%s) are filled by the
-- module.
INSERT INTO HYDRIXMessages VALUES
 (1601, 'de', 35, 'Die Drücke der Betriebspunkte ergeben keinen brauchbaren Anlagenverlauf: der Eintrittsdruck muss über dem Austrittsdruck liegen, die Massenströme müssen verschieden sein, Punkt 2 muss zwischen Punkt 1 und 3 liegen, und die Anlage muss jeden Betriebspunkt erreichen.', 4, 1601),
 (1601, 'en', 35, 'The pressures of the operating points do not make a usable plant curve: the inlet pressure must lie above the outlet pressure, the flows must differ, point 2 must lie between points 1 and 3, and the plant must reach every operating point.', 4, 1601),
 (1611, 'de', 36, 'Für diese Daten lässt sich keine Drosselstrecke auslegen; Massenstrom, Drücke und Stoffdaten prüfen.', 0, 1611),
 (1611, 'en', 36, 'No resistor can be sized for these data; check the flow, the pressures and the medium data.', 0, 1611),
 (1612, 'de', 36, 'Die Bohrung ist nicht kleiner als die Rohrleitung, oder die Bohrungen passen nicht in die Platte dieser Nennweite.', 0, 1612),
 (1612, 'en', 36, 'The bore is not smaller than the pipe, or the bores do not fit a plate of this nominal size.', 0, 1612),
 (1613, 'de', 36, 'Die Drosselstrecke braucht mindestens eine Stufe.', 0, 1613),
 (1613, 'en', 36, 'The resistor needs at least one stage.', 0, 1613),
 (1614, 'de', 36, 'In %s von %s Stufen ist die Strömung kritisch; weitere Stufen verteilen das Druckgefälle.', 4, 1614),
 (1614, 'en', 36, 'The flow is choked in %s of %s stages; further stages spread the pressure drop.', 4, 1614),
 (1615, 'de', 36, 'Für Lochplatten liegen Daten nur für Bohrungen von 1 bis 20 mm vor.', 0, 1615),
 (1615, 'en', 36, 'Perforated plate data cover bores from 1 to 20 mm only.', 0, 1615),
 (1616, 'de', 36, 'Die letzte Stufe endet 0,2 bar über dem Dampfdruck, bei %s; den Rest des Druckgefälles muss die Anlage abbauen.', 5, 1616),
 (1616, 'en', 36, 'The last stage ends 0.2 bar above the vapour pressure, at %s; the plant must take the rest of the pressure drop.', 5, 1616),
 (1617, 'de', 36, 'Eine vorgegebene Geometrie wird für eine Stufe nachgerechnet.', 5, 1617),
 (1617, 'en', 36, 'A given geometry is recalculated for one stage.', 5, 1617),
 (1618, 'de', 36, 'Der Druck hinter der Drosselstrecke muss kleiner sein als der Druck davor.', 0, 1618),
 (1618, 'en', 36, 'The pressure behind the resistor must be lower than the pressure in front of it.', 0, 1618),
 (1619, 'de', 36, 'Die Flüssigkeit kavitiert in der Drosselstrecke; mehr Stufen oder ein höherer Gegendruck vermeiden das.', 4, 1619),
 (1619, 'en', 36, 'The liquid cavitates in the resistor; more stages or a higher back pressure avoid this.', 4, 1619),
 (1620, 'de', 36, 'Die Mach-Zahl am Austritt beträgt %s; empfohlen ist mindestens die Nennweite %s.', 4, 1620),
 (1620, 'en', 36, 'The Mach number at the outlet is %s; a nominal size of at least %s is recommended.', 4, 1620),
 (1622, 'de', 36, 'Bei diesem Massenstrom reicht der Druck vor dem Ventil nicht aus, um die Drosselstrecke zu durchströmen.', 0, 1622),
 (1622, 'en', 36, 'At this flow the pressure in front of the valve is not enough to pass the resistor.', 0, 1622);
