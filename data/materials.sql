-- The material database: steels and a few non-ferrous metals for pipes and
-- valve bodies, with their strength values over temperature and the
-- physical properties of their expansion class (modulus of elasticity, mean
-- thermal expansion coefficient from 20 degC, thermal conductivity,
-- specific heat).
--
-- Units: temperatures degC; strengths N/mm2 (minimum values of the
-- standards); EM kN/mm2; Beta20 10^-6/K (mean coefficient from 20 degC to
-- T); Lambda W/(m K); Cp J/(kg K); densities kg/m3; Smax mm.
-- A NULL is a value the source does not publish. Between rows values are
-- interpolated linearly; outside the rows of a column the value is
-- extrapolated and marked as approximated.

PRAGMA foreign_keys = ON;

-- Material groups (EN 13480-2 / CEN ISO/TR 15608 groups) with their texts.
-- SteelType: 0 ferritic, 1 austenitic, 2 non-ferrous.
CREATE TABLE MaterialGroup (
  ID INTEGER PRIMARY KEY,
  Name TEXT NOT NULL UNIQUE,
  InfoD TEXT NOT NULL,
  InfoE TEXT NOT NULL,
  SteelType INTEGER NOT NULL CHECK (SteelType BETWEEN 0 AND 2)
);

INSERT INTO MaterialGroup VALUES
  (1, '1.1', 'Unlegierte Stähle mit festgelegten Eigenschaften bei erhöhten Temperaturen (ReH bis 275 N/mm2)', 'Non-alloy steels with specified elevated temperature properties (ReH up to 275 N/mm2)', 0),
  (2, '1.2', 'Feinkornbaustähle, normalgeglühte (ReH über 275 N/mm2)', 'Normalized fine-grain steels (ReH above 275 N/mm2)', 0),
  (3, '4', 'Warmfeste Cr-Mo-Stähle bis 3,5 % Cr und Mo-Stähle', 'Creep-resisting Cr-Mo steels up to 3.5 % Cr and Mo steels', 0),
  (4, '6', 'Hochwarmfeste martensitische Cr-Mo-V-Stähle (9 bis 12 % Cr)', 'Martensitic creep-resisting Cr-Mo-V steels (9 to 12 % Cr)', 0),
  (5, '1.1 (Guss)', 'Unlegierter und niedriglegierter warmfester Stahlguss', 'Non-alloy and low-alloy creep-resisting steel castings', 0),
  (6, '8.1', 'Austenitische nichtrostende Stähle', 'Austenitic stainless steels', 1),
  (7, '8.1 (Guss)', 'Austenitischer nichtrostender Stahlguss', 'Austenitic stainless steel castings', 1),
  (8, '21-24', 'Aluminium und Aluminiumlegierungen', 'Aluminium and aluminium alloys', 2),
  (9, '34', 'Kupfer-Nickel-Legierungen', 'Copper-nickel alloys', 2),
  (10, '51', 'Titan', 'Titanium', 2);

-- Expansion classes: materials of one class share their physical
-- properties (they differ by less than the scatter of the measurements).
CREATE TABLE ExpansionClass (
  ID INTEGER PRIMARY KEY,
  Name TEXT NOT NULL UNIQUE,
  NameEn TEXT NOT NULL,
  Rho20 REAL NOT NULL,
  Source TEXT NOT NULL
);

INSERT INTO ExpansionClass VALUES
  (1, 'Ferritische Stähle', 'Ferritic steels', 7850,
   'EM: EN 13445-3 Annex O (ferritic steels); Beta20, Lambda, Cp: EN 1993-1-2, eq. (3.1a), (3.2a), (3.3a) (carbon steel)'),
  (2, 'Martensitische Cr-Stähle', 'Martensitic Cr steels', 7700,
   'EN 10088-1, Annex (physical properties of martensitic steels, X12Cr13 type)'),
  (3, 'Austenitische Stähle', 'Austenitic steels', 7900,
   'EM, Beta20, Lambda(20), Cp(20): EN 10088-1, Annex (austenitic steels); Lambda, Cp over temperature: EN 1993-1-2, Annex C, eq. (C.4), (C.5)'),
  (4, 'Aluminiumlegierungen', 'Aluminium alloys', 2700, 'EN 1999-1-1, 3.2.5 (design values of E and alpha; conductivity and specific heat not published there)'),
  (5, 'Kupfer-Nickel', 'Copper-nickel', 8900, 'Copper Development Association, CuNi10Fe1Mn data sheet (publication 31)'),
  (6, 'Titan', 'Titanium', 4510, 'ASTM B265 / ASME II Part D, Tables TE-5, TM-5, TCD (titanium grade 2)');

