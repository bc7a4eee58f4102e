#include "framework/units.h"

#include <algorithm>
#include <cerrno>
#include <cfenv>
#include <cstdlib>
#include <mutex>
#include <numbers>

#include "framework/settings.h"
#include "framework/translation.h"

namespace torvacalc {

namespace {

constexpr Extended kPi = std::numbers::pi_v<long double>;

// The unit table. Factors and offsets convert a value of the unit into the
// basic unit of its quantity: basic = value * Factor + Offset. Repeating
// decimals are written as the exact ratios they stand for.

const TUnitRecord kUnitRecords[] = {
    // 0 qTemperature
    {0, "°C", 0, 1},
    {1, "K", -273.15L, 1},
    {2, "°F", -160.0L / 9, 5.0L / 9},
    {3, "°Reaumur", 0, 1.25L},
    {4, "°Rankine", -273.15L, 5.0L / 9},
    // 1 qTemperatureDifference
    {0, "K", 0, 1},
    {1, "°C", 0, 1},
    {2, "°F", 0, 5.0L / 9},
    {3, "°Reaumur", 0, 1.25L},
    {4, "°Rankine", 0, 5.0L / 9},
    // 2 qPressureBar
    {0, "bar(a)", 0, 1},
    {1, "mbar(a)", 0, 0.001L},
    {2, "Pa(a)", 0, 1e-05L},
    {3, "kPa(a)", 0, 0.01L},
    {4, "MPa(a)", 0, 10},
    {5, "at(a)", 0, 0.980665L},
    {6, "atm(a)", 0, 1.01325L},
    {7, "kp/cm%s(a)", 0, 0.980665L},
    {8, "N/m%s(a)", 0, 1e-05L},
    {9, "N/mm%s(a)", 0, 10},
    {10, "Torr(a)", 0, 1.01325L / 760},
    {11, "mmHg(a)", 0, 1.01325L / 760},
    {12, "mmH2O(a)", 0, 9.80665e-05L},
    {13, "psi(a)", 0, 0.06894757293168L},
    {14, "ftH2O(a)", 0, 0.029890669L},
    {15, "inHg(a)", 0, 0.03386388158L},
    {16, "inH2O(a)", 0, 0.002490889L},
    {17, "lbf/ft%s(a)", 0, 0.00047880258980336L},
    {19, "bar(g)", 1.01325L, 1},
    {20, "mbar(g)", 1.01325L, 0.001L},
    {21, "Pa(g)", 1.01325L, 1e-05L},
    {22, "kPa(g)", 1.01325L, 0.01L},
    {23, "MPa(g)", 1.01325L, 10},
    {24, "at(g)", 1.01325L, 0.980665L},
    {25, "atm(g)", 1.01325L, 1.01325L},
    {26, "kp/cm%s(g)", 1.01325L, 0.980665L},
    {27, "N/m%s(g)", 1.01325L, 1e-05L},
    {28, "N/mm%s(g)", 1.01325L, 10},
    {29, "Torr(g)", 1.01325L, 1.01325L / 760},
    {30, "mmHg(g)", 1.01325L, 1.01325L / 760},
    {31, "mmH2O(g)", 1.01325L, 9.80665e-05L},
    {32, "psi(g)", 1.01325L, 0.06894757293168L},
    {33, "ftH2O(g)", 1.01325L, 0.029890669L},
    {34, "inHg(g)", 1.01325L, 0.03386388158L},
    {35, "inH2O(g)", 1.01325L, 0.002490889L},
    {36, "lbf/ft%s(g)", 1.01325L, 0.00047880258980336L},
    {18, "kgf/cm%s(a)", 0, 0.980665L},
    {37, "kgf/cm%s(g)", 1.01325L, 0.980665L},
    // 3 qPressureMBar
    {0, "mbar(a)", 0, 1},
    {1, "bar(a)", 0, 1000},
    {2, "Pa(a)", 0, 0.01L},
    {3, "kPa(a)", 0, 10},
    {4, "MPa(a)", 0, 10000},
    {5, "at(a)", 0, 980.665L},
    {6, "atm(a)", 0, 1013.25L},
    {7, "kp/cm%s(a)", 0, 980.665L},
    {8, "N/m%s(a)", 0, 0.01L},
    {9, "N/mm%s(a)", 0, 10000},
    {10, "Torr(a)", 0, 1013.25L / 760},
    {11, "mmHg(a)", 0, 1013.25L / 760},
    {12, "mmH2O(a)", 0, 0.0980665L},
    {13, "psi(a)", 0, 68.94757293168L},
    {14, "ftH2O(a)", 0, 29.890669L},
    {15, "inHg(a)", 0, 33.86388158L},
    {16, "inH2O(a)", 0, 2.490889L},
    {17, "lbf/ft%s(a)", 0, 0.47880258980336L},
    {19, "mbar(g)", 1013.25L, 1},
    {20, "bar(g)", 1013.25L, 1000},
    {21, "Pa(g)", 1013.25L, 0.01L},
    {22, "kPa(g)", 1013.25L, 10},
    {23, "MPa(g)", 1013.25L, 10000},
    {24, "at(g)", 1013.25L, 980.665L},
    {25, "atm(g)", 1013.25L, 1013.25L},
    {26, "kp/cm%s(g)", 1013.25L, 980.665L},
    {27, "N/m%s(g)", 1013.25L, 0.01L},
    {28, "N/mm%s(g)", 1013.25L, 10000},
    {29, "Torr(g)", 1013.25L, 1013.25L / 760},
    {30, "mmHg(g)", 1013.25L, 1013.25L / 760},
    {31, "mmH2O(g)", 1013.25L, 0.0980665L},
    {32, "psi(g)", 1013.25L, 68.94757293168L},
    {33, "ftH2O(g)", 1013.25L, 29.890669L},
    {34, "inHg(g)", 1013.25L, 33.86388158L},
    {35, "inH2O(g)", 1013.25L, 2.490889L},
    {36, "lbf/ft%s(g)", 1013.25L, 0.47880258980336L},
    {18, "kgf/cm%s(a)", 0, 980.665L},
    {37, "kgf/cm%s(g)", 1013.25L, 980.665L},
    // 4 qForce
    {0, "N", 0, 1},
    {1, "kN", 0, 1000},
    {2, "kp", 0, 9.80665L},
    {3, "pdl", 0, 0.138254954376L},
    {4, "lbf", 0, 4.4482216152605L},
    {5, "tonf", 0, 9964.01641818352L},
    {6, "kgf", 0, 9.80665L},
    // 5 qDensity
    {0, "kg/m³", 0, 1},
    {1, "kg/l", 0, 1000},
    {2, "gr/ft³", 0, 0.0022883519105657L},
    {3, "lb/ft³", 0, 0.45359237L / (0.3048L * 0.3048L * 0.3048L)},
    {4, "lb/gal(US)", 0, 119.8264284L},
    {5, "lb/gal(UK)", 0, 99.77633537L},
    {6, "g/ml", 0, 1000},
    {7, "oz/gal(US)", 0, 7.489145171L},
    {8, "oz/gal(UK)", 0, 6.236015461L},
    {9, "oz/in³", 0, 1729.992633L},
    {10, "lb/in³", 0, 27679.90654L},
    {11, "slug/ft³", 0, 515.3787147L},
    {12, "tonl/yd³", 0, 1328.939303L},
    {13, "tons/yd³", 0, 1186.55279L},
    {14, "g/cm³", 0, 1000},
    {15, "mg/l", 0, 0.001L},
    {16, "mg/m³", 0, 1e-06L},
    {17, "SG.H20(60°F)", 0, 999.02L},
    {18, "SG.H20(68°F)", 0, 998.21L},
    {19, "SG.H20(4°C)", 0, 1000},
    // 6 qSpecificVolume
    {0, "m³/kg", 0, 1},
    {1, "ft³/kg", 0, 0.0283168466L},
    {2, "ft³/lb", 0, 0.062427956L},
    // 7 qDynamicViscosity
    {0, "Pa s", 0, 1},
    {1, "mPa s", 0, 0.001L},
    {2, "µPa s", 0, 1e-06L},
    {3, "N s/m²", 0, 1},
    {4, "mN s/m²", 0, 0.001L},
    {5, "µN s/m²", 0, 1e-06L},
    {6, "kp s/m²", 0, 9.80665L},
    {7, "lb/(ft h)", 0, 0.000413378873L},
    {8, "g/(cm s)", 0, 0.1L},
    {9, "kp h/m²", 0, 35303.94L},
    {10, "kg/(ft h)", 0, 1 / (0.3048L * 3600)},
    {11, "lb/(ft s)", 0, 1.488164062L},
    {12, "Poise", 0, 0.1L},
    {13, "cP", 0, 0.001L},
    {14, "mP", 0, 0.0001L},
    {15, "kg/(m s)", 0, 1},
    // 8 qKinematicViscosity
    {0, "m²/s", 0, 1},
    {1, "cST", 0, 1e-06L},
    {2, "mm²/s", 0, 1e-06L},
    {3, "m²/h", 0, 1.0L / 3600},
    {4, "ft²/s", 0, 0.09290304L},
    {5, "ft²/h", 0, 0.09290304L / 3600},
    // 9 qMassFlowrate
    {0, "kg/h", 0, 1},
    {1, "kg/s", 0, 3600},
    {2, "t/h", 0, 1000},
    {3, "t/d", 0, 1000.0L / 24},
    {4, "ton/h(US)", 0, 907.18474L},
    {5, "ton/d(US)", 0, 907.18474L / 24},
    {6, "ton/h(UK)", 0, 1016.0469088L},
    {7, "ton/d(UK)", 0, 1016.0469088L / 24},
    {8, "lb/h", 0, 0.45359237L},
    {9, "lb/s", 0, 1632.932532L},
    // 10 qVolumeFlowrate
    {0, "m³/h", 0, 1},
    {1, "m³/s", 0, 3600},
    {2, "m³/d", 0, 1.0L / 24},
    {3, "l/h", 0, 0.001L},
    {4, "l/s", 0, 3.6L},
    {5, "l/min", 0, 0.06L},
    {6, "gal/h(US)", 0, 0.003785411784L},
    {7, "gal/min(US)", 0, 0.22712470704L},
    {8, "gal/d(US)", 0, 0.003785411784L / 24},
    {9, "bbl/d(US)", 0, 0.119240471196L / 24},
    {10, "bbl/d(oil)", 0, 0.006624470625L},
    {11, "gal/h(UK)", 0, 0.004546087L},
    {12, "gal/min(UK)", 0, 0.27276522L},
    {13, "gal/d(UK)", 0, 0.004546087L / 24},
    {14, "bbl/d(UK)", 0, 0.16365924L / 24},
    {15, "ft³/h", 0, 0.02831685L},
    {16, "ft³/min", 0, 1.699011L},
    {17, "dm³/h", 0, 0.001L},
    // 11 qNormVolumeFlowrate
    {0, "m³/h", 0, 1},
    {1, "m³/s", 0, 3600},
    {2, "m³/d", 0, 1.0L / 24},
    {3, "l/h", 0, 0.001L},
    {4, "l/s", 0, 3.6L},
    {5, "l/min", 0, 0.06L},
    {6, "GPH(US)", 0, 0.003785411784L},
    {7, "GPM(US)", 0, 0.227124707L},
    {8, "MMSCFD", 0, 1179.86875L},
    {9, "MSCFD", 0, 1.17986875L},
    {10, "MMSCFH", 0, 28316.85L},
    {11, "MSCFH", 0, 28.31685L},
    {12, "SCFH", 0, 0.02831685L},
    {13, "MMSCFM", 0, 1699011},
    {14, "MSCFM", 0, 1699.011L},
    {15, "SCFM", 0, 1.699011L},
    {16, "GPH(UK)", 0, 0.004546087L},
    {17, "GPM(UK)", 0, 0.27276522L},
    {18, "dm³/h", 0, 0.001L},
    {19, "MMSCMD", 0, 1.0E6L / 24},
    {20, "MSCMD", 0, 1000.0L / 24},
    {21, "MMSCMH", 0, 1000000},
    {22, "MSCMH", 0, 1000},
    {23, "MMSCMM", 0, 60000000},
    {24, "MSCMM", 0, 60000},
    // 12 qKvCv
    {0, "m³/h", 0, 1},
    {1, "Cv", 0, kKvPerCv},
    // 13 qNominalDiameter
    {0, "mm", 0, 1},
    {1, "in", 0, 25.4L},
    // 14 qVelocity
    {0, "m/s", 0, 1},
    {1, "ft/s", 0, 0.3048L},
    {2, "mile/h", 0, 0.44704L},
    {3, "ft/h", 0, 0.3048L / 3600},
    {4, "ft/min", 0, 0.00508L},
    {5, "in/s", 0, 0.0254L},
    {6, "km/h", 0, 1.0L / 3.6},
    {7, "in/min", 0, 0.0254L / 60},
    {8, "cm/min", 0, 0.01L / 60},
    {9, "mm/s", 0, 0.001L},
    // 15 qLengthM
    {0, "m", 0, 1},
    {1, "mm", 0, 0.001L},
    {2, "yd", 0, 0.9144L},
    {3, "ft", 0, 0.3048L},
    {4, "chain", 0, 20.11684023L},
    {5, "cm", 0, 0.01L},
    {6, "in", 0, 0.0254L},
    {7, "mile", 0, 1609.344L},
    {8, "MILS", 0, 2.54e-05L},
    {9, "micron", 0, 1e-06L},
    {10, "µm", 0, 1e-06L},
    // 16 qLengthMM
    {0, "mm", 0, 1},
    {1, "m", 0, 1000},
    {2, "in", 0, 25.4L},
    {3, "µ", 0, 0.001L},
    {4, "yd", 0, 914.4L},
    {5, "ft", 0, 304.8L},
    {6, "chain", 0, 20116.84023L},
    {7, "cm", 0, 10},
    {8, "mile", 0, 1609344},
    {9, "MILS", 0, 0.0254L},
    {10, "micron", 0, 0.001L},
    {11, "µm", 0, 0.001L},
    // 17 qExpansionCoefficient
    {0, "1/K", 0, 1},
    // 18 qModulusOfElasticity
    {1, "N/mm²", 0, 1},
    {0, "MPa", 0, 1},
    {2, "GPa", 0, 1000},
    {3, "kN/mm²", 0, 1000},
    // 19 qAreaQM
    {0, "m²", 0, 1},
    {1, "cm²", 0, 0.0001L},
    {2, "mm²", 0, 1e-06L},
    {3, "in²", 0, 0.00064516L},
    {4, "ft²", 0, 0.09290304L},
    {5, "yd²", 0, 0.83612736L},
    {6, "mile²", 0, 2589988.110336L},
    {7, "km²", 0, 1000000},
    // 20 qAreaQCM
    {0, "cm²", 0, 1},
    {1, "mm²", 0, 0.01L},
    {2, "m²", 0, 10000},
    {3, "in²", 0, 6.4516L},
    {4, "ft²", 0, 929.0304L},
    {5, "yd²", 0, 8361.2736L},
    {6, "mile²", 0, 25899881103.36L},
    {7, "km²", 0, 10000000000},
    // 21 qAreaQMM
    {0, "mm²", 0, 1},
    {1, "cm²", 0, 100},
    {2, "m²", 0, 1000000},
    {3, "in²", 0, 645.16L},
    {4, "ft²", 0, 92903.04L},
    {5, "yd²", 0, 836127.36L},
    {6, "mile²", 0, 2589988110336.0L},
    {7, "km²", 0, 1e+12L},
    // 22 qMass
    {0, "kg", 0, 1},
    {1, "g", 0, 0.001L},
    {2, "t", 0, 1000},
    {3, "lb", 0, 0.45359237L},
    {4, "ounce", 0, 0.028349523L},
    {5, "mg", 0, 1e-06L},
    // 23 qVolume
    {0, "m³", 0, 1},
    {1, "l", 0, 0.001L},
    {2, "in³", 0, 1.6387064e-05L},
    {3, "ft³", 0, 0.0283168466L},
    {4, "yd³", 0, 0.764554858L},
    {5, "gal(US)", 0, 0.00378541178L},
    {6, "bbl(US)", 0, 0.119240471196L},
    {7, "bbl(oil)", 0, 0.158987295L},
    {8, "gal(UK)", 0, 0.004546092L},
    {9, "bbl(UK)", 0, 0.16365924L},
    {10, "gill", 0, 0.00011829411825L},
    // 24 qMassPerLength
    {0, "kg/m", 0, 1},
    // 25 qVolumePerLength
    {0, "l/m", 0, 1},
    // 26 qPower
    {0, "kW", 0, 1},
    {1, "m kp/s", 0, 0.00980665L},
    {2, "kcal/h", 0, 0.001163L},
    {3, "ft lbf/s", 0, 0.0013558179483314L},
    {4, "hp(UK)", 0, 0.74569987158227L},
    {5, "therm/h", 0, 29.307107017222L},
    {6, "PS", 0, 0.73549875L},
    {7, "BTU/h", 0, 0.00029307107017222L},
    {8, "W", 0, 0.001L},
    {9, "kJ/h", 0, 1.0L / 3600},
    {10, "J/h", 0, 0.001L / 3600},
    {11, "cal/h", 0, 1.163e-06L},
    {12, "mW", 0, 1e-06L},
    // 27 qHeatPower
    {0, "kJ/h", 0, 1},
    {1, "J/h", 0, 0.001L},
    {2, "kcal/h", 0, 4.1868L},
    {3, "cal/h", 0, 0.0041868L},
    {4, "kW", 0, 3600},
    {5, "W", 0, 3.6L},
    {6, "m kp/s", 0, 35.30394L},
    {7, "ft lbf/s", 0, 4.8809446139930L},
    {8, "hp(UK)", 0, 2684.5195376962L},
    {9, "therm/h", 0, 105505.585262L},
    {10, "PS", 0, 2647.7955L},
    {11, "BTU/h", 0, 1.05505585262L},
    // 28 qHeatCapacity
    {0, "J/(g K)", 0, 1},
    {1, "kJ/(kg K)", 0, 1},
    {2, "cal/(g °C)", 0, 4.1868L},
    {3, "kcal/(kg °C)", 0, 4.1868L},
    {4, "BTU/(lb °F)", 0, 4.1868L},
    {5, "CHU/(lb °C)", 0, 4.1868L},
    {6, "BTU/(lb °R)", 0, 4.1868L},
    // 29 qEntropy
    {0, "J/(g K)", 0, 1},
    {1, "kJ/(kg K)", 0, 1},
    {2, "cal/(g °C)", 0, 4.1868L},
    {3, "kcal/(kg °C)", 0, 4.1868L},
    {4, "BTU/(lb °F)", 0, 4.1868L},
    {5, "CHU/(lb °C)", 0, 4.1868L},
    {6, "BTU/(lb °R)", 0, 4.1868L},
    // 30 qEnthalpy
    {0, "kJ/kg", 0, 1},
    {1, "J/g", 0, 1},
    {2, "BTU/lb", 0, 2.326L},
    {3, "cal/g", 0, 4.1868L},
    {4, "kcal/kg", 0, 4.1868L},
    // 31 qHeatConductivity
    {0, "W/(m K)", 0, 1},
    {1, "kcal/(m h °C)", 0, 1.163L},
    {2, "cal/(cm s °C)", 0, 418.68L},
    {3, "BTU in/(ft² h °F)", 0, 0.14422788886428L},
    {4, "BTU/(ft h °F)", 0, 1.730734908L},
    {5, "Chu/(ft h °C)", 0, 1.730734908L},
    // 32 qHeatTransferResistance
    {0, "m² K/kW", 0, 1},
    {1, "m² K/W", 0, 1000},
    // 33 qHeatTransferCoefficient
    {0, "W/(m² K)", 0, 1},
    {1, "kcal/(m² h °C)", 0, 1.163L},
    {2, "cal/(m² s °C)", 0, 4.1868L},
    // 34 qHeatTransferDensity
    {0, "W/m²", 0, 1},
    // 35 qSpecificGasConstant
    {0, "J/(kg K)", 0, 1},
    // 36 qMolarMass
    {0, "kg/kmol", 0, 1},
    {1, "g/mol", 0, 1},
    {2, "lb/lbmol", 0, 1},
    // 37 qDipoleMoment
    {0, "Debye", 0, 1},
    // 38 qWeightSoundPress
    {0, "dB(A)", 0, 1},
    // 39 qUnweightSoundPress
    {0, "dB", 0, 1},
    // 40 qFrequency
    {0, "Hz", 0, 1},
    {1, "kHz", 0, 1000},
    {2, "1/s", 0, 1},
    {3, "MHz", 0, 1000000},
    // 41 qPortion
    {0, "%%", 0, 1},
    {1, "-", 0, 100},
    // 42 qTime
    {0, "sec*", 0, 1},
    {1, "min*", 0, 60},
    {2, "hour*", 0, 3600},
    {3, "day*", 0, 86400},
    // 43 qNoUnit
    {0, "-", 0, 1},
    // 44 qNoUnitPositive
    {0, "-", 0, 1},
    // 45 qInteger
    {0, "-", 0, 1},
    // 46 qDateTime
    {0, "-", 0, 1},
    // 47 qFixedPortion
    {0, "-", 0, 1},
    // 48 qAbsHumidity
    {0, "kg/m³", 0, 1},
    // 49 qSpecHumidity
    {0, "-", 0, 1},
    // 50 qQuotPT
    {0, "MPa/K", 0, 1},
    {1, "psia/°R", 0, 0.0124105663562L},
    // 51 qJouleThomson
    {0, "K/MPa", 0, 1},
    {1, "°R/psia", 0, 80.5765L},
    // 52 qQuotPRho
    {0, "MPa m³/kg", 0, 1},
    {1, "psia ft³/lb", 0, 0.000430425839112L},
    // 53 qQuotRhoT
    {0, "kg/(m³ K)", 0, 1},
    {1, "lb/(ft³ °R)", 0, 28.833228L},
    // 54 qBerieselungsdichte
    {0, "m³/(m² h)", 0, 1},
    // 55 qFFaktor
    {0, "Pa^0.5", 0, 1},
    // 56 qDruckverlust
    {0, "mbar/m", 0, 1},
    // 57 qThrottlingCoeff
    {0, "kJ/(kg MPa)", 0, 1},
    {1, "Btu/(lb psia)", 0, 337.3576902L},
    // 58 qSecondVirialCoeff
    {0, "m³/kg", 0, 1},
    {1, "ft³/lb", 0, 0.0624279606L},
    // 59 qThirdVirialCoeff
    {0, "m^6/kg²", 0, 1},
    {1, "ft^6/lb²", 0, 0.00389725190345L},
    // 60 qMolarDensity
    {0, "kmol/m³", 0, 1},
    {1, "lbmol/ft³", 0, 16.0184644334L},
    // 61 qMolarVolume
    {0, "m³/kmol", 0, 1},
    {1, "ft³/lbmol", 0, 0.0624279564472L},
    // 62 qMolarEntropy
    {0, "kJ/(kmol K)", 0, 1},
    {1, "Btu/(lbmol °R)", 0, 4.18680030794L},
    // 63 qMolarEnthalpy
    {0, "kJ/kmol", 0, 1},
    {1, "Btu/lbmol", 0, 2.32600017108L},
    // 64 qMolarHeatCapacity
    {0, "kJ/(kmol K)", 0, 1},
    {1, "Btu/(lbmol °R)", 0, 4.18680030794L},
    // 65 qMolarThrottlingCoeff
    {0, "kJ/(kmol MPa)", 0, 1},
    {1, "Btu/(lbmol psia)", 0, 337.357715013L},
    // 66 qMolarSecondVirialCoeff
    {0, "m³/kmol", 0, 1},
    {1, "ft³/lbmol", 0, 0.0624279564472L},
    // 67 qMolarThirdVirialCoeff
    {0, "m^6/kmol²", 0, 1},
    {1, "ft^6/lbmol²", 0, 0.00389724974618L},
    // 68 qMolarQuotRhoT
    {0, "kmol/(m³ K)", 0, 1},
    {1, "lbmol/(ft³ °R)", 0, 28.8332359801L},
    // 69 qMolarQuotPRho
    {0, "MPa m³/kmol", 0, 1},
    {1, "psia ft³/lbmol", 0, 0.000430425719983L},
    // 70 qOberflaechenspannung
    {0, "N/m", 0, 1},
    // 71 qKompressibilitaet
    {0, "1/bar", 0, 1},
    // 72 qTimeH
    {0, "hour*", 0, 1},
    {1, "day*", 0, 24},
    {2, "year*", 0, 8766},
    // 73 qPressureDropBar
    {0, "bar", 0, 1},
    {1, "mbar", 0, 0.001L},
    {2, "Pa", 0, 1e-05L},
    {3, "kPa", 0, 0.01L},
    {4, "MPa", 0, 10},
    {5, "at", 0, 0.980665L},
    {6, "atm", 0, 1.01325L},
    {7, "kp/cm%s", 0, 0.980665L},
    {8, "N/m%s", 0, 1e-05L},
    {9, "N/mm%s", 0, 10},
    {10, "Torr", 0, 1.01325L / 760},
    {11, "mmHg", 0, 1.01325L / 760},
    {12, "mmH2O", 0, 9.80665e-05L},
    {13, "psi", 0, 0.06894757293168L},
    {14, "ftH2O", 0, 0.029890669L},
    {15, "inHg", 0, 0.03386388158L},
    {16, "inH2O", 0, 0.002490889L},
    {17, "lbf/ft%s", 0, 0.00047880258980336L},
    {18, "kgf/cm%s", 0, 0.980665L},
    // 74 qPressureDropMBar
    {0, "mbar", 0, 1},
    {1, "bar", 0, 1000},
    {2, "Pa", 0, 0.01L},
    {3, "kPa", 0, 10},
    {4, "MPa", 0, 10000},
    {5, "at", 0, 980.665L},
    {6, "atm", 0, 1013.25L},
    {7, "kp/cm%s", 0, 980.665L},
    {8, "N/m%s", 0, 0.01L},
    {9, "N/mm%s", 0, 10000},
    {10, "Torr", 0, 1013.25L / 760},
    {11, "mmHg", 0, 1013.25L / 760},
    {12, "mmH2O", 0, 0.0980665L},
    {13, "psi", 0, 68.94757293168L},
    {14, "ftH2O", 0, 29.890669L},
    {15, "inHg", 0, 33.86388158L},
    {16, "inH2O", 0, 2.490889L},
    {17, "lbf/ft%s", 0, 0.47880258980336L},
    {18, "kgf/cm%s", 0, 980.665L},
    // 75 qMassFlux
    {0, "kg/(s m²)", 0, 1},
    {1, "lb/(s ft²)", 0, 4.88242763638L},
    // 76 qAngle
    {0, "°", 0, 1},
    {1, "rad", 0, 180 / kPi},
    {2, "gon", 0, 0.9L},
};

const TQuantityRecord CalcUnitTable[QuantityCount] = {
    {"qTemperature", "Temperatur", 10000, -273.15L, -273.15L, 1, false, 0, 5},
    {"qTemperatureDifference", "Temperaturdifferenz", 10000, -10000, 0, 1, false, 5, 5},
    {"qPressureBar", "Druck 1", 250000, 1e-12L, 0, 1e-05L, false, 10, 38},
    {"qPressureMBar", "Druck 2", 250000000, 1e-09L, 0, 0.01L, false, 48, 38},
    {"qForce", "Kraft", 1e+20L, 1e-20L, 0, 1, false, 86, 7},
    {"qDensity", "Dichte", 14000, 1e-11L, 0, 1, false, 93, 20},
    {"qSpecificVolume", "Spezifisches Volumen", 100000000000, 1.0L / 14000, 0, 1, false, 113, 3},
    {"qDynamicViscosity", "Dynamische Viskosität", 1e+20L, 1e-20L, 0, 1, false, 116, 16},
    {"qKinematicViscosity", "Kinematische Viskosität", 1e+20L, 1e-20L, 0, 1, false, 132, 6},
    {"qMassFlowrate", "Massenstrom", 1e+20L, 1e-20L, 0, 3600, false, 138, 10},
    {"qVolumeFlowrate", "Volumenstrom", 1e+20L, 1e-20L, 0, 3600, false, 148, 18},
    {"qNormVolumeFlowrate", "Normvolumenstrom", 1e+20L, 1e-20L, 0, 3600, false, 166, 25},
    {"qKvCv", "Kv bzw. Cv", 1e+20L, 1e-20L, 0, 3600, false, 191, 2},
    {"qNominalDiameter", "Nennweite", 1e+20L, 1e-20L, 0, 1000, false, 193, 2},
    {"qVelocity", "Geschwindigkeit", 10000, 1e-20L, 0, 1, false, 195, 10},
    {"qLengthM", "Länge 1", 1e+20L, 1e-20L, 0, 1, false, 205, 11},
    {"qLengthMM", "Länge 2", 1e+20L, 1e-20L, 0, 1000, false, 216, 12},
    {"qExpansionCoefficient", "Ausdehnungskoeffizient", 1, 1e-20L, 0, 1, false, 228, 1},
    {"qModulusOfElasticity", "Elastizität", 1e+20L, 1e-20L, 0, 1e-06L, false, 229, 4},
    {"qAreaQM", "Fläche 1", 1e+20L, 1e-20L, 0, 1, false, 233, 8},
    {"qAreaQCM", "Fläche 2", 1e+20L, 1e-20L, 0, 10000, false, 241, 8},
    {"qAreaQMM", "Fläche 3", 1e+20L, 1e-20L, 0, 1000000, false, 249, 8},
    {"qMass", "Masse", 1e+20L, 1e-20L, 0, 1, false, 257, 6},
    {"qVolume", "Volumen", 1e+20L, 1e-20L, 0, 1, false, 263, 11},
    {"qMassPerLength", "Masse/Länge", 1e+20L, 1e-20L, 0, 1, false, 274, 1},
    {"qVolumePerLength", "Volumen/Länge", 1e+20L, 1e-20L, 0, 1000, false, 275, 1},
    {"qPower", "Leistung", 1e+20L, 1e-20L, 0, 0.001L, false, 276, 13},
    {"qHeatPower", "Wärmeleistung", 1e+20L, 1e-20L, 0, 3.6L, false, 289, 12},
    {"qHeatCapacity", "Wärmekapazität", 1e+20L, 1e-20L, 0, 0.001L, false, 301, 7},
    {"qEntropy", "Entropie", 1000, -1000, 0, 0.001L, false, 308, 7},
    {"qEnthalpy", "Enthalpie", 100000, -100000, 0, 0.001L, false, 315, 5},
    {"qHeatConductivity", "Wärmeleitfähigkeit", 10000, 1e-20L, 0, 1, false, 320, 6},
    {"qHeatTransferResistance", "Wärmedurchgangswiderstand", 1e+20L, 0, 0, 1000, false, 326, 2},
    {"qHeatTransferCoefficient", "Wärmedurchgangskoeffizient", 1e+20L, 1e-20L, 0, 1, false, 328, 3},
    {"qHeatTransferDensity", "Wärmestromdichte", 1e+20L, 1e-20L, 0, 1, false, 331, 1},
    {"qSpecificGasConstant", "Spezifische Gaskonstante", 4157.255L, 4.157255L, 0, 1, false, 332, 1},
    {"qMolarMass", "Molare Masse", 2000, 2, 0, 1000, false, 333, 3},
    {"qDipoleMoment", "Dipolmoment", 10, 0, 0, 1, false, 336, 1},
    {"qWeightSoundPress", "Schallpegel (A-bewertet)", 200, -200, 0, 1, false, 337, 1},
    {"qUnweightSoundPress", "Schallpegel (unbewertet)", 300, -300, 0, 1, false, 338, 1},
    {"qFrequency", "Frequenz", 1e+20L, 1e-20L, 0, 1, false, 339, 4},
    {"qPortion", "Anteile", 100, 0, 0, 1, false, 343, 2},
    {"qTime", "Zeit 1", 1e+20L, 0, 0, 1, false, 345, 4},
    {"qNoUnit", "Keine Einheit", 1e+20L, -1e+20L, 0, 1, false, 349, 1},
    {"qNoUnitPositive", "Keine Einheit [positiv]", 1e+20L, 0, 0, 1, false, 350, 1},
    {"qInteger", "Ganzzahliger Wert [0,1,2,...]", 1e+20L, 0, 0, 1, false, 351, 1},
    {"qDateTime", "Datum und Uhrzeit", 1e+20L, 0, 0, 1, false, 352, 1},
    {"qFixedPortion", "Keine Einheit [0..1]", 1, 0, 0, 1, false, 353, 1},
    {"qAbsHumidity", "Absolute Feuchte", 1e+20L, 0, 0, 1000, false, 354, 1},
    {"qSpecHumidity", "Spezifische Feuchte", 1e+20L, 0, 0, 1000, false, 355, 1},
    {"qQuotPT", "Partielle Ableitung (dp/dt)<rho>", 1e+20L, -1e+20L, 0, 1, true, 356, 2},
    {"qJouleThomson", "Joule-Thomson", 1e+20L, -1e+20L, 0, 1, true, 358, 2},
    {"qQuotPRho", "Partielle Ableitung (dp/d<rho>)t", 1e+20L, -1e+20L, 0, 1, true, 360, 2},
    {"qQuotRhoT", "Partielle Ableitung (d<rho>/dt)p", 1e+20L, -1e+20L, 0, 1, true, 362, 2},
    {"qBerieselungsdichte", "Berieselungsdichte", 10000, 0, 0, 1, true, 364, 1},
    {"qFFaktor", "F-Faktor", 10000, 0, 0, 1, true, 365, 1},
    {"qDruckverlust", "Druckverlust", 10000, 0, 0, 1, true, 366, 1},
    {"qThrottlingCoeff", "Isothermer Drosselkoeffizient", 1e+20L, -1e+20L, 0, 1, true, 367, 2},
    {"qSecondVirialCoeff", "Zweiter Virialkoeffizient", 1e+20L, -1e+20L, 0, 1, true, 369, 2},
    {"qThirdVirialCoeff", "Dritter Virialkoeffizient", 1e+20L, -1e+20L, 0, 1, true, 371, 2},
    {"qMolarDensity", "Molare Dichte", 1e+20L, -1e+20L, 0, 1, true, 373, 2},
    {"qMolarVolume", "Molar volume", 1e+20L, -1e+20L, 0, 1, true, 375, 2},
    {"qMolarEntropy", "Molare Entropie", 1e+20L, -1e+20L, 0, 1, true, 377, 2},
    {"qMolarEnthalpy", "Molare Enthalpie", 1e+20L, -1e+20L, 0, 1, true, 379, 2},
    {"qMolarHeatCapacity", "Molare Wärmekapazität", 1e+20L, -1e+20L, 0, 1, true, 381, 2},
    {"qMolarThrottlingCoeff", "Molarer Isothermer Drosselkoeffizient", 1e+20L, -1e+20L, 0, 1, true, 383, 2},
    {"qMolarSecondVirialCoeff", "Molarer 2. Virialkoeffizient", 1e+20L, -1e+20L, 0, 1, true, 385, 2},
    {"qMolarThirdVirialCoeff", "Molarer 3. Virialkoeffizient", 1e+20L, -1e+20L, 0, 1, true, 387, 2},
    {"qMolarQuotRhoT", "Mol. partielle Ableitung (d<rho>/dt)p", 1e+20L, -1e+20L, 0, 1, true, 389, 2},
    {"qMolarQuotPRho", "Mol. partielle Ableitung (dp/d<rho>)t", 1e+20L, -1e+20L, 0, 1, true, 391, 2},
    {"qOberflaechenspannung", "Oberflächenspannung", 10000, 0, 0, 1, true, 393, 1},
    {"qKompressibilitaet", "Kompressibilität", 10000, 0, 0, 1, true, 394, 1},
    {"qTimeH", "Zeit 2", 1e+20L, 0, 0, 1 / 3600.0L, false, 395, 3},
    {"qPressureDropBar", "Druckdifferenz 1", 250000, 1e-12L, 0, 1e-05L, false, 398, 19},
    {"qPressureDropMBar", "Druckdifferenz 2", 250000000, 1e-09L, 0, 0.01L, false, 417, 19},
    {"qMassFlux", "Massenfluss", 1e+20L, 1e-20L, 0, 1, false, 436, 2},
    {"qAngle", "Winkel", 360, 1e-20L, 0, 180 / kPi, false, 438, 3},
};

std::array<std::array<int, Top5Count>, QuantityCount>& Top5Table() {
  static std::array<std::array<int, Top5Count>, QuantityCount> table = [] {
    std::array<std::array<int, Top5Count>, QuantityCount> t{};
    for (auto& row : t) row.fill(-1);
    return t;
  }();
  return table;
}

std::recursive_mutex& Top5Lock() {
  static std::recursive_mutex lock;
  return lock;
}

bool ValidQuantity(TQuantity q) { return static_cast<int>(q) < QuantityCount; }

// Any floating-point failure of a conversion (overflow, a value beyond the
// NoValue range) yields NoValue.
Extended Checked(Extended x) {
  if (!std::isfinite(x) || IsNoValue(x)) return NoValue;
  return x;
}

TUnitStringList FillList(TQuantity q, const std::vector<int>& unitNos, int sortMode) {
  TUnitStringList list;
  for (int no : unitNos) {
    const TUnitRecord* u = UnitRecord(q, no);
    if (!u || !*u->Name) continue;
    list.push_back({TQuantityArray::GetUnitName(q, no), {no, u->SortIndex, u->Offset, u->Factor}});
  }
  if (sortMode == SortName) {
    std::stable_sort(list.begin(), list.end(), [](const TUnitListEntry& a, const TUnitListEntry& b) {
      return LowerAscii(a.Name) < LowerAscii(b.Name);
    });
  } else if (sortMode == SortIndex) {
    std::stable_sort(list.begin(), list.end(), [](const TUnitListEntry& a, const TUnitListEntry& b) {
      return a.Ref.SortIndex < b.Ref.SortIndex;
    });
  }
  return list;
}

std::vector<std::string> Names(const TUnitStringList& list) {
  std::vector<std::string> names;
  names.reserve(list.size());
  for (const auto& e : list) names.push_back(e.Name);
  return names;
}

bool& UnitOptionsLoaded() {
  static bool loaded = false;
  return loaded;
}

}  // namespace

const TQuantityRecord& QuantityRecord(TQuantity q) {
  if (!ValidQuantity(q)) throw EHXInternal("unknown quantity " + std::to_string(static_cast<int>(q)));
  return CalcUnitTable[q];
}

const TUnitRecord* UnitRecord(TQuantity q, int unitNo) {
  if (!ValidQuantity(q)) return nullptr;
  const TQuantityRecord& r = CalcUnitTable[q];
  if (unitNo < 0 || unitNo >= r.UnitCount || unitNo >= MaxUnitSlots) return nullptr;
  return &kUnitRecords[r.FirstUnit + unitNo];
}

std::optional<TQuantity> QuantityByName(const std::string& name) {
  if (name.empty()) return std::nullopt;
  if (std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    if (name.size() > 3) return std::nullopt;
    const int n = std::atoi(name.c_str());
    if (n < QuantityCount) return static_cast<TQuantity>(n);
    return std::nullopt;
  }
  const std::string lower = LowerAscii(name);
  for (int i = 0; i < QuantityCount; ++i)
    if (LowerAscii(CalcUnitTable[i].Ident) == lower) return static_cast<TQuantity>(i);
  return std::nullopt;
}

std::string FormatUnitName(const std::string& raw) {
  std::string out;
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '%' && i + 1 < raw.size()) {
      if (raw[i + 1] == 's') { out += "²"; ++i; continue; }
      if (raw[i + 1] == '%') { out += '%'; ++i; continue; }
    }
    out += raw[i];
  }
  return out;
}

