-- The valve database: valve styles and their sub-styles (trims) with the
-- typical valve factors at full rated travel, descriptions of individual
-- valves with measured factor curves and polynomials, and the tables of
-- manufacturers' series and sizes.
--
-- Typical factors: IEC 60534-2-1:2011, Annex D, Table D.2 ("typical values
-- of valve style modifier Fd, liquid pressure recovery factor FL and
-- pressure differential ratio factor xT at full rated travel"; the same
-- values as ISA-75.01.01-2007, Table 2). These are typical values for
-- preliminary sizing; a manufacturer's values replace them. No standard
-- publishes typical Kc values, so Kc stays empty and the sizing core uses
-- its estimate from FL.

PRAGMA foreign_keys = ON;

-- Valve styles. ID is the 1-based index of the style list; EquivalentID the
-- basic style whose limits (mechanical damage, cavitation) the style takes.
-- Name and NameEn are the entries of the style and trim switches in German
-- and English, written as the program's other texts (ae, oe, ue, ss, "Grad"),
-- so that case files and stored calculations name them as they always did.
-- A stored calculation keeps a style as ID - 1 and a trim as TrimNo: IDs
-- and TrimNos run without gaps, and a row keeps its number.
CREATE TABLE ValveStyle (
  ID INTEGER PRIMARY KEY,
  Name TEXT NOT NULL,
  NameEn TEXT NOT NULL,
  EquivalentID INTEGER NOT NULL CHECK (EquivalentID BETWEEN 1 AND 5)
);

INSERT INTO ValveStyle VALUES
  (1, 'Durchgangsventil', 'Globe valve', 1),
  (2, 'Drehkegelventil', 'Rotary plug valve', 2),
  (3, 'Klappe', 'Butterfly valve', 3),
  (4, 'Kugelhahn', 'Ball valve', 4),
  (5, 'Sonstige', 'Other', 5),
  (6, 'Membranventil', 'Diaphragm valve', 5),
  (7, 'Schlauchquetschventil', 'Pinch valve', 5),
  (8, 'Eckventil', 'Angle valve', 1),
  (9, 'Dreiwegeventil', 'Three-way valve', 1),
  (10, 'Kleinmengenventil', 'Small flow valve', 1);

-- Sub-styles of a style. Direction: the flow direction the values belong
-- to ('open' flow tends to open the valve, 'close' to close it, 'any').
CREATE TABLE TrimStyle (
  StyleID INTEGER NOT NULL REFERENCES ValveStyle(ID),
  TrimNo INTEGER NOT NULL,
  Name TEXT NOT NULL,
  NameEn TEXT NOT NULL,
  Direction TEXT NOT NULL CHECK (Direction IN ('open', 'close', 'any')),
  FL REAL CHECK (FL IS NULL OR (FL > 0 AND FL <= 1)),
  XT REAL CHECK (XT IS NULL OR (XT > 0 AND XT <= 1)),
  Fd REAL CHECK (Fd IS NULL OR (Fd > 0 AND Fd <= 1)),
  Kc REAL CHECK (Kc IS NULL OR (Kc > 0 AND Kc <= 1)),
  PerforatedPlug INTEGER NOT NULL DEFAULT 0,
  Source TEXT NOT NULL,
  PRIMARY KEY (StyleID, TrimNo)
);