CREATE TABLE PhysicalValue (
  ClassID INTEGER NOT NULL REFERENCES ExpansionClass(ID),
  T REAL NOT NULL,
  EM REAL, Beta20 REAL, Lambda REAL, Cp REAL,
  PRIMARY KEY (ClassID, T)
);

-- Polynomials in T (degC) of a property of an expansion class:
-- y = k0 + k1 T + k2 T^2 + k3 T^3 + k4 T^4, valid from Tmin to Tmax.
-- Property: 'Lambda', 'Beta20', 'Cp', 'EM'.
CREATE TABLE PhysicalPoly (
  ClassID INTEGER NOT NULL REFERENCES ExpansionClass(ID),
  Property TEXT NOT NULL CHECK (Property IN ('Lambda', 'Beta20', 'Cp', 'EM')),
  k0 REAL NOT NULL, k1 REAL NOT NULL DEFAULT 0, k2 REAL NOT NULL DEFAULT 0,
  k3 REAL NOT NULL DEFAULT 0, k4 REAL NOT NULL DEFAULT 0,
  Tmin REAL NOT NULL, Tmax REAL NOT NULL,
  PRIMARY KEY (ClassID, Property)
);

-- Class 1: ferritic steels. EM of EN 13445-3 Annex O. The elongation of
-- EN 1993-1-2 eq. (3.1a), dl/l = 1.2E-5 T + 0.4E-8 T^2 - 2.416E-4, is in
-- mean coefficients from 20 degC exactly Beta20 = 12.08 + 0.004 T
-- (10^-6/K); conductivity eq. (3.3a) 54 - 3.33E-2 T; specific heat eq.
-- (3.2a) 425 + 7.73E-1 T - 1.69E-3 T^2 + 2.22E-6 T^3 (up to 600 degC).
INSERT INTO PhysicalValue VALUES
  (1, 20, 212, NULL, NULL, NULL),
  (1, 100, 207, NULL, NULL, NULL),
  (1, 200, 199, NULL, NULL, NULL),
  (1, 300, 192, NULL, NULL, NULL),
  (1, 400, 184, NULL, NULL, NULL),
  (1, 500, 175, NULL, NULL, NULL),
  (1, 600, 164, NULL, NULL, NULL);
INSERT INTO PhysicalPoly VALUES
  (1, 'Beta20', 12.08, 0.004, 0, 0, 0, 20, 750),
  (1, 'Lambda', 54, -3.33E-2, 0, 0, 0, 20, 800),
  (1, 'Cp', 425, 7.73E-1, -1.69E-3, 2.22E-6, 0, 20, 600);

-- Class 2: martensitic 12 % Cr steels (EN 10088-1), the nearest published
-- class for the 9 % Cr creep-resisting steels.
INSERT INTO PhysicalValue VALUES
  (2, 20, 215, NULL, 30, 460),
  (2, 100, 212, 10.5, NULL, NULL),
  (2, 200, 205, 11.0, NULL, NULL),
  (2, 300, 200, 11.5, NULL, NULL),
  (2, 400, 190, 12.0, NULL, NULL);

-- Class 3: austenitic stainless steels. EN 10088-1 gives EM and Beta20 to
-- 500 degC and Lambda, Cp at 20 degC; EN 1993-1-2 Annex C continues
-- Lambda = 14.6 + 1.27E-2 T and Cp = 450 + 0.280 T - 2.91E-4 T^2 +
-- 1.34E-7 T^3.
INSERT INTO PhysicalValue VALUES
  (3, 20, 200, NULL, 15, 500),
  (3, 100, 194, 16.0, NULL, NULL),
  (3, 200, 186, 16.5, NULL, NULL),
  (3, 300, 179, 17.0, NULL, NULL),
  (3, 400, 172, 17.5, NULL, NULL),
  (3, 500, 165, 18.0, NULL, NULL);
