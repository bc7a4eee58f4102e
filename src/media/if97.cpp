#include "media/if97.h"

#include <cmath>
#include <algorithm>
#include <array>
#include <iterator>
#include <type_traits>
#include <utility>

namespace torvacalc {

namespace {

// One term n * x^I * y^J of a fundamental equation.
struct TTerm {
  int I;
  int J;
  Extended n;
};

// Region 1: coefficients and exponents of the Gibbs free energy
// (IAPWS R7-97(2012), Table 2).
constexpr TTerm kRegion1[] = {
    {0, -2, 1.4632971213167e-01L}, {0, -1, -8.4548187169114e-01L}, {0, 0, -3.7563603672040e+00L},
    {0, 1, 3.3855169168385e+00L}, {0, 2, -9.5791963387872e-01L}, {0, 3, 1.5772038513228e-01L},
    {0, 4, -1.6616417199501e-02L}, {0, 5, 8.1214629983568e-04L}, {1, -9, 2.8319080123804e-04L},
    {1, -7, -6.0706301565874e-04L}, {1, -1, -1.8990068218419e-02L}, {1, 0, -3.2529748770505e-02L},
    {1, 1, -2.1841717175414e-02L}, {1, 3, -5.2838357969930e-05L}, {2, -3, -4.7184321073267e-04L},
    {2, 0, -3.0001780793026e-04L}, {2, 1, 4.7661393906987e-05L}, {2, 3, -4.4141845330846e-06L},
    {2, 17, -7.2694996297594e-16L}, {3, -4, -3.1679644845054e-05L}, {3, 0, -2.8270797985312e-06L},
    {3, 6, -8.5205128120103e-10L}, {4, -5, -2.2425281908000e-06L}, {4, -2, -6.5171222895601e-07L},
    {4, 10, -1.4341729937924e-13L}, {5, -8, -4.0516996860117e-07L}, {8, -11, -1.2734301741641e-09L},
    {8, -6, -1.7424871230634e-10L}, {21, -29, -6.8762131295531e-19L}, {23, -31, 1.4478307828521e-20L},
    {29, -38, 2.6335781662795e-23L}, {30, -39, -1.1947622640071e-23L}, {31, -40, 1.8228094581404e-24L},
    {32, -41, -9.3537087292458e-26L},
};

// Region 2, ideal-gas part: J0 and n0 (IAPWS R7-97(2012), Table 10); I is 0,
// the part depends on tau alone.
constexpr TTerm kRegion2Ideal[] = {
    {0, 0, -9.6927686500217e+00L}, {0, 1, 1.0086655968018e+01L}, {0, -5, -5.6087911283020e-03L},
    {0, -4, 7.1452738081455e-02L}, {0, -3, -4.0710498223928e-01L}, {0, -2, 1.4240819171444e+00L},
    {0, -1, -4.3839511319450e+00L}, {0, 2, -2.8408632460772e-01L}, {0, 3, 2.1268463753307e-02L},
};

// Region 2, residual part (IAPWS R7-97(2012), Table 11).
constexpr TTerm kRegion2Residual[] = {
    {1, 0, -1.7731742473213e-03L}, {1, 1, -1.7834862292358e-02L}, {1, 2, -4.5996013696365e-02L},
    {1, 3, -5.7581259083432e-02L}, {1, 6, -5.0325278727930e-02L}, {2, 1, -3.3032641670203e-05L},
    {2, 2, -1.8948987516315e-04L}, {2, 4, -3.9392777243355e-03L}, {2, 7, -4.3797295650573e-02L},
    {2, 36, -2.6674547914087e-05L}, {3, 0, 2.0481737692309e-08L}, {3, 1, 4.3870667284435e-07L},
    {3, 3, -3.2277677238570e-05L}, {3, 6, -1.5033924542148e-03L}, {3, 35, -4.0668253562649e-02L},
    {4, 1, -7.8847309559367e-10L}, {4, 2, 1.2790717852285e-08L}, {4, 3, 4.8225372718507e-07L},
    {5, 7, 2.2922076337661e-06L}, {6, 3, -1.6714766451061e-11L}, {6, 16, -2.1171472321355e-03L},
    {6, 35, -2.3895741934104e+01L}, {7, 0, -5.9059564324270e-18L}, {7, 11, -1.2621808899101e-06L},
    {7, 25, -3.8946842435739e-02L}, {8, 8, 1.1256211360459e-11L}, {8, 36, -8.2311340897998e+00L},
    {9, 13, 1.9809712802088e-08L}, {10, 4, 1.0406965210174e-19L}, {10, 10, -1.0234747095929e-13L},
    {10, 14, -1.0018179379511e-09L}, {16, 29, -8.0882908646985e-11L}, {16, 50, 1.0693031879409e-01L},
    {18, 57, -3.3662250574171e-01L}, {20, 20, 8.9185845355421e-25L}, {20, 35, 3.0629316876232e-13L},
    {20, 48, -4.2002467698208e-06L}, {21, 21, -5.9056029685639e-26L}, {22, 53, 3.7826947613457e-06L},
    {23, 39, -1.2768608934681e-15L}, {24, 26, 7.3087610595061e-29L}, {24, 40, 5.5414715350778e-17L},
    {24, 58, -9.4369707241210e-07L},
};

// Region 3: n2 to n40 of the Helmholtz free energy (IAPWS R7-97(2012),
// Table 30); n1 multiplies ln(delta).
constexpr TTerm kRegion3[] = {
    {0, 0, -1.5732845290239e+01L}, {0, 1, 2.0944396974307e+01L}, {0, 2, -7.6867707878716e+00L},
    {0, 7, 2.6185947787954e+00L}, {0, 10, -2.8080781148620e+00L}, {0, 12, 1.2053369696517e+00L},
    {0, 23, -8.4566812812502e-03L}, {1, 2, -1.2654315477714e+00L}, {1, 6, -1.1524407806681e+00L},
    {1, 15, 8.8521043984318e-01L}, {1, 17, -6.4207765181607e-01L}, {2, 0, 3.8493460186671e-01L},
    {2, 2, -8.5214708824206e-01L}, {2, 6, 4.8972281541877e+00L}, {2, 7, -3.0502617256965e+00L},
    {2, 22, 3.9420536879154e-02L}, {2, 26, 1.2558408424308e-01L}, {3, 0, -2.7999329698710e-01L},
    {3, 2, 1.3899799569460e+00L}, {3, 4, -2.0189915023570e+00L}, {3, 16, -8.2147637173963e-03L},
    {3, 26, -4.7596035734923e-01L}, {4, 0, 4.3984074473500e-02L}, {4, 2, -4.4476435428739e-01L},
    {4, 4, 9.0572070719733e-01L}, {4, 26, 7.0522450087967e-01L}, {5, 1, 1.0770512626332e-01L},
    {5, 3, -3.2913623258954e-01L}, {5, 26, -5.0871062041158e-01L}, {6, 0, -2.2175400873096e-02L},
    {6, 2, 9.4260751665092e-02L}, {6, 26, 1.6436278447961e-01L}, {7, 2, -1.3503372241348e-02L},
    {8, 26, -1.4834345352472e-02L}, {9, 2, 5.7922953628084e-04L}, {9, 26, 3.2308904703711e-03L},
    {10, 0, 8.0964802996215e-05L}, {10, 1, -1.6557679795037e-04L}, {11, 26, -4.4923899061815e-05L},
};

// Region 5, ideal-gas part (IAPWS R7-97(2012), Table 37).
constexpr TTerm kRegion5Ideal[] = {
    {0, 0, -1.3179983674201e+01L}, {0, 1, 6.8540841634434e+00L}, {0, -3, -2.4805148933466e-02L},
    {0, -2, 3.6901534980333e-01L}, {0, -1, -3.1161318213925e+00L}, {0, 2, -3.2961626538917e-01L},
};

// Region 5, residual part (IAPWS R7-97(2012), Table 38).
constexpr TTerm kRegion5Residual[] = {
    {1, 1, 1.5736404855259e-03L}, {1, 2, 9.0153761673944e-04L}, {1, 3, -5.0270077677648e-03L},
    {2, 3, 2.2440037409485e-06L}, {2, 9, -4.1163275453471e-06L}, {3, 7, 3.7919454822955e-08L},
};

// Region 1 reducing values: 16.53 MPa and 1386 K; region 2 and 5: 1 MPa with
// 540 K and 1000 K; region 3: 322 kg/m3 and the critical temperature
// 647.096 K.
constexpr Extended kP1 = 16.53L, kT1 = 1386.0L;
constexpr Extended kT2 = 540.0L, kT5 = 1000.0L;
constexpr Extended kRho3 = 322.0L, kTc3 = 647.096L;
// n1 of region 3, the coefficient of ln(delta) (R7-97(2012), Table 30).
constexpr Extended kN1Region3 = 1.0658070028513L;

// Saturation-line coefficients n1 to n10 (R7-97(2012), Table 34); index 0
// is unused so that the indices read as in the release.
constexpr Extended kN4[11] = {0,
    1.1670521452767e+03L, -7.2421316703206e+05L, -1.7073846940092e+01L, 1.2020824702470e+04L,
    -3.2325550322333e+06L, 1.4915108613530e+01L, -4.8232657361591e+03L, 4.0511340542057e+05L,
    -2.3855557567849e-01L, 6.5017534844798e+02L};

// Boundary 2/3, n1 to n5 (R7-97(2012), Table 1).
constexpr Extended kN23[6] = {0, 0.34805185628969e3L, -0.11671859879975e1L, 0.10192970039326e-2L,
                              0.57254459862746e3L, 0.13918839778870e2L};

// Backward equation T(p, h) of region 1, T/1 K = sum n pi^I (eta + 1)^J
// with pi = p/1 MPa and eta = h/2500 kJ/kg (R7-97(2012), eq. 11, Table 6).
constexpr TTerm kBackward1[] = {
    {0, 0, -0.23872489924521e3L}, {0, 1, 0.40421188637945e3L}, {0, 2, 0.11349746881718e3L},
    {0, 6, -0.58457616048039e1L}, {0, 22, -0.15285482413140e-3L}, {0, 32, -0.10866707695377e-5L},
    {1, 0, -0.13391744872602e2L}, {1, 1, 0.43211039183559e2L}, {1, 2, -0.54010067170506e2L},
    {1, 3, 0.30535892203916e2L}, {1, 4, -0.65964749423638e1L}, {1, 10, 0.93965400878363e-2L},
    {1, 32, 0.11573647505340e-6L}, {2, 10, -0.25858641282073e-4L}, {2, 32, -0.40644363084799e-8L},
    {3, 10, 0.66456186191635e-7L}, {3, 32, 0.80670734103027e-10L}, {4, 32, -0.93477771213947e-12L},
    {5, 32, 0.58265442020601e-14L}, {6, 32, -0.15020185953503e-16L},
};

// Backward equations T(p, h) of region 2 with eta = h/2000 kJ/kg
// (R7-97(2012), eqs. 22 to 24, Tables 20 to 22): subregion 2a,
// sum n pi^I (eta - 2.1)^J; 2b, sum n (pi - 2)^I (eta - 2.6)^J; 2c,
// sum n (pi + 25)^I (eta - 1.8)^J.
constexpr TTerm kBackward2a[] = {
    {0, 0, 0.10898952318288e4L}, {0, 1, 0.84951654495535e3L}, {0, 2, -0.10781748091826e3L},
    {0, 3, 0.33153654801263e2L}, {0, 7, -0.74232016790248e1L}, {0, 20, 0.11765048724356e2L},
    {1, 0, 0.18445749355790e1L}, {1, 1, -0.41792700549624e1L}, {1, 2, 0.62478196935812e1L},
    {1, 3, -0.17344563108114e2L}, {1, 7, -0.20058176862096e3L}, {1, 9, 0.27196065473796e3L},
    {1, 11, -0.45511318285818e3L}, {1, 18, 0.30919688604755e4L}, {1, 44, 0.25226640357872e6L},
    {2, 0, -0.61707422868339e-2L}, {2, 2, -0.31078046629583L}, {2, 7, 0.11670873077107e2L},
    {2, 36, 0.12812798404046e9L}, {2, 38, -0.98554909623276e9L}, {2, 40, 0.28224546973002e10L},
    {2, 42, -0.35948971410703e10L}, {2, 44, 0.17227349913197e10L}, {3, 24, -0.13551334240775e5L},
    {3, 44, 0.12848734664650e8L}, {4, 12, 0.13865724283226e1L}, {4, 32, 0.23598832556514e6L},
    {4, 44, -0.13105236545054e8L}, {5, 32, 0.73999835474766e4L}, {5, 36, -0.55196697030060e6L},
    {5, 42, 0.37154085996233e7L}, {6, 34, 0.19127729239660e5L}, {6, 44, -0.41535164835634e6L},
    {7, 28, -0.62459855192507e2L},
};
constexpr TTerm kBackward2b[] = {
    {0, 0, 0.14895041079516e4L}, {0, 1, 0.74307798314034e3L}, {0, 2, -0.97708318797837e2L},
    {0, 12, 0.24742464705674e1L}, {0, 18, -0.63281320016026L}, {0, 24, 0.11385952129658e1L},
    {0, 28, -0.47811863648625L}, {0, 40, 0.85208123431544e-2L}, {1, 0, 0.93747147377932L},
    {1, 2, 0.33593118604916e1L}, {1, 6, 0.33809355601454e1L}, {1, 12, 0.16844539671904L},
    {1, 18, 0.73875745236695L}, {1, 24, -0.47128737436186L}, {1, 28, 0.15020273139707L},
    {1, 40, -0.21764114219750e-2L}, {2, 2, -0.21810755324761e-1L}, {2, 8, -0.10829784403677L},
    {2, 18, -0.46333324635812e-1L}, {2, 40, 0.71280351959551e-4L}, {3, 1, 0.11032831789999e-3L},
    {3, 2, 0.18955248387902e-3L}, {3, 12, 0.30891541160537e-2L}, {3, 24, 0.13555504554949e-2L},
    {4, 2, 0.28640237477456e-6L}, {4, 12, -0.10779857357512e-4L}, {4, 18, -0.76462712454814e-4L},
    {4, 24, 0.14052392818316e-4L}, {4, 28, -0.31083814331434e-4L}, {4, 40, -0.10302738212103e-5L},
    {5, 18, 0.28217281635040e-6L}, {5, 24, 0.12704902271945e-5L}, {5, 40, 0.73803353468292e-7L},
    {6, 28, -0.11030139238909e-7L}, {7, 2, -0.81456365207833e-13L}, {7, 28, -0.25180545682962e-10L},
    {9, 1, -0.17565233969407e-17L}, {9, 40, 0.86934156344163e-14L},
};
constexpr TTerm kBackward2c[] = {
    {-7, 0, -0.32368398555242e13L}, {-7, 4, 0.73263350902181e13L}, {-6, 0, 0.35825089945447e12L},
    {-6, 2, -0.58340131851590e12L}, {-5, 0, -0.10783068217470e11L}, {-5, 2, 0.20825544563171e11L},
    {-2, 0, 0.61074783564516e6L}, {-2, 1, 0.85977722535580e6L}, {-1, 0, -0.25745723604170e5L},
    {-1, 2, 0.31081088422714e5L}, {0, 0, 0.12082315865936e4L}, {0, 1, 0.48219755109255e3L},
    {1, 4, 0.37966001272486e1L}, {1, 8, -0.10842984880077e2L}, {2, 4, -0.45364172676660e-1L},
    {6, 0, 0.14559115658698e-12L}, {6, 1, 0.11261597407230e-11L}, {6, 4, -0.17804982240686e-10L},
    {6, 10, 0.12324579690832e-6L}, {6, 12, -0.11606921130984e-5L}, {6, 16, 0.27846367088554e-4L},
    {6, 20, -0.59270038474176e-3L}, {6, 22, 0.12918582991878e-2L},
};
// The boundary between subregions 2b and 2c, h(p) = n4 + ((pi - n5)/n3)^0.5
// kJ/kg (R7-97(2012), eq. 21, Table 19).
constexpr Extended kN2bc3 = 0.12809002730136e-3L, kN2bc4 = 0.26526571908428e4L,
                   kN2bc5 = 0.45257578905948e1L;

// Viscosity: reduced temperature, density and viscosity, H_i and H_ij of
// the IAPS Formulation 1985 for the viscosity (revised release 2003, Tables 1
// and 2).
constexpr Extended kTStar = 647.226L, kRhoStar = 317.763L, kEtaStar = 55.071e-6L;
constexpr Extended kH0[4] = {1.000000L, 0.978197L, 0.579829L, -0.202354L};
constexpr Extended kH1[6][7] = {
    {0.5132047L, 0.2151778L, -0.2818107L, 0.1778064L, -0.0417661L, 0, 0},
    {0.3205656L, 0.7317883L, -1.070786L, 0.4605040L, 0, -0.01578386L, 0},
    {0, 1.241044L, -1.263184L, 0.2340379L, 0, 0, 0},
    {0, 1.476783L, 0, -0.4924179L, 0.1600435L, 0, -0.003629481L},
    {-0.7782567L, 0, 0, 0, 0, 0, 0},
    {0.1885447L, 0, 0, 0, 0, 0, 0}};

// Thermal conductivity: lambda* and L_k, L_ij of the IAPS Formulation 1985
// for the thermal conductivity (revised release 1998, Tables 1 and 2), with
// the reduced temperature and density of the viscosity.
constexpr Extended kLambdaStar = 0.4945L;
constexpr Extended kL0[4] = {1.000000L, 6.978267L, 2.599096L, -0.998254L};
constexpr Extended kL1[5][6] = {
    {1.3293046L, -0.40452437L, 0.24409490L, 0.018660751L, -0.12961068L, 0.044809953L},
    {1.7018363L, -2.2156845L, 1.6511057L, -0.76736002L, 0.37283344L, -0.11203160L},
    {5.2246158L, -10.124111L, 4.9874687L, -0.27297694L, -0.43083393L, 0.13333849L},
    {8.7127675L, -9.5000611L, 4.3786606L, -0.91783782L, 0, 0},
    {-1.8525999L, 0.93404690L, 0, 0, 0, 0}};

// x^n for an integer n.
Extended IntPow(Extended x, int n) {
  if (n < 0) return 1 / IntPow(x, -n);
  Extended r = 1;
  while (n) {
    if (n & 1) r *= x;
    x *= x;
    n >>= 1;
  }
  return r;
}

// Lowest and highest exponent of one variable over a coefficient table.
template <size_t N>
constexpr int LowestExponent(const TTerm (&terms)[N], int TTerm::*exponent) {
  int e = terms[0].*exponent;
  for (const TTerm& t : terms) e = std::min(e, t.*exponent);
  return e;
}
template <size_t N>
constexpr int HighestExponent(const TTerm (&terms)[N], int TTerm::*exponent) {
  int e = terms[0].*exponent;
  for (const TTerm& t : terms) e = std::max(e, t.*exponent);
  return e;
}

// The powers x^k of one reduced variable that a table and its first and
// second derivatives reach: Low - 2 <= k <= High for the exponents Low to
// High of the table. They are built once per evaluation by successive
// multiplication (negative k from the inverse), so that a power costs a
// look-up where a binary powering per term and derivative cost several
// multiplications; the rounding error grows by about one unit of the 64-bit
// mantissa a multiplication, a few tens of units at most, far below the 9
// digits the formulation is verified to.
// An 80-bit store costs several cycles, so a wide span (region 1 reaches
// tau^-43, region 2 tau^58) is kept as two short tables,
// x^k = x^(k mod 8) (x^8)^(k div 8), at one multiplication a look-up; a
// narrow one as a single table. When no exponent is negative, x^-1 and x^-2
// read as 0: only the derivative of a term with I = 0 or 1 reaches them, and
// its factor I or I (I - 1) is 0, so the product stays 0 (and finite also at
// x = 0).
template <int Low, int High, typename Real = Extended>
class TPowers {
  static_assert(High >= 0, "a table with only negative exponents");
  static constexpr int kFirst = std::min(Low, 0) - 2;
  static constexpr bool kSplit = High - kFirst >= 16;
  static constexpr int FloorDiv8(int k) { return k >= 0 ? k / 8 : -((7 - k) / 8); }
  // The range of k div 8 of the split form; unused in the single table.
  static constexpr int kHighFirst = Low >= 0 ? -1 : FloorDiv8(kFirst);
  static constexpr int kHighLast = kSplit ? High / 8 : kHighFirst;