std::string TQuantityArray::GetQuantityName(TQuantity q) {
  return Translate(QuantityRecord(q).Caption);
}

std::string TQuantityArray::GetUnitName(TQuantity q, int unitNo) {
  const TUnitRecord* u = UnitRecord(q, unitNo);
  return u ? FormatUnitName(Translate(u->Name)) : std::string();
}

Extended TQuantityArray::GetLowerBound(TQuantity q) { return QuantityRecord(q).LowerBound; }
Extended TQuantityArray::GetUpperBound(TQuantity q) { return QuantityRecord(q).UpperBound; }
bool TQuantityArray::GetHide(TQuantity q) { return QuantityRecord(q).Hide; }
int TQuantityArray::GetCount(TQuantity q) { return std::min(QuantityRecord(q).UnitCount, MaxUnitSlots - 1); }

TUnitStringList TQuantityArray::UnitStringList(TQuantity q, int sortMode) {
  std::vector<int> nos(static_cast<size_t>(QuantityRecord(q).UnitCount));
  for (size_t i = 0; i < nos.size(); ++i) nos[i] = static_cast<int>(i);
  return FillList(q, nos, sortMode);
}

std::vector<std::string> TQuantityArray::UnitStrings(TQuantity q, int sortMode) {
  return Names(UnitStringList(q, sortMode));
}