INSERT INTO PhysicalPoly VALUES
  (3, 'Lambda', 14.6, 1.27E-2, 0, 0, 0, 20, 1200),
  (3, 'Cp', 450, 0.280, -2.91E-4, 1.34E-7, 0, 20, 1200);

-- Classes 4 to 6: non-ferrous metals at room temperature.
INSERT INTO PhysicalValue VALUES
  (4, 20, 70, 23, NULL, NULL),
  (5, 20, 135, 17, 40, 377),
  (6, 20, 107, 8.6, 16, 520);

CREATE TABLE Material (
  No TEXT PRIMARY KEY,              -- material number (EN 10027-2), or the alloy designation
  Name TEXT NOT NULL UNIQUE,        -- steel name (EN 10027-1)
  Standard TEXT NOT NULL,
  GroupID INTEGER NOT NULL REFERENCES MaterialGroup(ID),
  ClassID INTEGER NOT NULL REFERENCES ExpansionClass(ID),
  Condition TEXT NOT NULL,          -- delivery (heat treatment) condition
  Smax REAL,                        -- thickness up to which the values hold, mm
  Rho20 REAL NOT NULL,              -- kg/m3
  MinT REAL NOT NULL,               -- lowest temperature of use, degC
  MinWarnT REAL NOT NULL,           -- below it the toughness needs a check
  MaxT REAL NOT NULL,               -- highest temperature of use, degC
  Source TEXT NOT NULL
);