 public:
  explicit TPowers(Real x) {
    if constexpr (kSplit) {
      low_[0] = 1;
      for (int k = 1; k < 8; ++k) low_[k] = low_[k - 1] * x;
      const Real x8 = low_[7] * x;
      Real* const high = high_ - kHighFirst;  // high[m] = x^(8 m)
      high[0] = 1;
      for (int m = 1; m <= kHighLast; ++m) high[m] = high[m - 1] * x8;
      if constexpr (Low >= 0) {
        high[-1] = 0;
      } else {
        const Real inverse = 1 / x8;
        for (int m = -1; m >= kHighFirst; --m) high[m] = high[m + 1] * inverse;
      }
    } else {
      Real* const p = low_ - kFirst;  // p[k] = x^k
      p[0] = 1;
      for (int k = 1; k <= High; ++k) p[k] = p[k - 1] * x;
      if constexpr (Low >= 0) {
        p[-1] = p[-2] = 0;
      } else {
        const Real inverse = 1 / x;
        for (int k = -1; k >= kFirst; --k) p[k] = p[k + 1] * inverse;
      }
    }
  }
  Real operator[](int k) const {
    // k & 7 and k >> 3 are the remainder and the floor quotient by 8, also
    // for negative k.
    if constexpr (kSplit) return low_[k & 7] * high_[(k >> 3) - kHighFirst];
    return low_[k - kFirst];
  }