INSERT INTO TrimStyle VALUES
  -- Globe valves, single and double port
  (1, 0, 'Parabolkegel, öffnend', 'Contoured plug, flow to open', 'open', 0.90, 0.72, 0.46, NULL, 0, 'IEC 60534-2-1:2011 Table D.2'),
  (1, 1, 'Parabolkegel, schließend', 'Contoured plug, flow to close', 'close', 0.80, 0.55, 1.00, NULL, 0, 'IEC 60534-2-1:2011 Table D.2'),
  (1, 2, 'V-Schlitzkegel (3 Schlitze)', 'V-port plug (3 ports)', 'any', 0.90, 0.70, 0.48, NULL, 0, 'IEC 60534-2-1:2011 Table D.2'),
  (1, 3, 'Lochkäfig (60 Bohrungen)', 'Drilled cage (60 holes)', 'any', 0.90, 0.68, 0.13, NULL, 1, 'IEC 60534-2-1:2011 Table D.2'),
  (1, 4, 'Käfig mit 4 Fenstern, nach außen', 'Cage with 4 ports, flow outward', 'open', 0.90, 0.75, 0.41, NULL, 0, 'IEC 60534-2-1:2011 Table D.2'),
  (1, 5, 'Doppelsitz, Parabolkegel', 'Double seat, contoured plug', 'any', 0.85, 0.70, 0.32, NULL, 0, 'IEC 60534-2-1:2011 Table D.2'),
  -- Rotary plug valves
  (2, 0, 'Exzentrischer Kugelkegel, öffnend', 'Eccentric spherical plug, flow to open', 'open', 0.85, 0.60, 0.42, NULL, 0, 'IEC 60534-2-1:2011 Table D.2'),
  (2, 1, 'Exzentrischer Kugelkegel, schließend', 'Eccentric spherical plug, flow to close', 'close', 0.68, 0.40, 0.44, NULL, 0, 'IEC 60534-2-1:2011 Table D.2'),
  (2, 2, 'Exzentrischer Kegel, öffnend', 'Eccentric plug, flow to open', 'open', 0.77, 0.54, 0.44, NULL, 0, 'IEC 60534-2-1:2011 Table D.2'),
  -- Butterfly valves
  (3, 0, 'Mittig, durchschwingend 70 Grad', 'Centred, swing-through 70 degrees', 'any', 0.62, 0.35, 0.57, NULL, 0, 'IEC 60534-2-1:2011 Table D.2'),
  (3, 1, 'Mittig, durchschwingend 60 Grad', 'Centred, swing-through 60 degrees', 'any', 0.70, 0.42, 0.50, NULL, 0, 'IEC 60534-2-1:2011 Table D.2'),
  (3, 2, 'Mittig, geriffelte Scheibe 70 Grad', 'Centred, fluted disc 70 degrees', 'any', 0.67, 0.38, 0.30, NULL, 0, 'IEC 60534-2-1:2011 Table D.2'),
  (3, 3, 'Exzentrisch, versetzter Sitz 70 Grad', 'Eccentric, offset seat 70 degrees', 'any', 0.67, 0.35, 0.57, NULL, 0, 'IEC 60534-2-1:2011 Table D.2'),
  (3, 4, 'Doppelt exzentrisch 90 Grad', 'Double offset 90 degrees', 'any', NULL, NULL, NULL, NULL, 0, 'no published typical values'),
  (3, 5, 'Dreifach exzentrisch 90 Grad', 'Triple offset 90 degrees', 'any', NULL, NULL, NULL, NULL, 0, 'no published typical values'),
  (3, 6, 'Mit Lochscheibe (geräuscharm)', 'Perforated disc (low noise)', 'any', NULL, NULL, NULL, NULL, 1, 'no published typical values'),
  -- Ball valves
  (4, 0, 'Voller Durchgang 70 Grad', 'Full bore 70 degrees', 'any', 0.74, 0.42, 0.99, NULL, 0, 'IEC 60534-2-1:2011 Table D.2'),
  (4, 1, 'Segmentkugel', 'Segmented ball', 'any', 0.60, 0.30, 0.98, NULL, 0, 'IEC 60534-2-1:2011 Table D.2'),
  (4, 2, 'Reduzierter Durchgang', 'Reduced bore', 'any', NULL, NULL, NULL, NULL, 0, 'no published typical values'),
  -- Angle valves
  (8, 0, 'Parabolkegel, öffnend', 'Contoured plug, flow to open', 'open', 0.90, 0.72, 0.46, NULL, 0, 'IEC 60534-2-1:2011 Table D.2'),
  (8, 1, 'Parabolkegel, schließend', 'Contoured plug, flow to close', 'close', 0.80, 0.65, 1.00, NULL, 0, 'IEC 60534-2-1:2011 Table D.2'),
  (8, 2, 'Käfig mit 4 Fenstern, nach außen', 'Cage with 4 ports, flow outward', 'open', 0.90, 0.65, 0.41, NULL, 0, 'IEC 60534-2-1:2011 Table D.2'),
  (8, 3, 'Käfig mit 4 Fenstern, nach innen', 'Cage with 4 ports, flow inward', 'close', 0.85, 0.60, 0.41, NULL, 0, 'IEC 60534-2-1:2011 Table D.2'),
  (8, 4, 'Venturi', 'Venturi', 'close', 0.50, 0.20, 1.00, NULL, 0, 'IEC 60534-2-1:2011 Table D.2'),
  -- Small flow trims (Fd of the tapered needle depends on its geometry)
  (10, 0, 'V-Kerbe', 'V-notch', 'open', 0.98, 0.84, 0.70, NULL, 0, 'IEC 60534-2-1:2011 Table D.2'),
  (10, 1, 'Flachsitz (kurzer Hub)', 'Flat seat, short travel', 'close', 0.85, 0.70, 0.30, NULL, 0, 'IEC 60534-2-1:2011 Table D.2'),
  (10, 2, 'Kegelnadel', 'Tapered needle', 'open', 0.95, 0.84, NULL, NULL, 0, 'IEC 60534-2-1:2011 Table D.2');