-- Temperature limits: MinT is the lowest impact-test temperature the
-- standard guarantees, MinWarnT the temperature of its full impact energy,
-- MaxT the highest temperature of its strength table (creep range
-- included where published).
INSERT INTO Material VALUES
  ('1.0345', 'P235GH', 'EN 10216-2', 1, 1, '+N', 16, 7850, -10, 0, 480, 'EN 10216-2:2013, Tables 4 and 5 (tubes T <= 16 mm)'),
  ('1.0425', 'P265GH', 'EN 10216-2', 1, 1, '+N', 16, 7850, -10, 0, 480, 'EN 10216-2:2013, Tables 4 and 5 (tubes T <= 16 mm)'),
  ('1.5415', '16Mo3', 'EN 10216-2', 3, 1, '+N', 16, 7850, 0, 20, 530, 'EN 10216-2:2013, Tables 4 and 5 (tubes T <= 16 mm)'),
  ('1.7335', '13CrMo4-5', 'EN 10216-2', 3, 1, '+NT', 16, 7850, 0, 20, 570, 'EN 10216-2:2013, Tables 4 and 5 (tubes T <= 16 mm)'),
  ('1.7380', '10CrMo9-10', 'EN 10216-2', 3, 1, '+NT', 16, 7850, 0, 20, 600, 'EN 10216-2:2013, Tables 4 and 5 (tubes T <= 16 mm)'),
  ('1.4903', 'X10CrMoVNb9-1', 'EN 10216-2', 4, 2, '+NT', 100, 7700, 0, 20, 650, 'EN 10216-2:2013, Tables 4 and 5'),
  ('1.0566', 'P355NL1', 'EN 10028-3', 2, 1, '+N', 16, 7850, -50, -40, 300, 'EN 10028-3:2017, Table 3 (plates t <= 16 mm)'),
  ('1.0619', 'GP240GH', 'EN 10213', 5, 1, '+N', 100, 7850, -10, 20, 450, 'EN 10213:2007, Tables A.2 and A.3'),
  ('1.7357', 'G17CrMo5-5', 'EN 10213', 5, 1, '+QT', 100, 7850, 0, 20, 550, 'EN 10213:2007, Table A.2'),
  ('1.4301', 'X5CrNi18-10', 'EN 10028-7', 6, 3, '+AT', 75, 7900, -196, -196, 550, 'EN 10028-7:2016, Tables 11 and 19 (hot rolled plate P)'),
  ('1.4307', 'X2CrNi18-9', 'EN 10028-7', 6, 3, '+AT', 75, 7900, -196, -196, 550, 'EN 10028-7:2016, Tables 11 and 19 (hot rolled plate P)'),
  ('1.4401', 'X5CrNiMo17-12-2', 'EN 10028-7', 6, 3, '+AT', 75, 8000, -196, -196, 550, 'EN 10028-7:2016, Tables 11 and 19 (hot rolled plate P)'),
  ('1.4404', 'X2CrNiMo17-12-2', 'EN 10028-7', 6, 3, '+AT', 75, 8000, -196, -196, 550, 'EN 10028-7:2016, Tables 11 and 19 (hot rolled plate P)'),
  ('1.4541', 'X6CrNiTi18-10', 'EN 10028-7', 6, 3, '+AT', 75, 7900, -196, -196, 550, 'EN 10028-7:2016, Tables 11 and 19 (hot rolled plate P)'),
  ('1.4571', 'X6CrNiMoTi17-12-2', 'EN 10028-7', 6, 3, '+AT', 75, 8000, -196, -196, 550, 'EN 10028-7:2016, Tables 11 and 19 (hot rolled plate P)'),
  ('1.4408', 'GX5CrNiMo19-11-2', 'EN 10213', 7, 3, '+AT', 150, 8000, -196, -196, 550, 'EN 10213:2007, Table A.4 (room temperature)'),
  ('1.4552', 'GX5CrNiNb19-11', 'EN 10213', 7, 3, '+AT', 150, 7900, -196, -196, 550, 'EN 10213:2007, Table A.4 (room temperature)'),
  ('EN AW-5083', 'EN AW-AlMg4,5Mn0,7 O', 'EN 485-2', 8, 4, 'O/H111', 50, 2660, -196, -196, 65, 'EN 485-2:2016, Table for EN AW-5083 (O/H111, 6.3 < t <= 50 mm)'),
  ('CW352H', 'CuNi10Fe1Mn', 'EN 12451', 9, 5, 'R290', 10, 8900, -196, -196, 300, 'EN 12451:2012, Table 6 (R290)'),
  ('3.7035', 'Titan Grade 2', 'ASTM B265', 10, 6, 'annealed', 50, 4510, -60, -60, 300, 'ASTM B265, Table 3 (Grade 2)');

-- Strength values over temperature.
CREATE TABLE StrengthValue (
  No TEXT NOT NULL REFERENCES Material(No),
  T REAL NOT NULL,
  Rm REAL, Rp02 REAL, Rp10 REAL, SRt REAL,
  PRIMARY KEY (No, T)
);