 private:
  Real low_[kSplit ? 8 : High - kFirst + 1];
  Real high_[kHighLast - kHighFirst + 1];
};

// The precision of the property kernels of the Gibbs regions 1, 2 and 5 and
// of the region 3 properties at a given density: their sums are evaluated
// in double. The coefficients are published to 14 digits, and the rounding
// of a sum of some 40 terms in double stays near 1E-14 relative (the header
// lists what the verification tables show); an SSE double operation costs a
// fraction of an x87 extended one. Arguments and results stay Extended. The
// derivative functions of the family (CalculateGammaPi1, CalculatePhi3 and
// so on) and the region 3 pressure keep Extended throughout: the former
// serve numerical differentiation, the latter judges the density search,
// which must give its pressure back to 14 digits near the critical point
// (the search iterates in double and takes its last steps in Extended).
using TKernel = double;

// A coefficient table in the kernel precision, made at compile time.
struct TKernelTerm {
  int I;
  int J;
  TKernel n;
};
template <size_t N>
constexpr std::array<TKernelTerm, N> ToKernel(const TTerm (&terms)[N]) {
  std::array<TKernelTerm, N> r{};
  for (size_t k = 0; k < N; ++k) r[k] = {terms[k].I, terms[k].J, static_cast<TKernel>(terms[k].n)};
  return r;
}
template <const auto& Terms>
inline constexpr auto kKernelTerms = ToKernel(Terms);

// The coefficient table of a sum in the precision `Real` it is made in.
template <typename Real, const auto& Terms>
constexpr const auto& TermsIn() {
  if constexpr (std::is_same_v<Real, Extended>)
    return Terms;
  else
    return kKernelTerms<Terms>;
}

// The sums that an evaluation of a fundamental equation f = sum n x^I y^J
// can ask for, as bits: f, its first and second derivatives by x, by y, and
// the mixed one.
enum : unsigned { kF = 1, kFx = 2, kFxx = 4, kFy = 8, kFyy = 16, kFxy = 32 };

struct TSums {
  Extended f = 0, x = 0, xx = 0, y = 0, yy = 0, xy = 0;
};

// True when the terms are ordered by their exponent I, as the releases list
// them.
template <size_t N>
constexpr bool OrderedByI(const TTerm (&terms)[N]) {
  for (size_t k = 1; k < N; ++k)
    if (terms[k].I < terms[k - 1].I) return false;
  return true;
}

// The sums `Want` of the table `Terms` at (x, y) in one pass. The terms of
// one exponent I are summed as polynomials in y first,
//   a0 = sum n y^J, a1 = sum n J y^(J-1), a2 = sum n J (J-1) y^(J-2),
// and each such group then contributes x^I a0 to f, I x^(I-1) a0 to df/dx,
// x^I a1 to df/dy and so on, so that a power of x is looked up once a group.
// The pass is unrolled at compile time: every exponent is a constant, so a
// power is a fixed slot of its table and a factor such as n J is folded
// (to the same double the multiplication at run time gives), with no loads
// of exponents or conversions of them in the loop. The operations and their
// order are those of a plain loop over the table, so is the result.
template <unsigned Want, const auto& Terms, typename Real, size_t... K>
TSums SumTermsUnrolled(Extended x, Extended y, std::index_sequence<K...>) {
  constexpr int lowI = LowestExponent(Terms, &TTerm::I), highI = HighestExponent(Terms, &TTerm::I);
  constexpr int lowJ = LowestExponent(Terms, &TTerm::J), highJ = HighestExponent(Terms, &TTerm::J);
  constexpr bool kA0 = (Want & (kF | kFx | kFxx)) != 0;
  constexpr bool kA1 = (Want & (kFy | kFxy)) != 0;
  constexpr bool kA2 = (Want & kFyy) != 0;
  constexpr const auto& terms = TermsIn<Real, Terms>();
  constexpr size_t N = sizeof...(K);
  const TPowers<lowI, highI, Real> xp(static_cast<Real>(x));
  const TPowers<lowJ, highJ, Real> yp(static_cast<Real>(y));
  Real f = 0, fx = 0, fxx = 0, fy = 0, fyy = 0, fxy = 0;
  Real a0 = 0, a1 = 0, a2 = 0;
  const auto addGroup = [&]<int I>() {
    if constexpr ((Want & (kF | kFy | kFyy)) != 0) {
      const Real p = xp[I];
      if constexpr ((Want & kF) != 0) f += p * a0;
      if constexpr ((Want & kFy) != 0) fy += p * a1;
      if constexpr ((Want & kFyy) != 0) fyy += p * a2;
    }
    if constexpr ((Want & (kFx | kFxy)) != 0) {
      const Real p = I * xp[I - 1];
      if constexpr ((Want & kFx) != 0) fx += p * a0;
      if constexpr ((Want & kFxy) != 0) fxy += p * a1;
    }
    if constexpr ((Want & kFxx) != 0) fxx += (I * (I - 1)) * xp[I - 2] * a0;
    a0 = a1 = a2 = 0;
  };
  const auto addTerm = [&]<size_t k>() {
    if constexpr (k > 0 && terms[k].I != terms[k - 1].I) addGroup.template operator()<terms[k - 1].I>();
    constexpr int J = terms[k].J;
    constexpr Real n = terms[k].n;
    if constexpr (kA0) a0 += n * yp[J];
    if constexpr (kA1) a1 += n * J * yp[J - 1];
    if constexpr (kA2) a2 += n * (J * (J - 1)) * yp[J - 2];
  };
  (addTerm.template operator()<K>(), ...);
  addGroup.template operator()<terms[N - 1].I>();
  TSums s;
  s.f = f;
  s.x = fx;
  s.xx = fxx;
  s.y = fy;
  s.yy = fyy;
  s.xy = fxy;
  return s;
}

template <unsigned Want, const auto& Terms, typename Real = Extended>
TSums SumTerms(Extended x, Extended y) {
  static_assert(OrderedByI(Terms));
  return SumTermsUnrolled<Want, Terms, Real>(x, y, std::make_index_sequence<std::size(Terms)>());
}

// A result that overflowed or failed becomes NoValue.
Extended Checked(Extended x) { return IsNoValue(x) ? NoValue : x; }

Extended Kelvin(Extended t) { return t + ZeroCelsius; }

// Valid state of a Gibbs region: positive pressure and absolute temperature.
[[gnu::always_inline]] inline bool ValidPT(Extended P, Extended t) {
  return Available(P, t) && P > 0 && Kelvin(t) > 0;
}

// The derivatives that a property needs, in the bits of TSums: x stands for
// pi (delta in region 3), y for tau (R7-97(2012), Tables 3, 12, 31 and 39).
constexpr unsigned kForDensity = kFx;
constexpr unsigned kForEnthalpy = kFy;
constexpr unsigned kForEntropy = kF | kFy;
constexpr unsigned kForCp = kFyy;
constexpr unsigned kForCvW = kFx | kFxx | kFxy | kFyy;

// The derivatives of a Gibbs function that the properties need; only those
// asked for are computed, the others stay 0.
struct TGibbs {
  Extended pi, tau;
  Extended g, gp, gpp, gt, gtt, gpt;  // total derivatives (ideal + residual)
  Extended grp, grpp, grpt;           // residual derivatives (regions 2 and 5)
};

// Region 1 in its own variables: gamma is a polynomial in 7.1 - pi and
// tau - 1.222, so a derivative by pi changes sign.
template <unsigned Want, typename Real = Extended>
TSums Region1Sums(Extended pi, Extended tau) {
  return SumTerms<Want, kRegion1, Real>(7.1L - pi, tau - 1.222L);
}

template <unsigned Want>
TGibbs Region1Gibbs(Extended P, Extended t) {
  TGibbs r{};
  r.pi = P / 10 / kP1;
  r.tau = kT1 / Kelvin(t);
  const TSums s = Region1Sums<Want, TKernel>(r.pi, r.tau);
  r.g = s.f;
  r.gp = -s.x;
  r.gpp = s.xx;
  r.gt = s.y;
  r.gtt = s.yy;
  r.gpt = -s.xy;
  return r;
}

// Regions 2 and 5 share the form gamma = gamma0 + gammaR with pi = p/1 MPa;
// the ideal-gas part gamma0 = ln pi + sum n0 tau^J has only tau derivatives
// beyond the 1/pi that the property relations carry explicitly. The residual
// part is a polynomial in pi and yR (tau - 0.5 in region 2, tau in region 5).
template <unsigned Want, const auto& Ideal, const auto& Residual>
TGibbs IdealGasGibbs(Extended pi, Extended tau, Extended yR) {
  TGibbs r{};
  r.pi = pi;
  r.tau = tau;
  const TSums res = SumTerms<Want, Residual, TKernel>(pi, yR);
  constexpr unsigned kIdeal = Want & (kF | kFy | kFyy);
  TSums ideal;
  if constexpr (kIdeal != 0) ideal = SumTerms<kIdeal, Ideal, TKernel>(1, tau);
  if constexpr ((Want & kF) != 0) r.g = std::log(pi) + ideal.f + res.f;
  r.gt = ideal.y + res.y;
  r.gtt = ideal.yy + res.yy;
  r.grp = res.x;
  r.grpp = res.xx;
  r.grpt = res.xy;
  return r;
}

template <unsigned Want>
TGibbs Region2Gibbs(Extended P, Extended t) {
  const Extended tau = kT2 / Kelvin(t);
  return IdealGasGibbs<Want, kRegion2Ideal, kRegion2Residual>(P / 10, tau, tau - 0.5L);
}

template <unsigned Want>
TGibbs Region5Gibbs(Extended P, Extended t) {
  const Extended tau = kT5 / Kelvin(t);
  return IdealGasGibbs<Want, kRegion5Ideal, kRegion5Residual>(P / 10, tau, tau);
}

// Properties that all Gibbs regions share (R7-97(2012), Tables 3, 12 and
// 39): h = R T tau gamma_tau, s = R (tau gamma_tau - gamma),
// cp = -R tau^2 gamma_tautau.
Extended H(const TGibbs& g, Extended T) { return IF97R * T * g.tau * g.gt; }
Extended S(const TGibbs& g) { return IF97R * (g.tau * g.gt - g.g); }
Extended Cp(const TGibbs& g) { return -IF97R * g.tau * g.tau * g.gtt; }

// Properties from the Gibbs function of region 1 (R7-97(2012), Table 3).
Extended Rho1(const TGibbs& g, Extended T, Extended pMPa) {
  return pMPa * 1000 / (IF97R * T * g.pi * g.gp);
}
Extended Cv1(const TGibbs& g) {
  const Extended a = g.gp - g.tau * g.gpt;
  return IF97R * (-g.tau * g.tau * g.gtt + a * a / g.gpp);
}
Extended W1(const TGibbs& g, Extended T) {
  const Extended a = g.gp - g.tau * g.gpt;
  const Extended w2 = 1000 * IF97R * T * g.gp * g.gp / (a * a / (g.tau * g.tau * g.gtt) - g.gpp);
  return w2 > 0 ? std::sqrt(w2) : NoValue;
}

// Properties from the Gibbs function of regions 2 and 5 (R7-97(2012),
// Tables 12 and 39).
Extended Rho25(const TGibbs& g, Extended T, Extended pMPa) {
  return pMPa * 1000 / (IF97R * T * (1 + g.pi * g.grp));
}
Extended Cv25(const TGibbs& g) {
  const Extended a = 1 + g.pi * g.grp - g.tau * g.pi * g.grpt;
  return IF97R * (-g.tau * g.tau * g.gtt - a * a / (1 - g.pi * g.pi * g.grpp));
}
Extended W25(const TGibbs& g, Extended T) {
  const Extended a = 1 + g.pi * g.grp - g.tau * g.pi * g.grpt;
  const Extended num = 1 + 2 * g.pi * g.grp + g.pi * g.pi * g.grp * g.grp;
  const Extended den = (1 - g.pi * g.pi * g.grpp) + a * a / (g.tau * g.tau * g.gtt);
  const Extended w2 = 1000 * IF97R * T * num / den;
  return w2 > 0 ? std::sqrt(w2) : NoValue;
}

// The derivatives of the region 3 Helmholtz function; only those asked for
// are computed, the others stay 0.
struct THelmholtz {
  Extended delta, tau, f, fd, fdd, ft, ftt, fdt;
};

// phi = n1 ln delta + sum n delta^I tau^J.
template <unsigned Want, typename Real = Extended>
THelmholtz Region3Phi(Extended delta, Extended tau) {
  THelmholtz r{};
  r.delta = delta;
  r.tau = tau;
  const TSums s = SumTerms<Want, kRegion3, Real>(delta, tau);
  if constexpr ((Want & kF) != 0) r.f = kN1Region3 * std::log(delta) + s.f;
  if constexpr ((Want & kFx) != 0) r.fd = kN1Region3 / delta + s.x;
  if constexpr ((Want & kFxx) != 0) r.fdd = -kN1Region3 / (delta * delta) + s.xx;
  r.ft = s.y;
  r.ftt = s.yy;
  r.fdt = s.xy;
  return r;
}

// The properties of region 3 at a given density sum in the kernel precision
// (see TKernel); its derivative functions keep Extended.
template <unsigned Want>
THelmholtz Region3Helmholtz(Extended rho, Extended t) {
  return Region3Phi<Want, TKernel>(rho / kRho3, kTc3 / Kelvin(t));
}

// Properties from the Helmholtz function of region 3 (R7-97(2012),
// Table 31).
Extended H3(const THelmholtz& f, Extended T) { return IF97R * T * (f.tau * f.ft + f.delta * f.fd); }
Extended S3(const THelmholtz& f) { return IF97R * (f.tau * f.ft - f.f); }
Extended Cp3(const THelmholtz& f) {
  const Extended a = f.delta * f.fd - f.delta * f.tau * f.fdt;
  return IF97R * (-f.tau * f.tau * f.ftt + a * a / (2 * f.delta * f.fd + f.delta * f.delta * f.fdd));
}
Extended Cv3(const THelmholtz& f) { return -IF97R * f.tau * f.tau * f.ftt; }
Extended W3(const THelmholtz& f, Extended T) {
  const Extended a = f.delta * f.fd - f.delta * f.tau * f.fdt;
  const Extended w2 =
      1000 * IF97R * T * (2 * f.delta * f.fd + f.delta * f.delta * f.fdd - a * a / (f.tau * f.tau * f.ftt));
  return w2 > 0 ? std::sqrt(w2) : NoValue;
}

bool ValidRhoT(Extended rho, Extended t) { return Available(rho, t) && rho > 0 && Kelvin(t) > 0; }

}  // namespace

// ---------------------------------------------------------------- region 1

Extended CalculateGamma1(Extended pi, Extended tau) {
  if (!Available(pi, tau)) return NoValue;
  return Checked(Region1Sums<kF>(pi, tau).f);
}
Extended CalculateGammaPi1(Extended pi, Extended tau) {
  if (!Available(pi, tau)) return NoValue;
  return Checked(-Region1Sums<kFx>(pi, tau).x);
}
Extended CalculateGammaPiPi1(Extended pi, Extended tau) {
  if (!Available(pi, tau)) return NoValue;
  return Checked(Region1Sums<kFxx>(pi, tau).xx);
}
Extended CalculateGammaTau1(Extended pi, Extended tau) {
  if (!Available(pi, tau)) return NoValue;
  return Checked(Region1Sums<kFy>(pi, tau).y);
}
Extended CalculateGammaTauTau1(Extended pi, Extended tau) {
  if (!Available(pi, tau)) return NoValue;
  return Checked(Region1Sums<kFyy>(pi, tau).yy);
}
Extended CalculateGammaPiTau1(Extended pi, Extended tau) {
  if (!Available(pi, tau)) return NoValue;
  return Checked(-Region1Sums<kFxy>(pi, tau).xy);
}

// ---------------------------------------------------------------- region 2

Extended CalculateGamma02(Extended pi, Extended tau) {
  if (!Available(pi, tau) || pi <= 0) return NoValue;
  return Checked(std::log(pi) + SumTerms<kF, kRegion2Ideal>(1, tau).f);
}
Extended CalculateGamma0Tau2(Extended pi, Extended tau) {
  if (!Available(pi, tau)) return NoValue;
  return Checked(SumTerms<kFy, kRegion2Ideal>(1, tau).y);
}
Extended CalculateGamma0TauTau2(Extended pi, Extended tau) {
  if (!Available(pi, tau)) return NoValue;
  return Checked(SumTerms<kFyy, kRegion2Ideal>(1, tau).yy);
}
Extended CalculateGammaR2(Extended pi, Extended tau) {
  if (!Available(pi, tau)) return NoValue;
  return Checked(SumTerms<kF, kRegion2Residual>(pi, tau - 0.5L).f);
}
Extended CalculateGammaRPi2(Extended pi, Extended tau) {
  if (!Available(pi, tau)) return NoValue;
  return Checked(SumTerms<kFx, kRegion2Residual>(pi, tau - 0.5L).x);
}
Extended CalculateGammaRPiPi2(Extended pi, Extended tau) {
  if (!Available(pi, tau)) return NoValue;
  return Checked(SumTerms<kFxx, kRegion2Residual>(pi, tau - 0.5L).xx);
}
Extended CalculateGammaRTau2(Extended pi, Extended tau) {
  if (!Available(pi, tau)) return NoValue;
  return Checked(SumTerms<kFy, kRegion2Residual>(pi, tau - 0.5L).y);
}
Extended CalculateGammaRTauTau2(Extended pi, Extended tau) {
  if (!Available(pi, tau)) return NoValue;
  return Checked(SumTerms<kFyy, kRegion2Residual>(pi, tau - 0.5L).yy);
}
Extended CalculateGammaRPiTau2(Extended pi, Extended tau) {
  if (!Available(pi, tau)) return NoValue;
  return Checked(SumTerms<kFxy, kRegion2Residual>(pi, tau - 0.5L).xy);
}

// ---------------------------------------------------------------- region 3

Extended CalculatePhi3(Extended delta, Extended tau) {
  if (!Available(delta, tau) || delta <= 0) return NoValue;
  return Checked(Region3Phi<kF>(delta, tau).f);
}
Extended CalculatePhiDelta3(Extended delta, Extended tau) {
  if (!Available(delta, tau) || delta <= 0) return NoValue;
  return Checked(Region3Phi<kFx>(delta, tau).fd);
}
Extended CalculatePhiDeltaDelta3(Extended delta, Extended tau) {
  if (!Available(delta, tau) || delta <= 0) return NoValue;
  return Checked(Region3Phi<kFxx>(delta, tau).fdd);
}
Extended CalculatePhiTau3(Extended delta, Extended tau) {
  if (!Available(delta, tau)) return NoValue;
  return Checked(Region3Phi<kFy>(delta, tau).ft);
}
Extended CalculatePhiTauTau3(Extended delta, Extended tau) {
  if (!Available(delta, tau)) return NoValue;
  return Checked(Region3Phi<kFyy>(delta, tau).ftt);
}
Extended CalculatePhiDeltaTau3(Extended delta, Extended tau) {
  if (!Available(delta, tau)) return NoValue;
  return Checked(Region3Phi<kFxy>(delta, tau).fdt);
}

// ---------------------------------------------------------------- region 5

Extended CalculateGamma05(Extended pi, Extended tau) {
  if (!Available(pi, tau) || pi <= 0) return NoValue;
  return Checked(std::log(pi) + SumTerms<kF, kRegion5Ideal>(1, tau).f);
}
Extended CalculateGamma0Tau5(Extended pi, Extended tau) {
  if (!Available(pi, tau)) return NoValue;
  return Checked(SumTerms<kFy, kRegion5Ideal>(1, tau).y);
}
Extended CalculateGamma0TauTau5(Extended pi, Extended tau) {
  if (!Available(pi, tau)) return NoValue;
  return Checked(SumTerms<kFyy, kRegion5Ideal>(1, tau).yy);
}
Extended CalculateGammaR5(Extended pi, Extended tau) {
  if (!Available(pi, tau)) return NoValue;
  return Checked(SumTerms<kF, kRegion5Residual>(pi, tau).f);
}
Extended CalculateGammaRPi5(Extended pi, Extended tau) {
  if (!Available(pi, tau)) return NoValue;
  return Checked(SumTerms<kFx, kRegion5Residual>(pi, tau).x);
}
Extended CalculateGammaRPiPi5(Extended pi, Extended tau) {
  if (!Available(pi, tau)) return NoValue;
  return Checked(SumTerms<kFxx, kRegion5Residual>(pi, tau).xx);
}
Extended CalculateGammaRTau5(Extended pi, Extended tau) {
  if (!Available(pi, tau)) return NoValue;
  return Checked(SumTerms<kFy, kRegion5Residual>(pi, tau).y);
}
Extended CalculateGammaRTauTau5(Extended pi, Extended tau) {
  if (!Available(pi, tau)) return NoValue;
  return Checked(SumTerms<kFyy, kRegion5Residual>(pi, tau).yy);
}
Extended CalculateGammaRPiTau5(Extended pi, Extended tau) {
  if (!Available(pi, tau)) return NoValue;
  return Checked(SumTerms<kFxy, kRegion5Residual>(pi, tau).xy);
}

// ------------------------------------------------- properties by region

Extended CalculateRho1(Extended P, Extended t) {
  if (!ValidPT(P, t)) return NoValue;
  return Checked(Rho1(Region1Gibbs<kForDensity>(P, t), Kelvin(t), P / 10));
}
Extended CalculateRho2(Extended P, Extended t) {
  if (!ValidPT(P, t)) return NoValue;
  return Checked(Rho25(Region2Gibbs<kForDensity>(P, t), Kelvin(t), P / 10));
}
Extended CalculateRho5(Extended P, Extended t) {
  if (!ValidPT(P, t)) return NoValue;
  return Checked(Rho25(Region5Gibbs<kForDensity>(P, t), Kelvin(t), P / 10));
}

Extended Calculateh1(Extended P, Extended t) {
  if (!ValidPT(P, t)) return NoValue;
  return Checked(H(Region1Gibbs<kForEnthalpy>(P, t), Kelvin(t)));
}
Extended Calculateh2(Extended P, Extended t) {
  if (!ValidPT(P, t)) return NoValue;
  return Checked(H(Region2Gibbs<kForEnthalpy>(P, t), Kelvin(t)));
}
Extended Calculateh5(Extended P, Extended t) {
  if (!ValidPT(P, t)) return NoValue;
  return Checked(H(Region5Gibbs<kForEnthalpy>(P, t), Kelvin(t)));
}
Extended Calculateh3(Extended rho, Extended t) {
  if (!ValidRhoT(rho, t)) return NoValue;
  return Checked(H3(Region3Helmholtz<kFx | kFy>(rho, t), Kelvin(t)));
}

Extended Calculates1(Extended P, Extended t) {
  if (!ValidPT(P, t)) return NoValue;
  return Checked(S(Region1Gibbs<kForEntropy>(P, t)));
}
Extended Calculates2(Extended P, Extended t) {
  if (!ValidPT(P, t)) return NoValue;
  return Checked(S(Region2Gibbs<kForEntropy>(P, t)));
}
Extended Calculates5(Extended P, Extended t) {
  if (!ValidPT(P, t)) return NoValue;
  return Checked(S(Region5Gibbs<kForEntropy>(P, t)));
}
Extended Calculates3(Extended rho, Extended t) {
  if (!ValidRhoT(rho, t)) return NoValue;
  return Checked(S3(Region3Helmholtz<kF | kFy>(rho, t)));
}

Extended Calculatecp1(Extended P, Extended t) {
  if (!ValidPT(P, t)) return NoValue;
  return Checked(Cp(Region1Gibbs<kForCp>(P, t)));
}
Extended Calculatecp2(Extended P, Extended t) {
  if (!ValidPT(P, t)) return NoValue;
  return Checked(Cp(Region2Gibbs<kForCp>(P, t)));
}
Extended Calculatecp5(Extended P, Extended t) {
  if (!ValidPT(P, t)) return NoValue;
  return Checked(Cp(Region5Gibbs<kForCp>(P, t)));
}
Extended CalculateCp3(Extended rho, Extended t) {
  if (!ValidRhoT(rho, t)) return NoValue;
  return Checked(Cp3(Region3Helmholtz<kFx | kFxx | kFxy | kFyy>(rho, t)));
}

Extended Calculatecv1(Extended P, Extended t) {
  if (!ValidPT(P, t)) return NoValue;
  return Checked(Cv1(Region1Gibbs<kForCvW>(P, t)));
}
Extended Calculatecv2(Extended P, Extended t) {
  if (!ValidPT(P, t)) return NoValue;
  return Checked(Cv25(Region2Gibbs<kForCvW>(P, t)));
}
Extended Calculatecv5(Extended P, Extended t) {
  if (!ValidPT(P, t)) return NoValue;
  return Checked(Cv25(Region5Gibbs<kForCvW>(P, t)));
}
Extended CalculateCv3(Extended rho, Extended t) {
  if (!ValidRhoT(rho, t)) return NoValue;
  return Checked(Cv3(Region3Helmholtz<kFyy>(rho, t)));
}

Extended Calculatecf1(Extended P, Extended t) {
  if (!ValidPT(P, t)) return NoValue;
  return Checked(W1(Region1Gibbs<kForCvW>(P, t), Kelvin(t)));
}
Extended Calculatecf2(Extended P, Extended t) {
  if (!ValidPT(P, t)) return NoValue;
  return Checked(W25(Region2Gibbs<kForCvW>(P, t), Kelvin(t)));
}
Extended Calculatecf5(Extended P, Extended t) {
  if (!ValidPT(P, t)) return NoValue;
  return Checked(W25(Region5Gibbs<kForCvW>(P, t), Kelvin(t)));
}
Extended Calculatecf3(Extended rho, Extended t) {
  if (!ValidRhoT(rho, t)) return NoValue;
  return Checked(W3(Region3Helmholtz<kFx | kFxx | kFxy | kFyy>(rho, t), Kelvin(t)));
}

namespace {

// A point of a region 3 isotherm: the pressure p = rho R T delta phi_delta
// (bar), its slope dp/drho = R T (2 delta phi_delta + delta^2
// phi_deltadelta) (bar m3/kg) and its curvature d2p/drho2 = R T/rho_c
// (2 phi_delta + 4 delta phi_deltadelta + delta^2 phi_deltadeltadelta), in
// which the terms of n1 ln(delta) cancel.
struct TIsothermPoint {
  Extended rho = NoValue, p = NoValue, slope = NoValue, curvature = NoValue;
};

// A region 3 isotherm, for the density search. Along it tau is fixed, and
// phi - n1 ln delta is a polynomial in delta of degree 11 whose coefficients
// c_I = sum n tau^J over the terms of exponent I are worked out once; each
// point then costs a Horner evaluation of the polynomial and its first three
// derivatives instead of a pass over the 39 terms. The search iterates on it in
// the kernel precision (double): the pressure to the 11 digits it stops at
// lies far above the rounding of a degree-11 Horner sum in double (near
// 1E-15), and the last point is refined in Extended (see Polished).
class TRegion3Isotherm {
  static constexpr int kDegree = HighestExponent(kRegion3, &TTerm::I);
  using Real = TKernel;