-- The description of one valve: measured data that overrides the typical
-- values. Cavitation reference data after ISA-RP75.23-1995: flow
-- coefficient (Kv, m3/h), inlet pressure (bar) and size (mm) of the tested
-- valve, exponents of the pressure and size scale effects.
CREATE TABLE ValveDescription (
  ID INTEGER PRIMARY KEY,
  Name TEXT NOT NULL,
  StyleID INTEGER NOT NULL REFERENCES ValveStyle(ID),
  TrimNo INTEGER NOT NULL,
  PerforatedPlug INTEGER NOT NULL DEFAULT 0,
  cvr REAL, pr REAL, dr REAL, aPSE REAL, bSSE REAL,
  Remark TEXT
);

-- A measured factor over the opening Kv/Kvs (0..1): FL, XT or ZY (xFz).
CREATE TABLE ValveCurve (
  DescriptionID INTEGER NOT NULL REFERENCES ValveDescription(ID) ON DELETE CASCADE,
  Factor TEXT NOT NULL CHECK (Factor IN ('FL', 'XT', 'ZY')),
  KvKvs REAL NOT NULL CHECK (KvKvs >= 0 AND KvKvs <= 1),
  Value REAL NOT NULL CHECK (Value > 0 AND Value <= 1),
  PRIMARY KEY (DescriptionID, Factor, KvKvs)
);

-- Coefficients a0..a9 of the exponent polynomial P(Kv/Kvs) of a factor
-- given at 75 % opening: factor = value75 * 2^P (FL2 or XFZ).
CREATE TABLE ValvePolynomial (
  DescriptionID INTEGER NOT NULL REFERENCES ValveDescription(ID) ON DELETE CASCADE,
  Factor TEXT NOT NULL CHECK (Factor IN ('FL2', 'XFZ')),
  Power INTEGER NOT NULL CHECK (Power BETWEEN 0 AND 9),
  Coefficient REAL NOT NULL,
  PRIMARY KEY (DescriptionID, Factor, Power)
);

-- A demonstration record: the FL and xT curves of a contoured globe plug
-- (flow-to-open) obtained from its typical values at full travel by the
-- opening function of the sizing core. Not measured; it shows the form a
-- manufacturer's measured curves take.
INSERT INTO ValveDescription VALUES
  (1, 'Beispiel: Parabolkegel, öffnend', 1, 0, 0, NULL, NULL, NULL, NULL, NULL,
   'demonstration curves derived from IEC 60534-2-1:2011 Table D.2, not measured');
INSERT INTO ValveCurve VALUES
  (1, 'FL', 0.1, 0.9437), (1, 'FL', 0.2, 0.9323), (1, 'FL', 0.3, 0.9240), (1, 'FL', 0.4, 0.9173),
  (1, 'FL', 0.5, 0.9116), (1, 'FL', 0.6, 0.9066), (1, 'FL', 0.7, 0.9021), (1, 'FL', 0.8, 0.8980),
  (1, 'FL', 0.9, 0.8942), (1, 'FL', 1.0, 0.8907),
  (1, 'XT', 0.1, 0.8386), (1, 'XT', 0.2, 0.8071), (1, 'XT', 0.3, 0.7845), (1, 'XT', 0.4, 0.7663),
  (1, 'XT', 0.5, 0.7510), (1, 'XT', 0.6, 0.7375), (1, 'XT', 0.7, 0.7256), (1, 'XT', 0.8, 0.7147),
  (1, 'XT', 0.9, 0.7047), (1, 'XT', 1.0, 0.6955);

-- Manufacturers' valve series and their sizes (filled by a manufacturer's
-- database; empty here). A size names its Kvs and may point to the
-- description that holds its measured data.
CREATE TABLE Manufacturer (
  ID INTEGER PRIMARY KEY,
  Name TEXT NOT NULL UNIQUE
);

CREATE TABLE ValveSeries (
  ID INTEGER PRIMARY KEY,
  ManufacturerID INTEGER NOT NULL REFERENCES Manufacturer(ID),
  Name TEXT NOT NULL,
  StyleID INTEGER NOT NULL REFERENCES ValveStyle(ID),
  TrimNo INTEGER NOT NULL,
  Characteristic INTEGER NOT NULL DEFAULT 0 CHECK (Characteristic BETWEEN 0 AND 8),
  Phi0 REAL,
  UNIQUE (ManufacturerID, Name)
);

CREATE TABLE ValveSize (
  SeriesID INTEGER NOT NULL REFERENCES ValveSeries(ID) ON DELETE CASCADE,
  DN REAL NOT NULL CHECK (DN > 0),
  DNV1 REAL,
  Seat REAL,
  Kvs REAL NOT NULL CHECK (Kvs > 0),
  Travel REAL,
  FL REAL, XT REAL, Fd REAL, Kc REAL, Zy REAL,
  DescriptionID INTEGER REFERENCES ValveDescription(ID),
  PRIMARY KEY (SeriesID, DN, Kvs)
);
CREATE INDEX ValveSizeByKvs ON ValveSize (Kvs);
