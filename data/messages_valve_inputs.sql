-- Messages of the control valve calculation about inputs that are given
-- but make the sizing meaningless, or that the sizing leaves aside
-- (ModulNo 32). TypeNo: 0 error, 5 hint.
INSERT INTO HYDRIXMessages VALUES
 (980, 'de', 32, 'Der Ventilbeiwert %s muss größer als null sein; ohne ihn gibt es kein gültiges Ergebnis.', 0, 980),
 (980, 'en', 32, 'The valve factor %s must be greater than zero; without it there is no valid result.', 0, 980),
 (981, 'de', 32, 'Der Dampfdruck liegt nicht unter dem Eintrittsdruck: die Flüssigkeit siedet schon vor dem Ventil. Phase, Dampfdruck und Eintrittsdruck prüfen.', 0, 981),
 (981, 'en', 32, 'The vapour pressure is not below the inlet pressure: the liquid boils before it reaches the valve. Check the phase, the vapour pressure and the inlet pressure.', 0, 981),
 (982, 'de', 32, 'Der Eintrag ist ungültig; das Ergebnis gilt ohne ihn, als wäre er nicht angegeben.', 5, 982),
 (982, 'en', 32, 'The entry is not valid; the result holds without it, as if it had not been given.', 5, 982),
 (985, 'de', 32, 'Das Medium ist kompressibel, wird aber mit den Gleichungen für Flüssigkeiten ausgelegt: beim Druckverhältnis x = Δp/p1 = %s ist der Kv-Wert um etwa %s %% zu klein (Expansionsfaktor Y nach IEC 60534-2-1). Die Gleichungen nach der Phase oder für kompressible Medien wählen.', 4, 985),
 (985, 'en', 32, 'The medium is compressible but is sized by the equations for liquids: at the pressure-drop ratio x = Δp/p1 = %s the Kv is about %s %% too small (expansion factor Y of IEC 60534-2-1). Choose the equations by phase or those for compressible media.', 4, 985);