 public:
  explicit TRegion3Isotherm(Extended t) : RT_(static_cast<Real>(IF97R * Kelvin(t) / 100)) {
    // R T in kJ/kg = kPa m3/kg; 100 kPa = 1 bar.
    const TPowers<LowestExponent(kRegion3, &TTerm::J), HighestExponent(kRegion3, &TTerm::J), Real> tau(
        static_cast<Real>(kTc3 / Kelvin(t)));
    for (Real& c : c_) c = 0;
    for (const auto& term : kKernelTerms<kRegion3>) c_[term.I] += term.n * tau[term.J];
  }

  TIsothermPoint At(Extended rhoX) const {
    const Real rho = static_cast<Real>(rhoX);
    const Real delta = rho / static_cast<Real>(kRho3);
    const Real d = delta;
    Real q = c_[kDegree], q1 = 0, q2 = 0, q3 = 0;  // the polynomial and its derivatives
    for (int I = kDegree - 1; I >= 0; --I) {
      q3 = q3 * d + 3 * q2;
      q2 = q2 * d + 2 * q1;
      q1 = q1 * d + q;
      q = q * d + c_[I];
    }
    const Real n1 = static_cast<Real>(kN1Region3);
    const Real fd = n1 / delta + q1;
    const Real fdd = -n1 / (delta * delta) + q2;
    return {rhoX, Checked(Extended(rho * RT_ * delta * fd)),
            Checked(Extended(RT_ * delta * (2 * fd + delta * fdd))),
            Checked(Extended(RT_ / static_cast<Real>(kRho3) * (2 * q1 + d * (4 * q2 + d * q3))))};
  }