TUnitStringList TQuantityArray::Top5StringList(TQuantity q, int sortMode) {
  HXUnitOptions();
  const auto top = Top5(q);
  return FillList(q, std::vector<int>(top.begin(), top.end()), sortMode);
}

std::vector<std::string> TQuantityArray::Top5Strings(TQuantity q, int sortMode) {
  return Names(Top5StringList(q, sortMode));
}

std::array<int, Top5Count> TQuantityArray::Top5(TQuantity q) {
  QuantityRecord(q);
  HXUnitOptions();
  std::lock_guard guard(Top5Lock());
  return Top5Table()[q];
}

void TQuantityArray::AddToTop5(TQuantity q, int unitNo) {
  QuantityRecord(q);
  if (unitNo > MaxUnitSlots - 1) return;
  // The saved lists come first; a change before them would be overwritten.
  HXUnitOptions();
  {
    std::lock_guard guard(Top5Lock());
    auto& top = Top5Table()[q];
    int p = 0;
    while (p < Top5Count && top[static_cast<size_t>(p)] != unitNo) ++p;
    if (p == 0) return;  // already the most recent
    for (int k = std::min(p, Top5Count - 1); k >= 1; --k)
      top[static_cast<size_t>(k)] = top[static_cast<size_t>(k - 1)];
    top[0] = unitNo;
  }
  HXUnitOptions().SaveToReg();
}