-- EN 10216-2: Rm and ReH at room temperature (Table 4), minimum 0.2 %
-- proof strength at elevated temperatures (Table 5).
INSERT INTO StrengthValue VALUES
  ('1.0345', 20, 360, 235, NULL, NULL), ('1.0345', 100, NULL, 198, NULL, NULL),
  ('1.0345', 150, NULL, 187, NULL, NULL), ('1.0345', 200, NULL, 170, NULL, NULL),
  ('1.0345', 250, NULL, 150, NULL, NULL), ('1.0345', 300, NULL, 132, NULL, NULL),
  ('1.0345', 350, NULL, 120, NULL, NULL), ('1.0345', 400, NULL, 112, NULL, NULL),
  ('1.0425', 20, 410, 265, NULL, NULL), ('1.0425', 100, NULL, 226, NULL, NULL),
  ('1.0425', 150, NULL, 213, NULL, NULL), ('1.0425', 200, NULL, 192, NULL, NULL),
  ('1.0425', 250, NULL, 171, NULL, NULL), ('1.0425', 300, NULL, 154, NULL, NULL),
  ('1.0425', 350, NULL, 141, NULL, NULL), ('1.0425', 400, NULL, 134, NULL, NULL),
  ('1.5415', 20, 450, 280, NULL, NULL), ('1.5415', 100, NULL, 243, NULL, NULL),
  ('1.5415', 150, NULL, 237, NULL, NULL), ('1.5415', 200, NULL, 224, NULL, NULL),
  ('1.5415', 250, NULL, 205, NULL, NULL), ('1.5415', 300, NULL, 173, NULL, NULL),
  ('1.5415', 350, NULL, 159, NULL, NULL), ('1.5415', 400, NULL, 156, NULL, NULL),
  ('1.5415', 450, NULL, 150, NULL, NULL),
  ('1.7335', 20, 440, 290, NULL, NULL), ('1.7335', 100, NULL, 264, NULL, NULL),
  ('1.7335', 150, NULL, 253, NULL, NULL), ('1.7335', 200, NULL, 245, NULL, NULL),
  ('1.7335', 250, NULL, 236, NULL, NULL), ('1.7335', 300, NULL, 192, NULL, NULL),
  ('1.7335', 350, NULL, 182, NULL, NULL), ('1.7335', 400, NULL, 174, NULL, NULL),
  ('1.7335', 450, NULL, 168, NULL, NULL), ('1.7335', 500, NULL, 166, NULL, NULL),
  ('1.7380', 20, 480, 280, NULL, NULL), ('1.7380', 100, NULL, 249, NULL, NULL),
  ('1.7380', 150, NULL, 241, NULL, NULL), ('1.7380', 200, NULL, 234, NULL, NULL),
  ('1.7380', 250, NULL, 224, NULL, NULL), ('1.7380', 300, NULL, 219, NULL, NULL),
  ('1.7380', 350, NULL, 212, NULL, NULL), ('1.7380', 400, NULL, 207, NULL, NULL),
  ('1.7380', 450, NULL, 193, NULL, NULL), ('1.7380', 500, NULL, 180, NULL, NULL),
  ('1.4903', 20, 630, 450, NULL, NULL), ('1.4903', 100, NULL, 410, NULL, NULL),
  ('1.4903', 150, NULL, 395, NULL, NULL), ('1.4903', 200, NULL, 380, NULL, NULL),
  ('1.4903', 250, NULL, 370, NULL, NULL), ('1.4903', 300, NULL, 360, NULL, NULL),
  ('1.4903', 350, NULL, 350, NULL, NULL), ('1.4903', 400, NULL, 340, NULL, NULL),
  ('1.4903', 450, NULL, 320, NULL, NULL), ('1.4903', 500, NULL, 300, NULL, NULL),
  ('1.4903', 550, NULL, 270, NULL, NULL);

-- EN 10028-3: P355NL1 at room temperature (the elevated-temperature table
-- of the standard belongs to the NH grade).
INSERT INTO StrengthValue VALUES ('1.0566', 20, 490, 355, NULL, NULL);

-- EN 10213: GP240GH with its elevated-temperature proof strengths;
-- G17CrMo5-5 and the austenitic castings at room temperature.
INSERT INTO StrengthValue VALUES
  ('1.0619', 20, 420, 240, NULL, NULL), ('1.0619', 100, NULL, 210, NULL, NULL),
  ('1.0619', 200, NULL, 175, NULL, NULL), ('1.0619', 300, NULL, 145, NULL, NULL),
  ('1.0619', 350, NULL, 135, NULL, NULL), ('1.0619', 400, NULL, 130, NULL, NULL),
  ('1.7357', 20, 490, 315, NULL, NULL),
  ('1.4408', 20, 440, 210, 230, NULL),
  ('1.4552', 20, 440, 175, 200, NULL);