 private:
  Real RT_;
  Real c_[kDegree + 1];
};

// True when the pressure p of the search agrees with the target P to 11
// digits, as EqualDigits(p, P, 11) has it, with the limit as a constant: the
// search asks this at every point, and EqualDigits works out 10^-digits by a
// call of powl each time.
bool Reached(Extended p, Extended P) {
  if (p == P) return true;
  const Extended lo = std::min(p, P), hi = std::max(p, P);
  return hi != 0 && std::fabs(1 - lo / hi) < 1E-11L;
}

// The density of a point whose pressure agrees with P to 11 digits, refined
// by Newton steps on its pressure and slope worked out again in Extended:
// the double iteration leaves rounding near 1E-15 in the pressure, which the
// flat isotherms about the critical point carry into the density (6E-9 of
// it at 373.94 degC just below the saturation pressure). One step suffices
// where the isotherm is steep; where it is flat, further ones follow while
// the correction stays above 1E-12 of the density. Every step stays inside
// the bracket [lo, hi] of the root, so that it cannot leave the branch; the
// refinement ends where the slope vanishes.
Extended Polished(const TIsothermPoint& x, Extended P, Extended t, Extended lo, Extended hi) {
  const Extended RT = IF97R * Kelvin(t) / 100, tau = kTc3 / Kelvin(t);
  Extended rho = x.rho;
  for (int step = 0; step < 8; ++step) {
    const THelmholtz f = Region3Phi<kFx | kFxx>(rho / kRho3, tau);
    const Extended p = rho * RT * f.delta * f.fd;
    const Extended slope = RT * f.delta * (2 * f.fd + f.delta * f.fdd);
    if (!(slope > 0) || !Available(p)) break;
    const Extended next = rho + (P - p) / slope;
    if (!(next >= lo && next <= hi)) break;
    const bool small = std::fabs(next - rho) <= 1E-12L * rho;
    rho = next;
    if (small) break;
  }
  return rho;
}

// The densities the search keeps to. Region 3 reaches from about 110 kg/m3
// (steam on the 2-3 boundary) to about 760 kg/m3 (350 degC, 1000 bar); the
// polynomial rises at both ends of this window along every isotherm of the
// region (it turns down above about 890 kg/m3 at 350 degC and 830 kg/m3 at
// 590 degC), and reaches beyond 1000 bar at its upper end.
constexpr Extended kRho3Low = 10, kRho3High = 800;

// A pressure this much beyond the end of its branch (relative) still finds
// a density there: the saturation pressure within some 1E-5 K of the
// critical temperature, where the saturation equation and the fundamental
// equation of region 3 part in their last digits and the saturation
// pressure lies just above the end of the vapour branch. The density taken
// is the one a hair (kInsideBranchEnd) inside the end, where the slope is
// still clearly positive, so that cp and w stay finite and positive; at the
// end itself cp is infinite and its rounding could give either sign.
constexpr Extended kBeyondBranchEnd = 1E-6L, kInsideBranchEnd = 1E-9L;

// A point of negative slope on a subcritical isotherm, between its vapour
// and liquid branches; none (NoValue) where the isotherm rises throughout.
// The unstable part holds the critical density down to some 1E-6 K below
// the critical temperature; closer still it is a few hundredths of a kg/m3
// wide about the least slope, which a golden-section search finds.
TIsothermPoint UnstablePoint(const TRegion3Isotherm& isotherm) {
  const TIsothermPoint c = isotherm.At(kRho3);
  if (c.slope < 0) return c;
  constexpr Extended kGolden = 0.6180339887498948482L;
  Extended a = 310, b = 335;
  Extended x1 = b - kGolden * (b - a), x2 = a + kGolden * (b - a);
  TIsothermPoint p1 = isotherm.At(x1), p2 = isotherm.At(x2);
  for (int i = 0; i < 60; ++i) {
    if (!Available(p1.slope, p2.slope)) return {};
    if (p1.slope < 0) return p1;
    if (p2.slope < 0) return p2;
    if (p1.slope < p2.slope) {
      b = x2, x2 = x1, p2 = p1;
      x1 = b - kGolden * (b - a), p1 = isotherm.At(x1);
    } else {
      a = x1, x1 = x2, p1 = p2;
      x2 = a + kGolden * (b - a), p2 = isotherm.At(x2);
    }
  }
  return {};
}

// The end of a branch: the density between `rising` (positive slope) and
// `falling` (negative slope) where the slope vanishes, by Newton steps on
// the slope kept inside the bracket (bisection where a step would leave
// it). The point returned lies on the rising side.
TIsothermPoint BranchEnd(const TRegion3Isotherm& isotherm, TIsothermPoint rising, TIsothermPoint falling) {
  TIsothermPoint x = isotherm.At((rising.rho + falling.rho) / 2);
  for (int i = 0; i < 200; ++i) {
    if (!Available(x.slope, x.curvature)) return {};
    if (x.slope == 0) return x;
    (x.slope > 0 ? rising : falling) = x;
    const Extended lo = std::min(rising.rho, falling.rho), hi = std::max(rising.rho, falling.rho);
    if (hi - lo <= 1E-15L * hi) break;
    Extended r = x.curvature != 0 ? x.rho - x.slope / x.curvature : NoValue;
    if (!(r > lo && r < hi)) r = (lo + hi) / 2;
    x = isotherm.At(r);
  }
  return rising;
}

// The density on a rising part [a, b] of an isotherm with a.p <= P <= b.p,
// the only one there: Newton steps from `start` kept inside the bracket
// (bisection where a step would leave it or the slope has vanished).
Extended RootOnRisingPart(const TRegion3Isotherm& isotherm, TIsothermPoint a, TIsothermPoint b, Extended P,
                          Extended start, Extended t) {
  TIsothermPoint x = a;
  if (!Reached(a.p, P)) {
    x = b;
    if (!Reached(b.p, P)) {
      x = isotherm.At(start > a.rho && start < b.rho ? start : (a.rho + b.rho) / 2);
      for (int i = 0;; ++i) {
        if (!Available(x.p, x.slope) || i == 200) return NoValue;
        if (Reached(x.p, P)) break;
        (x.p < P ? a : b) = x;
        if (b.rho - a.rho <= 1E-15L * b.rho) {
          // The bracket has closed before the pressure agreed (the flat
          // isotherm at the critical point): the end nearer in pressure.
          x = P - a.p <= b.p - P ? a : b;
          break;
        }
        Extended r = x.slope > 0 ? x.rho + (P - x.p) / x.slope : NoValue;
        if (!(r > a.rho && r < b.rho)) r = (a.rho + b.rho) / 2;
        x = isotherm.At(r);
      }
    }
  }
  return Polished(x, P, t, a.rho, b.rho);
}

}  // namespace

Extended CalculateP3(Extended rho, Extended t) {
  if (!ValidRhoT(rho, t)) return NoValue;
  // Extended throughout: the density search is judged by this pressure.
  const THelmholtz f = Region3Phi<kFx>(rho / kRho3, kTc3 / Kelvin(t));
  // rho R T in kJ/m3 = kPa; 100 kPa = 1 bar.
  return Checked(rho * (IF97R * Kelvin(t) / 100) * f.delta * f.fd);
}

// The search for the region 3 density. Below the critical temperature the
// isotherm p3(rho) has a rising vapour branch, a falling unstable part and a
// rising liquid branch. Close to the critical temperature the unstable
// part is only a few kg/m3 wide (317.8 to 326.2 kg/m3 at 0.006 K below
// it), and a step along one branch can land on the other one; up to about
// 370 degC the slope has several minima inside the unstable part. The
// search therefore first finds a point of the unstable
// part and from it the end of the branch asked for, where the slope
// vanishes (the spinodal); on the branch, from the lowest density of the
// window up to its end or from its end up to the highest, the pressure rises
// monotonically and a bracketed Newton iteration cannot miss the one root
// nor run onto another branch. Above the critical temperature the isotherm
// rises throughout the window. The density returned carries the Newton
// corrections in Extended of its last point, so that its pressure agrees
// with P to far more than the 11 digits the iteration stops at.
Extended CalculateRho3(Extended P, Extended t, bool liquid) {
  if (!Available(P, t) || P <= 0 || Kelvin(t) <= 0) return NoValue;
  const TRegion3Isotherm isotherm(t);
  TIsothermPoint lo = isotherm.At(kRho3Low), hi = isotherm.At(kRho3High);
  if (!Available(lo.p, lo.slope) || !Available(hi.p, hi.slope) || !(lo.slope > 0 && hi.slope > 0))
    return NoValue;
  if (t < WaterConstants.Tc) {
    const TIsothermPoint unstable = UnstablePoint(isotherm);
    if (Available(unstable.rho)) {
      TIsothermPoint& end = liquid ? lo : hi;
      end = BranchEnd(isotherm, liquid ? hi : lo, unstable);
      if (!Available(end.p)) return NoValue;
      const Extended inside = end.p * (liquid ? 1 + kInsideBranchEnd : 1 - kInsideBranchEnd);
      if (liquid ? P < inside : P > inside) {
        if (std::fabs(P / end.p - 1) > kBeyondBranchEnd) return NoValue;
        P = inside;
      }
    }
  }
  if (P < lo.p || P > hi.p) return NoValue;
  // Start: the liquid density of region 1 at 350 degC carried to t, and the
  // vapour density of region 2 on the 2/3 boundary carried to P; their
  // weighted geometric mean leans to the side asked for.
  const Extended rhoA = CalculateRho1(P, 350) * (350 + ZeroCelsius) / Kelvin(t);
  const Extended p23 = CalculateP23(t);
  const Extended rhoB = CalculateRho2(p23, t) * P / p23;
  Extended start = NoValue;
  if (Available(rhoA, rhoB) && rhoA > 0 && rhoB > 0)
    start = liquid ? std::cbrt(rhoB * rhoA * rhoA) : std::cbrt(rhoA * rhoB * rhoB);
  return RootOnRisingPart(isotherm, lo, hi, P, start, t);
}

Extended CalculateRho3(Extended P, Extended t) {
  if (!Available(P, t)) return NoValue;
  const Extended pv = CalculatePv(t);
  return CalculateRho3(P, t, !(Available(pv) && P < pv));
}

Extended CalculateRho(int range, Extended P, Extended t) {
  switch (range) {
    case 1: return CalculateRho1(P, t);
    case 2: return CalculateRho2(P, t);
    case 3: return CalculateRho3(P, t);
    case 5: return CalculateRho5(P, t);
    default: return NoValue;
  }
}

namespace {

// The region 3 density: the given one, or searched from (P, t).
Extended Region3Density(Extended P, Extended t, Extended rho) {
  return Available(rho) ? rho : CalculateRho3(P, t);
}

}  // namespace

// A property of the region: regions 1, 2 and 5 take (P, t), region 3 takes
// (rho, t).
using TRegionProperty = Extended (*)(Extended, Extended);

static Extended ByRegion(int range, Extended P, Extended t, Extended rho, TRegionProperty r1, TRegionProperty r2,
                         TRegionProperty r3, TRegionProperty r5) {
  switch (range) {
    case 1: return r1(P, t);
    case 2: return r2(P, t);
    case 3: return r3(Region3Density(P, t, rho), t);
    case 5: return r5(P, t);
    default: return NoValue;
  }
}

Extended Calculateh(int range, Extended P, Extended t, Extended rho) {
  return ByRegion(range, P, t, rho, Calculateh1, Calculateh2, Calculateh3, Calculateh5);
}

Extended Calculates(int range, Extended P, Extended t, Extended rho) {
  return ByRegion(range, P, t, rho, Calculates1, Calculates2, Calculates3, Calculates5);
}

Extended Calculatecp(int range, Extended P, Extended t, Extended rho) {
  return ByRegion(range, P, t, rho, Calculatecp1, Calculatecp2, CalculateCp3, Calculatecp5);
}

Extended Calculatecv(int range, Extended P, Extended t, Extended rho) {
  return ByRegion(range, P, t, rho, Calculatecv1, Calculatecv2, CalculateCv3, Calculatecv5);
}

Extended Calculatecf(int range, Extended P, Extended t, Extended rho) {
  return ByRegion(range, P, t, rho, Calculatecf1, Calculatecf2, Calculatecf3, Calculatecf5);
}

namespace {

constexpr unsigned kAllDerivatives = kF | kFx | kFxx | kFy | kFyy | kFxy;

// The caloric properties from one set of Gibbs derivatives, by the same
// relations as the single-property functions.
TIF97Caloric GibbsCaloric(const TGibbs& g, Extended T, Extended (*cv)(const TGibbs&),
                          Extended (*w)(const TGibbs&, Extended)) {
  return {Checked(H(g, T)), Checked(S(g)), Checked(Cp(g)), Checked(cv(g)), Checked(w(g, T))};
}

}  // namespace

TIF97Caloric CalculateCaloric(int range, Extended P, Extended t, Extended rho) {
  if (range == 3) {
    rho = Region3Density(P, t, rho);
    if (!ValidRhoT(rho, t)) return {};
    const THelmholtz f = Region3Helmholtz<kAllDerivatives>(rho, t);
    const Extended T = Kelvin(t);
    return {Checked(H3(f, T)), Checked(S3(f)), Checked(Cp3(f)), Checked(Cv3(f)), Checked(W3(f, T))};
  }
  if (!ValidPT(P, t)) return {};
  switch (range) {
    case 1: return GibbsCaloric(Region1Gibbs<kAllDerivatives>(P, t), Kelvin(t), Cv1, W1);
    case 2: return GibbsCaloric(Region2Gibbs<kAllDerivatives>(P, t), Kelvin(t), Cv25, W25);
    case 5: return GibbsCaloric(Region5Gibbs<kAllDerivatives>(P, t), Kelvin(t), Cv25, W25);
    default: return {};
  }
}

TIF97RhoH CalculateRhoH(int range, Extended P, Extended t, Extended rho) {
  if (range == 3) {
    rho = Region3Density(P, t, rho);
    if (!ValidRhoT(rho, t)) return {};
    return {rho, Calculateh3(rho, t)};
  }
  if (!ValidPT(P, t)) return {};
  constexpr unsigned kBoth = kForDensity | kForEnthalpy;
  const Extended T = Kelvin(t);
  switch (range) {
    case 1: {
      const TGibbs g = Region1Gibbs<kBoth>(P, t);
      return {Checked(Rho1(g, T, P / 10)), Checked(H(g, T))};
    }
    case 2: {
      const TGibbs g = Region2Gibbs<kBoth>(P, t);  // g.pi is p in MPa
      return {Checked(Rho25(g, T, g.pi)), Checked(H(g, T))};
    }
    case 5: {
      const TGibbs g = Region5Gibbs<kBoth>(P, t);
      return {Checked(Rho25(g, T, g.pi)), Checked(H(g, T))};
    }
    default: return {};
  }
}

// ------------------------------------------------ saturation and B23

// The saturation line runs from 273.15 K (611.213 Pa) to the critical point;
// beyond either end there is no saturation state, so no value rather than
// the critical one (which would make a supercritical state look saturated).
constexpr Extended kSaturationTMin = 0;              // degC
constexpr Extended kSaturationPMin = 611.213E-5L;    // bar

Extended CalculatePv(Extended t) {
  if (!Available(t) || t < kSaturationTMin || t > WaterConstants.Tc) return NoValue;
  if (t == WaterConstants.Tc) return WaterConstants.Pc;
  const Extended T = Kelvin(t);
  const Extended theta = T + kN4[9] / (T - kN4[10]);
  const Extended A = theta * theta + kN4[1] * theta + kN4[2];
  const Extended B = kN4[3] * theta * theta + kN4[4] * theta + kN4[5];
  const Extended C = kN4[6] * theta * theta + kN4[7] * theta + kN4[8];
  const Extended root = B * B - 4 * A * C;
  if (root < 0) return NoValue;
  const Extended x = 2 * C / (-B + std::sqrt(root));
  return Checked(x * x * x * x * 10);
}

Extended CalculateTv(Extended P) {
  // The lowest pressure with a rounding margin, so that Tv(Pv(0 degC)) reads.
  if (!Available(P) || P < kSaturationPMin * (1 - 1E-9L) || P > WaterConstants.Pc) return NoValue;
  if (P == WaterConstants.Pc) return WaterConstants.Tc;
  const Extended beta = std::sqrt(std::sqrt(P / 10));
  const Extended E = beta * beta + kN4[3] * beta + kN4[6];
  const Extended F = kN4[1] * beta * beta + kN4[4] * beta + kN4[7];
  const Extended G = kN4[2] * beta * beta + kN4[5] * beta + kN4[8];
  const Extended root1 = F * F - 4 * E * G;
  if (root1 < 0) return NoValue;
  const Extended D = 2 * G / (-F - std::sqrt(root1));
  const Extended root2 = (kN4[10] + D) * (kN4[10] + D) - 4 * (kN4[9] + kN4[10] * D);
  if (root2 < 0) return NoValue;
  return Checked((kN4[10] + D - std::sqrt(root2)) / 2 - ZeroCelsius);
}

Extended CalculateP23(Extended t) {
  // The boundary is a parabola in T fitted between 350 and 590 degC; the
  // region rules read it up to 800 degC (where it lies far above 1000 bar).
  // Below absolute zero and above the formulation's 2000 degC it means
  // nothing (and grows without bound), so it is empty there.
  if (!Available(t) || Kelvin(t) <= 0 || t > 2000) return NoValue;
  const Extended theta = Kelvin(t);
  return Checked((kN23[1] + kN23[2] * theta + kN23[3] * theta * theta) * 10);
}

Extended CalculateT23(Extended P) {
  if (!Available(P)) return NoValue;
  const Extended x = (P / 10 - kN23[5]) / kN23[3];
  if (x < 0) return NoValue;
  return Checked(kN23[4] + std::sqrt(x) - ZeroCelsius);
}

Extended CalculateT1ph(Extended P, Extended h) {
  if (!Available(P, h) || P <= 0) return NoValue;
  return Checked(SumTerms<kF, kBackward1, TKernel>(P / 10, h / 2500 + 1).f - ZeroCelsius);
}

Extended CalculateT2ph(Extended P, Extended h) {
  if (!Available(P, h) || P <= 0) return NoValue;
  const Extended pi = P / 10, eta = h / 2000;
  Extended T;
  if (pi <= 4) {
    T = SumTerms<kF, kBackward2a, TKernel>(pi, eta - 2.1L).f;
  } else {
    // Below the lower end of the 2b-2c boundary (pi - n5 < 0) all of
    // region 2 above 4 MPa is 2b.
    const Extended x = (pi - kN2bc5) / kN2bc3;
    if (x <= 0 || h >= kN2bc4 + std::sqrt(x))
      T = SumTerms<kF, kBackward2b, TKernel>(pi - 2, eta - 2.6L).f;
    else
      T = SumTerms<kF, kBackward2c, TKernel>(pi + 25, eta - 1.8L).f;
  }
  return Checked(T - ZeroCelsius);
}

namespace {

// The region rules, with the saturation pressure and the 2-3 boundary read
// through `pv()` and `p23()` only where a rule needs them: Pv below 350 degC
// and on the saturation check of regions 1 to 3, p23 between 350 and
// 800 degC.
template <typename Pv, typename P23>
[[gnu::always_inline]] inline int RangeOf(Extended P, Extended t, Extended tMin, Pv pv, P23 p23,
                                          bool liquid, int& displayRange) {
  displayRange = 0;
  if (!Available(P, t)) return 0;
  int range;
  if (t > 2000 || P > 1000 || (Available(tMin) && t < tMin) || P <= 0)
    range = 0;
  else if (t <= 800) {
    if (t <= 350) {
      const Extended v = pv();
      range = Available(v) && P <= v ? 2 : 1;
    } else {
      const Extended b = p23();
      range = !Available(b) ? 0 : P <= b ? 2 : 3;
    }
  } else {
    range = P <= 100 ? 5 : 0;
  }
  displayRange = range;
  if (range >= 1 && range <= 3 && EqualDigits(P, pv(), 3)) {
    displayRange = 4;
    if (range <= 2 && EqualDigits(P, pv(), kSaturationLineDigits)) range = liquid ? 1 : 2;
  }
  return range;
}

}  // namespace

int CalculateRange(Extended P, Extended t, Extended tMin, Extended Pv, Extended p23, bool liquid,
                   int& displayRange) {
  return RangeOf(
      P, t, tMin, [Pv] { return Pv; }, [p23] { return p23; }, liquid, displayRange);
}

int CalculateRange(Extended P, Extended t, Extended tMin, bool liquid, int& displayRange) {
  // Pv is asked twice in region 1 or 2 below 350 degC; it is worked out once.
  Extended pv = NoValue;
  bool pvKnown = false;
  const auto saturation = [&] {
    if (!pvKnown) pv = CalculatePv(t), pvKnown = true;
    return pv;
  };
  return RangeOf(
      P, t, tMin, saturation, [t] { return CalculateP23(t); }, liquid, displayRange);
}

// ---------------------------------------- viscosity and conductivity

Extended CalculatePsi0(Extended tau) {
  if (!Available(tau) || tau <= 0) return NoValue;
  Extended sum = 0;
  for (int i = 3; i >= 0; --i) sum = sum * tau + kH0[i];
  return Checked(std::sqrt(1 / tau) / sum);
}

Extended CalculatePsi1(Extended delta, Extended tau) {
  if (!Available(delta, tau)) return NoValue;
  Extended sum = 0;
  for (int i = 0; i < 6; ++i)
    for (int j = 0; j < 7; ++j)
      if (kH1[i][j] != 0) sum += kH1[i][j] * IntPow(tau - 1, i) * IntPow(delta - 1, j);
  return Checked(std::exp(delta * sum));
}

Extended Calculateeta(Extended t, Extended rho) {
  if (!ValidRhoT(rho, t)) return NoValue;
  const Extended tau = kTStar / Kelvin(t), delta = rho / kRhoStar;
  return Checked(kEtaStar * CalculatePsi0(tau) * CalculatePsi1(delta, tau));
}

Extended Calculatelambda0(Extended tau) {
  if (!Available(tau) || tau <= 0) return NoValue;
  Extended sum = 0;
  for (int k = 3; k >= 0; --k) sum = sum * tau + kL0[k];
  return Checked(std::sqrt(1 / tau) / sum);
}

Extended Calculatelambda1(Extended delta, Extended tau) {
  if (!Available(delta, tau)) return NoValue;
  Extended sum = 0;
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 6; ++j)
      if (kL1[i][j] != 0) sum += kL1[i][j] * IntPow(tau - 1, i) * IntPow(delta - 1, j);
  return Checked(std::exp(delta * sum));
}

Extended Calculatelambda2(Extended delta, Extended tau) {
  if (!Available(delta, tau)) return NoValue;
  return 0;
}

Extended Calculatelambda(Extended t, Extended rho) {
  if (!ValidRhoT(rho, t)) return NoValue;
  const Extended tau = kTStar / Kelvin(t), delta = rho / kRhoStar;
  return Checked(kLambdaStar * (Calculatelambda0(tau) * Calculatelambda1(delta, tau) +
                                Calculatelambda2(delta, tau)));
}

}  // namespace torvacalc
