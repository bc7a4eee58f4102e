-- Messages of the natural-gas providers (AGA8-DC92 detail and GERG-2008),
-- raised by the module that shows the substance (ModulNo 20). TypeNo:
-- 0 error, 1 out of bounds, 2 alarm, 3 missing input, 4 warning, 5 hint.
-- Placeholders are filled from tNaturalGasSubstance::CheckComposition and
-- CheckState. Message 131 (n-octane above 0.1 % in a GERG mixture) is the
-- substances module's own and lies in its file.
INSERT INTO HYDRIXMessages VALUES
 (1301, 'de', 20, 'Die Summe der Anteile beträgt %.6g %% statt 100 %%; die Zusammensetzung wurde normiert.', 5, 1301),
 (1301, 'en', 20, 'The fractions add up to %.6g %% instead of 100 %%; the composition was normalised.', 5, 1301),
 (1302, 'de', 20, 'Der Anteil von %s ist negativ (%.4g %%): die Zusammensetzung ist ungültig.', 0, 1302),
 (1302, 'en', 20, 'The fraction of %s is negative (%.4g %%): the composition is invalid.', 0, 1302),
 (1303, 'de', 20, 'Die Zusammensetzung ist leer: mindestens eine Komponente angeben.', 3, 1303),
 (1303, 'en', 20, 'The composition is empty: give at least one component.', 3, 1303),
 (1304, 'de', 20, 'Die Komponente %s ist im Verfahren %s nicht enthalten.', 0, 1304),
 (1304, 'en', 20, 'The component %s is not part of the method %s.', 0, 1304),
 (1305, 'de', 20, 'Der Anteil von %s (%.4g %%) liegt außerhalb des Normalbereichs des Verfahrens (Grenze %.4g %%); die Unsicherheit ist größer als angegeben.', 4, 1305),
 (1305, 'en', 20, 'The fraction of %s (%.4g %%) lies outside the normal range of the method (limit %.4g %%); the uncertainty is larger than stated.', 4, 1305),
 (1306, 'de', 20, 'Der Anteil von %s (%.4g %%) liegt außerhalb des erweiterten Bereichs des Verfahrens (Grenze %.4g %%); die Ergebnisse sind nicht gesichert.', 2, 1306),
 (1306, 'en', 20, 'The fraction of %s (%.4g %%) lies outside the extended range of the method (limit %.4g %%); the results are not backed by data.', 2, 1306),
 (1307, 'de', 20, 'Der Zustand liegt außerhalb des Normalbereichs von %s (%.4g bis %.4g °C, bis %.4g bar); die Unsicherheit ist größer als angegeben.', 4, 1307),
 (1307, 'en', 20, 'The state lies outside the normal range of %s (%.4g to %.4g °C, up to %.4g bar); the uncertainty is larger than stated.', 4, 1307),
 (1308, 'de', 20, 'Der Zustand liegt außerhalb des erweiterten Bereichs von %s (%.4g bis %.4g °C, bis %.4g bar); die Ergebnisse sind nicht gesichert.', 2, 1308),
 (1308, 'en', 20, 'The state lies outside the extended range of %s (%.4g to %.4g °C, up to %.4g bar); the results are not backed by data.', 2, 1308),
 (1309, 'de', 20, 'Für %.4g °C und %.4g bar wurde keine Dichte gefunden.', 0, 1309),
 (1309, 'en', 20, 'No density was found for %.4g °C and %.4g bar.', 0, 1309),
 (1310, 'de', 20, 'Bei diesem Zustand gibt es eine gas- und eine flüssigkeitsähnliche Lösung: das Gemisch kann zweiphasig sein; die stabilere Lösung wurde verwendet.', 4, 1310),
 (1310, 'en', 20, 'This state has a gas-like and a liquid-like solution: the mixture may be two-phase; the more stable solution was used.', 4, 1310),
 (1311, 'de', 20, 'Die Stoffwertbibliothek "%s" konnte nicht geladen werden.', 0, 1311),
 (1311, 'en', 20, 'The property library "%s" could not be loaded.', 0, 1311),
 (1312, 'de', 20, 'Die Stoffwertbibliothek "%s" ist beschädigt oder nicht für dieses System gebaut; sie wurde nicht geladen.', 0, 1312),
 (1312, 'en', 20, 'The property library "%s" is damaged or not built for this system; it was not loaded.', 0, 1312),
 (1313, 'de', 20, 'Der Stoffwertbibliothek "%s" fehlt die Funktion %s: sie ist keine Erdgas-Stoffwertbibliothek und wurde nicht verwendet.', 0, 1313),
 (1313, 'en', 20, 'The property library "%s" lacks the function %s: it is no natural-gas property library and was not used.', 0, 1313),
 (1314, 'de', 20, 'Die Normbedingungen %.4g °C und %.4g bar liegen außerhalb des erweiterten Bereichs von %s (%.4g bis %.4g °C, bis %.4g bar); die Normdichte wurde nicht berechnet.', 1, 1314),
 (1314, 'en', 20, 'The normal conditions %.4g °C and %.4g bar lie outside the extended range of %s (%.4g to %.4g °C, up to %.4g bar); the normal density was not computed.', 1, 1314);