-- EN 10028-7: 0.2 % and 1 % proof strengths of the austenitic plates from
-- room temperature to 550 degC; Rm at room temperature.
INSERT INTO StrengthValue VALUES
  ('1.4301', 20, 520, 210, 250, NULL), ('1.4301', 100, NULL, 157, 191, NULL),
  ('1.4301', 150, NULL, 142, 172, NULL), ('1.4301', 200, NULL, 127, 157, NULL),
  ('1.4301', 250, NULL, 118, 145, NULL), ('1.4301', 300, NULL, 110, 135, NULL),
  ('1.4301', 350, NULL, 104, 129, NULL), ('1.4301', 400, NULL, 98, 125, NULL),
  ('1.4301', 450, NULL, 95, 122, NULL), ('1.4301', 500, NULL, 92, 120, NULL),
  ('1.4301', 550, NULL, 90, 120, NULL),
  ('1.4307', 20, 500, 200, 240, NULL), ('1.4307', 100, NULL, 147, 181, NULL),
  ('1.4307', 150, NULL, 132, 162, NULL), ('1.4307', 200, NULL, 118, 147, NULL),
  ('1.4307', 250, NULL, 108, 137, NULL), ('1.4307', 300, NULL, 100, 127, NULL),
  ('1.4307', 350, NULL, 94, 121, NULL), ('1.4307', 400, NULL, 89, 116, NULL),
  ('1.4307', 450, NULL, 85, 112, NULL), ('1.4307', 500, NULL, 81, 109, NULL),
  ('1.4307', 550, NULL, 80, 108, NULL),
  ('1.4401', 20, 520, 220, 260, NULL), ('1.4401', 100, NULL, 177, 211, NULL),
  ('1.4401', 150, NULL, 162, 191, NULL), ('1.4401', 200, NULL, 147, 177, NULL),
  ('1.4401', 250, NULL, 137, 167, NULL), ('1.4401', 300, NULL, 127, 156, NULL),
  ('1.4401', 350, NULL, 120, 150, NULL), ('1.4401', 400, NULL, 115, 144, NULL),
  ('1.4401', 450, NULL, 112, 141, NULL), ('1.4401', 500, NULL, 110, 139, NULL),
  ('1.4401', 550, NULL, 108, 137, NULL),
  ('1.4404', 20, 520, 220, 260, NULL), ('1.4404', 100, NULL, 166, 199, NULL),
  ('1.4404', 150, NULL, 152, 181, NULL), ('1.4404', 200, NULL, 137, 167, NULL),
  ('1.4404', 250, NULL, 127, 157, NULL), ('1.4404', 300, NULL, 118, 145, NULL),
  ('1.4404', 350, NULL, 113, 139, NULL), ('1.4404', 400, NULL, 108, 135, NULL),
  ('1.4404', 450, NULL, 103, 130, NULL), ('1.4404', 500, NULL, 100, 128, NULL),
  ('1.4404', 550, NULL, 98, 127, NULL),
  ('1.4541', 20, 500, 200, 240, NULL), ('1.4541', 100, NULL, 176, 208, NULL),
  ('1.4541', 150, NULL, 167, 196, NULL), ('1.4541', 200, NULL, 157, 186, NULL),
  ('1.4541', 250, NULL, 147, 177, NULL), ('1.4541', 300, NULL, 136, 167, NULL),
  ('1.4541', 350, NULL, 130, 161, NULL), ('1.4541', 400, NULL, 125, 156, NULL),
  ('1.4541', 450, NULL, 121, 152, NULL), ('1.4541', 500, NULL, 119, 149, NULL),
  ('1.4541', 550, NULL, 118, 147, NULL),
  ('1.4571', 20, 520, 220, 260, NULL), ('1.4571', 100, NULL, 185, 218, NULL),
  ('1.4571', 150, NULL, 177, 206, NULL), ('1.4571', 200, NULL, 167, 196, NULL),
  ('1.4571', 250, NULL, 157, 186, NULL), ('1.4571', 300, NULL, 145, 175, NULL),
  ('1.4571', 350, NULL, 140, 169, NULL), ('1.4571', 400, NULL, 135, 164, NULL),
  ('1.4571', 450, NULL, 131, 160, NULL), ('1.4571', 500, NULL, 129, 158, NULL),
  ('1.4571', 550, NULL, 127, 157, NULL);

-- Non-ferrous metals at room temperature: EN 485-2 (EN AW-5083 O/H111),
-- EN 12451 (CuNi10Fe1Mn R290), ASTM B265 (titanium grade 2).
INSERT INTO StrengthValue VALUES
  ('EN AW-5083', 20, 275, 125, NULL, NULL),
  ('CW352H', 20, 290, 90, NULL, NULL),
  ('3.7035', 20, 345, 275, NULL, NULL);