std::string TQuantityArray::GetTop5(TQuantity q) {
  const auto top = Top5(q);
  std::string text;
  for (int i = 0; i < Top5Count; ++i) {
    if (i) text += ',';
    text += std::to_string(top[static_cast<size_t>(i)]);
  }
  return text;
}

void TQuantityArray::SetTop5(TQuantity q, const std::string& text) {
  std::vector<std::string> items;
  size_t start = 0;
  while (true) {
    const auto comma = text.find(',', start);
    items.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  // Parse every item before changing anything: a damaged text must not
  // leave a half-rebuilt list.
  std::vector<int> values(Top5Count, -1);
  for (int i = 0; i < Top5Count && i < static_cast<int>(items.size()); ++i) {
    std::string item = items[static_cast<size_t>(i)];
    item.erase(0, item.find_first_not_of(" \t"));
    item.erase(item.find_last_not_of(" \t") + 1);
    if (item.empty()) continue;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(item.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || v < INT32_MIN || v > INT32_MAX)
      throw std::invalid_argument("\"" + item + "\" is not an integer");
    values[static_cast<size_t>(i)] = static_cast<int>(v);
  }
  for (int i = Top5Count - 1; i >= 0; --i) AddToTop5(q, values[static_cast<size_t>(i)]);
}

void TQuantityArray::SetTop5(TQuantity q, const std::vector<int>& values) {
  const int count = std::min(static_cast<int>(values.size()), Top5Count);
  for (int i = 0; i < Top5Count - count; ++i) AddToTop5(q, -1);
  for (int i = count - 1; i >= 0; --i) AddToTop5(q, values[static_cast<size_t>(i)]);
}

int TQuantityArray::UnitNoByName(TQuantity q, const std::string& name) {
  const std::string wanted = LowerAscii(name);
  for (const auto& e : UnitStringList(q, SortIndex))
    if (LowerAscii(e.Name) == wanted) return e.Ref.UnitNo;
  // The table's own spelling ("kp/cm%s(a)") is accepted as well.
  for (const auto& e : UnitStringList(q, SortIndex))
    if (LowerAscii(UnitRecord(q, e.Ref.UnitNo)->Name) == wanted) return e.Ref.UnitNo;
  // A flow coefficient by the name engineers give it: Kv in m³/h, Cv in
  // US gallons per minute at 1 psi (written "GPM(US)" by older files and
  // case files).
  if (q == qKvCv && (wanted == "kv" || wanted == "cv" || wanted == "gpm(us)")) return wanted == "kv" ? 0 : 1;
  return -1;
}

Extended TCalcUnits::ConvertToUnit(Extended value) const {
  if (IsNoValue(value)) return NoValue;
  const TUnitRecord* u = UnitRecord(Quantity, CalcUnitNo);
  if (!u) return NoValue;
  return Checked(value * u->Factor + u->Offset);
}

Extended TCalcUnits::ConvertToBasic(Extended value) const {
  if (IsNoValue(value)) return NoValue;
  const TUnitRecord* u = UnitRecord(Quantity, CalcUnitNo);
  if (!u || u->Factor == 0) return NoValue;
  return Checked((value - u->Offset) / u->Factor);
}

Extended TCalcUnits::ConvertToSI(Extended value) const {
  const Extended basic = ConvertToUnit(value);
  if (IsNoValue(basic)) return NoValue;
  const TQuantityRecord& r = QuantityRecord(Quantity);
  return Checked((basic - r.SIOffset) / r.SIFactor);
}

Extended GetBasicUnitValue(int unitNo, TQuantity q, Extended value) {
  TCalcUnits units(q);
  units.CalcUnitNo = unitNo;
  return units.ConvertToUnit(value);
}

Extended GetUnitValue(int unitNo, TQuantity q, Extended value) {
  TCalcUnits units(q);
  units.CalcUnitNo = unitNo;
  return units.ConvertToBasic(value);
}

Extended GetSIValue(int unitNo, TQuantity q, Extended value) {
  TCalcUnits units(q);
  units.CalcUnitNo = unitNo;
  return units.ConvertToSI(value);
}

void THXUnitOptions::LoadFromReg() { LoadFromReg(TSettingsStore::Instance()); }
void THXUnitOptions::SaveToReg() { SaveToReg(TSettingsStore::Instance()); }

void THXUnitOptions::LoadFromReg(TSettingsStore& store) {
  Loading = true;
  const std::string fallback = "-1,-1,-1,-1,-1,-1,-1,-1,-1,";
  for (int q = 0; q < QuantityCount; ++q) {
    const auto quantity = static_cast<TQuantity>(q);
    try {
      TQuantityArray::SetTop5(quantity, store.ReadString("RecentUnits", "Quantity" + std::to_string(q), fallback));
    } catch (const std::exception&) {
      // A damaged entry costs that quantity its place at the front, not
      // the rest of the settings.
      TQuantityArray::SetTop5(quantity, std::vector<int>{-1});
    }
  }
  Loading = false;
}

void THXUnitOptions::SaveToReg(TSettingsStore& store) {
  if (Loading) return;
  for (int q = 0; q < QuantityCount; ++q)
    store.WriteString("RecentUnits", "Quantity" + std::to_string(q),
                      TQuantityArray::GetTop5(static_cast<TQuantity>(q)));
  store.Save();
}

THXUnitOptions& HXUnitOptions() {
  static THXUnitOptions options;
  // Read first by whichever thread comes first; reading them calls back
  // here (the recent units of each quantity).
  static std::recursive_mutex lock;
  std::lock_guard guard(lock);
  if (!UnitOptionsLoaded()) {
    UnitOptionsLoaded() = true;
    options.LoadFromReg();
  }
  return options;
}

void ResetUnitOptions() {
  {
    std::lock_guard guard(Top5Lock());
    for (auto& row : Top5Table()) row.fill(-1);
  }
  UnitOptionsLoaded() = false;
}

}  // namespace torvacalc
