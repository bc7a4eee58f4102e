-- Natural gases and gas mixtures: the two rows of the substance library
-- that select the composition-based providers instead of a data file, and
-- named compositions in mol % (component numbers of tAGAConcentration:
-- 1 methane, 2 nitrogen, 3 carbon dioxide, 4 ethane, 5 propane, 6 water,
-- 7 hydrogen sulfide, 8 hydrogen, 9 carbon monoxide, 10 oxygen,
-- 11 isobutane, 12 n-butane, 13 isopentane, 14 n-pentane, 15 n-hexane,
-- 16 n-heptane, 17 n-octane, 18 n-nonane, 19 n-decane, 20 helium, 21 argon).

-- Rows of the substance library list (same columns as the library list of
-- the substance database). A name beginning with "*" selects the provider
-- of the library named in DLLName with the composition of the calculation.
CREATE TABLE SubstanceLibrary (
  Name_D TEXT NOT NULL PRIMARY KEY,
  Name_E TEXT NOT NULL,
  Formula TEXT,
  DLLName TEXT NOT NULL,
  FunctionID INTEGER NOT NULL,
  SlotID INTEGER NOT NULL,
  RhoN REAL
);

INSERT INTO SubstanceLibrary VALUES
  ('*Erdgas (AGA8)', '*Natural gas (AGA8)', 'AGA8-DC92', 'aga8detail.so', 0, -1, NULL),
  ('*Gasgemisch (GERG)', '*Gas mixture (GERG)', 'GERG-2008', 'gerg2008.so', 0, -1, NULL);

CREATE TABLE GasComposition (
  Name TEXT NOT NULL PRIMARY KEY,
  Name_E TEXT NOT NULL,
  Method TEXT NOT NULL CHECK (Method IN ('AGA8', 'GERG')),
  Source TEXT NOT NULL
);

CREATE TABLE GasComponent (
  Composition TEXT NOT NULL REFERENCES GasComposition(Name),
  Component INTEGER NOT NULL CHECK (Component BETWEEN 1 AND 21),
  MolePercent REAL NOT NULL CHECK (MolePercent > 0 AND MolePercent <= 100),
  PRIMARY KEY (Composition, Component)
);

INSERT INTO GasComposition VALUES
  ('Gulf Coast', 'Gulf Coast', 'AGA8', 'AGA Report No. 8 (1994), test gases for the detail method'),
  ('Amarillo', 'Amarillo', 'AGA8', 'AGA Report No. 8 (1994), test gases for the detail method'),
  ('Ekofisk', 'Ekofisk', 'AGA8', 'AGA Report No. 8 (1994), test gases for the detail method'),
  ('High N2', 'High N2', 'AGA8', 'AGA Report No. 8 (1994), test gases for the detail method'),
  ('High CO2-N2', 'High CO2-N2', 'AGA8', 'AGA Report No. 8 (1994), test gases for the detail method'),
  ('AGA8 Beispielgemisch', 'AGA8 example mixture', 'GERG',
   'AGA Report No. 8 (2017), example mixture of the reference programs (21 components)'),
  ('Biogas', 'Biogas', 'GERG',
   'typical raw biogas of anaerobic digestion: 60 % methane, 38 % carbon dioxide, rest nitrogen, oxygen, water, hydrogen sulfide'),
  ('Gulf Coast + 10 % H2', 'Gulf Coast + 10 % H2', 'GERG',
   'Gulf Coast gas with 10 mol % hydrogen admixed (90 parts Gulf Coast, 10 parts hydrogen)');

