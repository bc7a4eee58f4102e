-- A manufacturer-neutral sample catalogue of linear actuators for globe
-- and angle valves: pneumatic spring-and-diaphragm actuators and electric
-- linear actuators. The sizes are the customary steps of such series
-- (effective diaphragm areas of 120 to 1400 cm2 and the tandem of two
-- 1400 cm2 cases, bench sets of 0.2-1.0, 0.4-2.0, 1.4-2.8 and 2.0-4.0 bar,
-- strokes of 15 to 100 mm; electric thrusts of 2 to 100 kN); they
-- describe no particular product. The largest close unbalanced plugs of
-- 60 mm seat against 160 bar (PN 160, above Class 900): about 52 kN with
-- packing, seat load and a 10 % reserve.
--
-- Kind: 'diaphragm' or 'electric'. FailPosition: the valve position on loss
-- of air or power, 'close' (spring closes, air opens), 'open' (air closes,
-- spring opens) or 'stay' (an electric actuator stops where it is).
-- Area: effective diaphragm area, cm2. SpringStart, SpringEnd: bench set,
-- bar gauge. MaxSupply: highest air supply the diaphragm case takes, bar
-- gauge. Stroke: rated stroke, mm. Thrust: rated thrust of an electric
-- actuator, N. Speed: its stroking speed, mm/s.

CREATE TABLE Actuator (
  ID INTEGER PRIMARY KEY,
  Manufacturer TEXT NOT NULL,
  Name TEXT NOT NULL UNIQUE,
  Kind TEXT NOT NULL CHECK (Kind IN ('diaphragm', 'electric')),
  FailPosition TEXT NOT NULL CHECK (FailPosition IN ('close', 'open', 'stay')),
  Area REAL,
  SpringStart REAL,
  SpringEnd REAL,
  MaxSupply REAL,
  Stroke REAL NOT NULL,
  Thrust REAL,
  Speed REAL
);