INSERT INTO GasComponent VALUES
  ('Gulf Coast', 1, 96.5222), ('Gulf Coast', 2, 0.2595), ('Gulf Coast', 3, 0.5956),
  ('Gulf Coast', 4, 1.8186), ('Gulf Coast', 5, 0.4596), ('Gulf Coast', 11, 0.0977),
  ('Gulf Coast', 12, 0.1007), ('Gulf Coast', 13, 0.0473), ('Gulf Coast', 14, 0.0324),
  ('Gulf Coast', 15, 0.0664),
  ('Amarillo', 1, 90.6724), ('Amarillo', 2, 3.1284), ('Amarillo', 3, 0.4676),
  ('Amarillo', 4, 4.5279), ('Amarillo', 5, 0.828), ('Amarillo', 11, 0.1037),
  ('Amarillo', 12, 0.1563), ('Amarillo', 13, 0.0321), ('Amarillo', 14, 0.0443),
  ('Amarillo', 15, 0.0393),
  ('Ekofisk', 1, 85.9063), ('Ekofisk', 2, 1.0068), ('Ekofisk', 3, 1.4954),
  ('Ekofisk', 4, 8.4919), ('Ekofisk', 5, 2.3015), ('Ekofisk', 11, 0.3486),
  ('Ekofisk', 12, 0.3506), ('Ekofisk', 13, 0.0509), ('Ekofisk', 14, 0.048),
  ('High N2', 1, 81.441), ('High N2', 2, 13.465), ('High N2', 3, 0.985), ('High N2', 4, 3.3),
  ('High N2', 5, 0.605), ('High N2', 11, 0.1), ('High N2', 12, 0.104),
  ('High CO2-N2', 1, 81.212), ('High CO2-N2', 2, 5.702), ('High CO2-N2', 3, 7.585),
  ('High CO2-N2', 4, 4.303), ('High CO2-N2', 5, 0.895), ('High CO2-N2', 11, 0.151),
  ('High CO2-N2', 12, 0.152),
  ('AGA8 Beispielgemisch', 1, 77.824), ('AGA8 Beispielgemisch', 2, 2), ('AGA8 Beispielgemisch', 3, 6),
  ('AGA8 Beispielgemisch', 4, 8), ('AGA8 Beispielgemisch', 5, 3), ('AGA8 Beispielgemisch', 6, 0.01),
  ('AGA8 Beispielgemisch', 7, 0.25), ('AGA8 Beispielgemisch', 8, 0.4), ('AGA8 Beispielgemisch', 9, 0.2),
  ('AGA8 Beispielgemisch', 10, 0.5), ('AGA8 Beispielgemisch', 11, 0.15), ('AGA8 Beispielgemisch', 12, 0.3),
  ('AGA8 Beispielgemisch', 13, 0.05), ('AGA8 Beispielgemisch', 14, 0.165), ('AGA8 Beispielgemisch', 15, 0.215),
  ('AGA8 Beispielgemisch', 16, 0.088), ('AGA8 Beispielgemisch', 17, 0.024), ('AGA8 Beispielgemisch', 18, 0.015),
  ('AGA8 Beispielgemisch', 19, 0.009), ('AGA8 Beispielgemisch', 20, 0.7), ('AGA8 Beispielgemisch', 21, 0.1),
  ('Biogas', 1, 60), ('Biogas', 3, 38), ('Biogas', 2, 1), ('Biogas', 10, 0.2), ('Biogas', 6, 0.7),
  ('Biogas', 7, 0.1),
  ('Gulf Coast + 10 % H2', 1, 86.86998), ('Gulf Coast + 10 % H2', 2, 0.23355),
  ('Gulf Coast + 10 % H2', 3, 0.53604), ('Gulf Coast + 10 % H2', 4, 1.63674),
  ('Gulf Coast + 10 % H2', 5, 0.41364), ('Gulf Coast + 10 % H2', 11, 0.08793),
  ('Gulf Coast + 10 % H2', 12, 0.09063), ('Gulf Coast + 10 % H2', 13, 0.04257),
  ('Gulf Coast + 10 % H2', 14, 0.02916), ('Gulf Coast + 10 % H2', 15, 0.05976),
  ('Gulf Coast + 10 % H2', 8, 10);