INSERT INTO Actuator VALUES
 (1, 'Beispielantriebe', 'SD 120/15 0.2-1.0 FC', 'diaphragm', 'close', 120, 0.2, 1.0, 6.0, 15, NULL, NULL),
 (2, 'Beispielantriebe', 'SD 120/15 0.4-2.0 FC', 'diaphragm', 'close', 120, 0.4, 2.0, 6.0, 15, NULL, NULL),
 (3, 'Beispielantriebe', 'SD 120/15 1.4-2.8 FC', 'diaphragm', 'close', 120, 1.4, 2.8, 6.0, 15, NULL, NULL),
 (4, 'Beispielantriebe', 'SD 120/15 0.2-1.0 FO', 'diaphragm', 'open', 120, 0.2, 1.0, 6.0, 15, NULL, NULL),
 (5, 'Beispielantriebe', 'SD 120/15 0.4-2.0 FO', 'diaphragm', 'open', 120, 0.4, 2.0, 6.0, 15, NULL, NULL),
 (6, 'Beispielantriebe', 'SD 120/15 1.4-2.8 FO', 'diaphragm', 'open', 120, 1.4, 2.8, 6.0, 15, NULL, NULL),
 (7, 'Beispielantriebe', 'SD 250/15 0.2-1.0 FC', 'diaphragm', 'close', 250, 0.2, 1.0, 6.0, 15, NULL, NULL),
 (8, 'Beispielantriebe', 'SD 250/15 0.4-2.0 FC', 'diaphragm', 'close', 250, 0.4, 2.0, 6.0, 15, NULL, NULL),
 (9, 'Beispielantriebe', 'SD 250/15 1.4-2.8 FC', 'diaphragm', 'close', 250, 1.4, 2.8, 6.0, 15, NULL, NULL),
 (10, 'Beispielantriebe', 'SD 250/15 0.2-1.0 FO', 'diaphragm', 'open', 250, 0.2, 1.0, 6.0, 15, NULL, NULL),
 (11, 'Beispielantriebe', 'SD 250/15 0.4-2.0 FO', 'diaphragm', 'open', 250, 0.4, 2.0, 6.0, 15, NULL, NULL),
 (12, 'Beispielantriebe', 'SD 250/15 1.4-2.8 FO', 'diaphragm', 'open', 250, 1.4, 2.8, 6.0, 15, NULL, NULL),
 (13, 'Beispielantriebe', 'SD 250/30 0.2-1.0 FC', 'diaphragm', 'close', 250, 0.2, 1.0, 6.0, 30, NULL, NULL),
 (14, 'Beispielantriebe', 'SD 250/30 0.4-2.0 FC', 'diaphragm', 'close', 250, 0.4, 2.0, 6.0, 30, NULL, NULL),
 (15, 'Beispielantriebe', 'SD 250/30 1.4-2.8 FC', 'diaphragm', 'close', 250, 1.4, 2.8, 6.0, 30, NULL, NULL),
 (16, 'Beispielantriebe', 'SD 250/30 0.2-1.0 FO', 'diaphragm', 'open', 250, 0.2, 1.0, 6.0, 30, NULL, NULL),
 (17, 'Beispielantriebe', 'SD 250/30 0.4-2.0 FO', 'diaphragm', 'open', 250, 0.4, 2.0, 6.0, 30, NULL, NULL),
 (18, 'Beispielantriebe', 'SD 250/30 1.4-2.8 FO', 'diaphragm', 'open', 250, 1.4, 2.8, 6.0, 30, NULL, NULL),
 (19, 'Beispielantriebe', 'SD 400/30 0.2-1.0 FC', 'diaphragm', 'close', 400, 0.2, 1.0, 6.0, 30, NULL, NULL),
 (20, 'Beispielantriebe', 'SD 400/30 0.4-2.0 FC', 'diaphragm', 'close', 400, 0.4, 2.0, 6.0, 30, NULL, NULL),
 (21, 'Beispielantriebe', 'SD 400/30 1.4-2.8 FC', 'diaphragm', 'close', 400, 1.4, 2.8, 6.0, 30, NULL, NULL),
 (22, 'Beispielantriebe', 'SD 400/30 0.2-1.0 FO', 'diaphragm', 'open', 400, 0.2, 1.0, 6.0, 30, NULL, NULL),
 (23, 'Beispielantriebe', 'SD 400/30 0.4-2.0 FO', 'diaphragm', 'open', 400, 0.4, 2.0, 6.0, 30, NULL, NULL),
 (24, 'Beispielantriebe', 'SD 400/30 1.4-2.8 FO', 'diaphragm', 'open', 400, 1.4, 2.8, 6.0, 30, NULL, NULL),
 (25, 'Beispielantriebe', 'SD 700/30 0.2-1.0 FC', 'diaphragm', 'close', 700, 0.2, 1.0, 5.0, 30, NULL, NULL),
 (26, 'Beispielantriebe', 'SD 700/30 0.4-2.0 FC', 'diaphragm', 'close', 700, 0.4, 2.0, 5.0, 30, NULL, NULL),
 (27, 'Beispielantriebe', 'SD 700/30 1.4-2.8 FC', 'diaphragm', 'close', 700, 1.4, 2.8, 5.0, 30, NULL, NULL),
 (28, 'Beispielantriebe', 'SD 700/30 0.2-1.0 FO', 'diaphragm', 'open', 700, 0.2, 1.0, 5.0, 30, NULL, NULL),
 (29, 'Beispielantriebe', 'SD 700/30 0.4-2.0 FO', 'diaphragm', 'open', 700, 0.4, 2.0, 5.0, 30, NULL, NULL),
 (30, 'Beispielantriebe', 'SD 700/30 1.4-2.8 FO', 'diaphragm', 'open', 700, 1.4, 2.8, 5.0, 30, NULL, NULL),
 (31, 'Beispielantriebe', 'SD 700/60 0.2-1.0 FC', 'diaphragm', 'close', 700, 0.2, 1.0, 5.0, 60, NULL, NULL),
 (32, 'Beispielantriebe', 'SD 700/60 0.4-2.0 FC', 'diaphragm', 'close', 700, 0.4, 2.0, 5.0, 60, NULL, NULL),
 (33, 'Beispielantriebe', 'SD 700/60 1.4-2.8 FC', 'diaphragm', 'close', 700, 1.4, 2.8, 5.0, 60, NULL, NULL),
 (34, 'Beispielantriebe', 'SD 700/60 0.2-1.0 FO', 'diaphragm', 'open', 700, 0.2, 1.0, 5.0, 60, NULL, NULL),
 (35, 'Beispielantriebe', 'SD 700/60 0.4-2.0 FO', 'diaphragm', 'open', 700, 0.4, 2.0, 5.0, 60, NULL, NULL),
 (36, 'Beispielantriebe', 'SD 700/60 1.4-2.8 FO', 'diaphragm', 'open', 700, 1.4, 2.8, 5.0, 60, NULL, NULL),
 (37, 'Beispielantriebe', 'SD 1000/60 0.2-1.0 FC', 'diaphragm', 'close', 1000, 0.2, 1.0, 5.0, 60, NULL, NULL),
 (38, 'Beispielantriebe', 'SD 1000/60 0.4-2.0 FC', 'diaphragm', 'close', 1000, 0.4, 2.0, 5.0, 60, NULL, NULL),
 (39, 'Beispielantriebe', 'SD 1000/60 1.4-2.8 FC', 'diaphragm', 'close', 1000, 1.4, 2.8, 5.0, 60, NULL, NULL),
 (40, 'Beispielantriebe', 'SD 1000/60 0.2-1.0 FO', 'diaphragm', 'open', 1000, 0.2, 1.0, 5.0, 60, NULL, NULL),
 (41, 'Beispielantriebe', 'SD 1000/60 0.4-2.0 FO', 'diaphragm', 'open', 1000, 0.4, 2.0, 5.0, 60, NULL, NULL),
 (42, 'Beispielantriebe', 'SD 1000/60 1.4-2.8 FO', 'diaphragm', 'open', 1000, 1.4, 2.8, 5.0, 60, NULL, NULL),
 (43, 'Beispielantriebe', 'SD 1400/100 0.2-1.0 FC', 'diaphragm', 'close', 1400, 0.2, 1.0, 4.0, 100, NULL, NULL),
 (44, 'Beispielantriebe', 'SD 1400/100 0.4-2.0 FC', 'diaphragm', 'close', 1400, 0.4, 2.0, 4.0, 100, NULL, NULL),
 (45, 'Beispielantriebe', 'SD 1400/100 1.4-2.8 FC', 'diaphragm', 'close', 1400, 1.4, 2.8, 4.0, 100, NULL, NULL),
 (46, 'Beispielantriebe', 'SD 1400/100 0.2-1.0 FO', 'diaphragm', 'open', 1400, 0.2, 1.0, 4.0, 100, NULL, NULL),
 (47, 'Beispielantriebe', 'SD 1400/100 0.4-2.0 FO', 'diaphragm', 'open', 1400, 0.4, 2.0, 4.0, 100, NULL, NULL),
 (48, 'Beispielantriebe', 'SD 1400/100 1.4-2.8 FO', 'diaphragm', 'open', 1400, 1.4, 2.8, 4.0, 100, NULL, NULL),
 (49, 'Beispielantriebe', 'SD 1400/100 2.0-4.0 FC', 'diaphragm', 'close', 1400, 2.0, 4.0, 4.0, 100, NULL, NULL),
 (50, 'Beispielantriebe', 'SD 2x1400/100 0.4-2.0 FC', 'diaphragm', 'close', 2800, 0.4, 2.0, 6.0, 100, NULL, NULL),
 (51, 'Beispielantriebe', 'SD 2x1400/100 1.4-2.8 FC', 'diaphragm', 'close', 2800, 1.4, 2.8, 6.0, 100, NULL, NULL),
 (52, 'Beispielantriebe', 'SD 2x1400/100 2.0-4.0 FC', 'diaphragm', 'close', 2800, 2.0, 4.0, 6.0, 100, NULL, NULL),
 (53, 'Beispielantriebe', 'SD 2x1400/100 0.4-2.0 FO', 'diaphragm', 'open', 2800, 0.4, 2.0, 6.0, 100, NULL, NULL),
 (54, 'Beispielantriebe', 'SD 2x1400/100 1.4-2.8 FO', 'diaphragm', 'open', 2800, 1.4, 2.8, 6.0, 100, NULL, NULL),
 (101, 'Beispielantriebe', 'SE 2 kN/20', 'electric', 'stay', NULL, NULL, NULL, NULL, 20, 2000, 0.5),
 (102, 'Beispielantriebe', 'SE 5 kN/30', 'electric', 'stay', NULL, NULL, NULL, NULL, 30, 5000, 0.6),
 (103, 'Beispielantriebe', 'SE 8 kN/40', 'electric', 'stay', NULL, NULL, NULL, NULL, 40, 8000, 0.8),
 (104, 'Beispielantriebe', 'SE 12 kN/60', 'electric', 'stay', NULL, NULL, NULL, NULL, 60, 12000, 1.0),
 (105, 'Beispielantriebe', 'SE 15 kN/60', 'electric', 'stay', NULL, NULL, NULL, NULL, 60, 15000, 1.0),
 (106, 'Beispielantriebe', 'SE 25 kN/100', 'electric', 'stay', NULL, NULL, NULL, NULL, 100, 25000, 1.5),
 (107, 'Beispielantriebe', 'SE 40 kN/100', 'electric', 'stay', NULL, NULL, NULL, NULL, 100, 40000, 1.0),
 (108, 'Beispielantriebe', 'SE 60 kN/100', 'electric', 'stay', NULL, NULL, NULL, NULL, 100, 60000, 0.8),
 (109, 'Beispielantriebe', 'SE 100 kN/100', 'electric', 'stay', NULL, NULL, NULL, NULL, 100, 100000, 0.6);
