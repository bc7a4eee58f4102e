// Coefficients: AGA Report No. 8 Part 1 (2017), table 4 (the 58 terms a_n,
// b_n, c_n, k_n, u_n, g_n, q_n, f_n, s_n, w_n), table 5 (characterization
// parameters of the components), table 6 (binary interaction parameters)
// and the molar masses used there; ideal-gas constants as in gerg2008.cpp
// (AGA Report No. 8, table A.1/A.2), without the gas-constant ratio because
// the method uses R = 8.31451 J/(mol K) throughout.
#include "aga8_detail.h"

#include <cmath>

namespace torvacalc::natgas {

namespace {

constexpr int N = NumComponents;
constexpr int NT = 58;

constexpr double kA[NT] = {
    0.1538326,   1.341953,     -2.998583,  -0.04831228, 0.3757965,  -1.589575,  -0.05358847,
    0.88659463,  -0.71023704,  -1.471722,  1.32185035,  -0.78665925, 0.00000000229129,
    0.1576724,   -0.4363864,   -0.04408159, -0.003433888, 0.03205905, 0.02487355, 0.07332279,
    -0.001600573, 0.6424706,   -0.4162601, -0.06689957, 0.2791795,  -0.6966051, -0.002860589,
    -0.008098836, 3.150547,    0.007224479, -0.7057529, 0.5349792,  -0.07931491, -1.418465,
    -5.99905E-17, 0.1058402,   0.03431729, -0.007022847, 0.02495587, 0.04296818, 0.7465453,
    -0.2919613,  7.294616,     -9.936757,  -0.005399808, -0.2432567, 0.04987016, 0.003733797,
    1.874951,    0.002168144,  -0.6587164, 0.000205518, 0.009776195, -0.02048708, 0.01557322,
    0.006862415, -0.001226752, 0.002850908};
constexpr int kB[NT] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2,
                        2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 4, 4, 4,
                        4, 4, 4, 4, 5, 5, 5, 5, 5, 6, 6, 7, 7, 8, 8, 8, 9, 9};
// Exponent k_n of exp(-c_n D^k_n); c_n is 1 where k_n > 0 and 0 elsewhere.
constexpr int kK[NT] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 2, 2, 2, 4, 4, 0, 0,
                        2, 2, 2, 4, 4, 4, 4, 0, 1, 1, 2, 2, 3, 3, 4, 4, 4, 0, 0, 2,
                        2, 2, 4, 4, 0, 2, 2, 4, 4, 0, 2, 0, 2, 1, 2, 2, 2, 2};
constexpr double kU[NT] = {0,   0.5, 1,  3.5, -0.5, 4.5, 0.5, 7.5, 9.5, 6,   12,  12.5,
                           -6,  2,   3,  2,   2,    11,  -0.5, 0.5, 0,  4,   6,   21,
                           23,  22,  -1, -0.5, 7,   -1,  6,   4,   1,   9,   -13, 21,
                           8,   -0.5, 0, 2,   7,    9,   22,  23,  1,   9,   3,   8,
                           23,  1.5, 5,  -0.5, 4,   7,   3,   0,   1,   0};
// Flags of the orientation (g), quadrupole (q), high-temperature (f),
// dipole (s) and association (w) parameters, by term number (1-based).
constexpr int kGTerms[] = {5, 6, 25, 29, 32, 33, 34, 51, 54, 56};
constexpr int kQTerms[] = {7, 16, 26, 28, 37, 42, 47, 49, 52, 58};
constexpr int kFTerms[] = {13, 27, 30, 35};
constexpr int kSTerms[] = {8, 9};
constexpr int kWTerms[] = {10, 11, 12};

constexpr double kM[N] = {16.043, 28.0135, 44.01,  30.07,   44.097, 58.123, 58.123,
                          72.15,  72.15,   86.177, 100.204, 114.231, 128.258, 142.285,
                          2.0159, 31.9988, 28.01,  18.0153, 34.082, 4.0026, 39.948};
// Energy E_i (K), size K_i, orientation G_i, quadrupole Q_i, high
// temperature F_i, dipole S_i, association W_i.
constexpr double kE[N] = {151.3183, 99.73778, 241.9606, 244.1667,  298.1183,  324.0689, 337.6389,
                          365.5999, 370.6823, 402.636293, 427.72263, 450.325022, 470.840891,
                          489.558373, 26.95794, 122.7667, 105.5348, 514.0156, 296.355, 2.610111,
                          119.6299};
constexpr double kKi[N] = {0.4619255, 0.4479153, 0.4557489, 0.5279209, 0.583749,  0.6406937,
                           0.6341423, 0.6738577, 0.6798307, 0.7175118, 0.7525189, 0.784955,
                           0.8152731, 0.8437826, 0.3514916, 0.4186954, 0.4533894, 0.3825868,
                           0.4618263, 0.3589888, 0.4216551};
constexpr double kG[N] = {0,        0.027815, 0.189065, 0.0793,   0.141239, 0.256692, 0.281835,
                          0.332267, 0.366911, 0.289731, 0.337542, 0.383381, 0.427354, 0.469659,
                          0.034369, 0.021,    0.038953, 0.3325,   0.0885,   0,        0};
constexpr double kQ[N] = {0, 0, 0.69, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1.06775, 0.633276, 0, 0};
constexpr double kF[N] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0};
constexpr double kS[N] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1.5822, 0.39, 0, 0};
constexpr double kW[N] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};

// Binary parameters different from 1: E*_ij, U_ij, K_ij, G*_ij.
struct TBinary {
  int i, j;
  double v;
};
constexpr TBinary kEij[] = {
    {1, 2, 0.97164},   {1, 3, 0.960644},  {1, 5, 0.994635},  {1, 6, 1.01953},   {1, 7, 0.989844},
    {1, 8, 1.00235},   {1, 9, 0.999268},  {1, 10, 1.107274}, {1, 11, 0.88088},  {1, 12, 0.880973},
    {1, 13, 0.881067}, {1, 14, 0.881161}, {1, 15, 1.17052},  {1, 17, 0.990126}, {1, 18, 0.708218},
    {1, 19, 0.931484}, {2, 3, 1.02274},   {2, 4, 0.97012},   {2, 5, 0.945939},  {2, 6, 0.946914},
    {2, 7, 0.973384},  {2, 8, 0.95934},   {2, 9, 0.94552},   {2, 15, 1.08632},  {2, 16, 1.021},
    {2, 17, 1.00571},  {2, 18, 0.746954}, {2, 19, 0.902271}, {3, 4, 0.925053},  {3, 5, 0.960237},
    {3, 6, 0.906849},  {3, 7, 0.897362},  {3, 8, 0.726255},  {3, 9, 0.859764},  {3, 10, 0.855134},
    {3, 11, 0.831229}, {3, 12, 0.80831},  {3, 13, 0.786323}, {3, 14, 0.765171}, {3, 15, 1.28179},
    {3, 17, 1.5},      {3, 18, 0.849408}, {3, 19, 0.955052}, {4, 5, 1.02256},   {4, 7, 1.01306},
    {4, 9, 1.00532},   {4, 15, 1.16446},  {4, 18, 0.693168}, {4, 19, 0.946871}, {5, 7, 1.0049},
    {5, 15, 1.034787}, {6, 15, 1.3},      {7, 15, 1.3},      {10, 19, 1.008692}, {11, 19, 1.010126},
    {12, 19, 1.011501}, {13, 19, 1.012821}, {14, 19, 1.014089}, {15, 17, 1.1}};
constexpr TBinary kUij[] = {
    {1, 2, 0.886106},  {1, 3, 0.963827},  {1, 5, 0.990877},  {1, 7, 0.992291},  {1, 9, 1.00367},
    {1, 10, 1.302576}, {1, 11, 1.191904}, {1, 12, 1.205769}, {1, 13, 1.219634}, {1, 14, 1.233498},
    {1, 15, 1.15639},  {1, 19, 0.736833}, {2, 3, 0.835058},  {2, 4, 0.816431},  {2, 5, 0.915502},
    {2, 7, 0.993556},  {2, 15, 0.408838}, {2, 19, 0.993476}, {3, 4, 0.96987},   {3, 10, 1.066638},
    {3, 11, 1.077634}, {3, 12, 1.088178}, {3, 13, 1.098291}, {3, 14, 1.108021}, {3, 17, 0.9},
    {3, 19, 1.04529},  {4, 5, 1.065173},  {4, 6, 1.25},      {4, 7, 1.25},      {4, 8, 1.25},
    {4, 9, 1.25},      {4, 15, 1.61666},  {4, 19, 0.971926}, {10, 19, 1.028973}, {11, 19, 1.033754},
    {12, 19, 1.038338}, {13, 19, 1.042735}, {14, 19, 1.046966}};
constexpr TBinary kKij[] = {
    {1, 2, 1.00363},   {1, 3, 0.995933},  {1, 5, 1.007619},  {1, 7, 0.997596},  {1, 9, 1.002529},
    {1, 10, 0.982962}, {1, 11, 0.983565}, {1, 12, 0.982707}, {1, 13, 0.981849}, {1, 14, 0.980991},
    {1, 15, 1.02326},  {1, 19, 1.00008},  {2, 3, 0.982361},  {2, 4, 1.00796},   {2, 15, 1.03227},
    {2, 19, 0.942596}, {3, 4, 1.00851},   {3, 10, 0.910183}, {3, 11, 0.895362}, {3, 12, 0.881152},
    {3, 13, 0.86752},  {3, 14, 0.854406}, {3, 19, 1.00779},  {4, 5, 0.986893},  {4, 15, 1.02034},
    {4, 19, 0.999969}, {10, 19, 0.96813}, {11, 19, 0.96287}, {12, 19, 0.957828}, {13, 19, 0.952441},
    {14, 19, 0.948338}};
constexpr TBinary kGij[] = {
    {1, 3, 0.807653}, {1, 15, 1.95731}, {2, 3, 0.982746}, {3, 4, 0.370296}, {3, 18, 1.67309}};

// Critical points for the start of the liquid search only (the method
// itself has none): those of the pure components.
constexpr double kTc[N] = {190.564, 126.192, 304.1282, 305.322, 369.825, 407.817, 425.125,
                           460.35,  469.7,   507.82,   540.13,  569.32,  594.55,  617.7,
                           33.19,   154.595, 132.86,   647.096, 373.1,   5.1953,  150.687};
constexpr double kDc[N] = {10.139342719, 11.1839, 10.624978698, 6.87085454, 5.000043088,
                           3.86014294,  3.920016792, 3.271, 3.215577588, 2.705877875,
                           2.315324434, 2.056404127, 1.81, 1.64, 14.94, 13.63, 10.85,
                           17.87371609, 10.19, 17.399, 13.407429659};

bool InList(const int* list, int count, int n) {
  for (int k = 0; k < count; ++k)
    if (list[k] == n) return true;
  return false;
}

struct TTables {
  TGasModel::TIdeal ideal[N];
  bool g[NT], q[NT], f[NT], s[NT], w[NT];
  double Bsnij[N][N][18];  // a_n E_ij^u_n (K_i K_j)^1.5 B*_nij of the first 18 terms
  double Kij5[N][N], Uij5[N][N], Gij5[N][N];
  double K25[N], E25[N];
  TTables() {
    for (int n = 0; n < NT; ++n) {
      g[n] = InList(kGTerms, std::size(kGTerms), n + 1);
      q[n] = InList(kQTerms, std::size(kQTerms), n + 1);
      f[n] = InList(kFTerms, std::size(kFTerms), n + 1);
      s[n] = InList(kSTerms, std::size(kSTerms), n + 1);
      w[n] = InList(kWTerms, std::size(kWTerms), n + 1);
    }
    double E[N][N], U[N][N], K[N][N], G[N][N];
    for (int i = 0; i < N; ++i)
      for (int j = 0; j < N; ++j) E[i][j] = U[i][j] = K[i][j] = G[i][j] = 1;
    for (const TBinary& b : kEij) E[b.i - 1][b.j - 1] = b.v;
    for (const TBinary& b : kUij) U[b.i - 1][b.j - 1] = b.v;
    for (const TBinary& b : kKij) K[b.i - 1][b.j - 1] = b.v;
    for (const TBinary& b : kGij) G[b.i - 1][b.j - 1] = b.v;
    for (int i = 0; i < N; ++i) {
      ideal[i] = TGasModel::JaeschkeSchleyIdeal(i, 8.31451);
      K25[i] = std::pow(kKi[i], 2.5);
      E25[i] = std::pow(kE[i], 2.5);
    }
    for (int i = 0; i < N; ++i) {
      for (int j = i; j < N; ++j) {
        const double Eij = E[i][j] * std::sqrt(kE[i] * kE[j]);
        const double Gij = G[i][j] * (kG[i] + kG[j]) / 2;
        for (int n = 0; n < 18; ++n) {
          // B*_nij (AGA Report No. 8, eq. of the second virial coefficient)
          double b = 1;
          if (g[n]) b *= Gij;
          if (q[n]) b *= kQ[i] * kQ[j];
          if (f[n]) b *= kF[i] * kF[j];
          if (s[n]) b *= kS[i] * kS[j];
          if (w[n]) b *= kW[i] * kW[j];
          Bsnij[i][j][n] = kA[n] * std::pow(Eij, kU[n]) * std::pow(kKi[i] * kKi[j], 1.5) * b;
        }
        Kij5[i][j] = (std::pow(K[i][j], 5) - 1) * K25[i] * K25[j];
        Uij5[i][j] = (std::pow(U[i][j], 5) - 1) * E25[i] * E25[j];
        Gij5[i][j] = (G[i][j] - 1) * (kG[i] + kG[j]) / 2;
      }
    }
  }
};

const TTables& Tables() {
  static const TTables tables;
  return tables;
}

}  // namespace

TAGA8Detail::TAGA8Detail() { Tables(); }

double TAGA8Detail::ComponentM(int i) const { return kM[i]; }
double TAGA8Detail::ComponentTc(int i) const { return kTc[i]; }
double TAGA8Detail::ComponentDc(int i) const { return kDc[i]; }
const TGasModel::TIdeal& TAGA8Detail::ComponentIdeal(int i) const { return Tables().ideal[i]; }

// Mixing rules of the detail method: size K and energy U by fifth-power
// averages, orientation G, quadrupole Q, high-temperature F, the second
// virial coefficient from the binary B*_nij, the coefficients C*_n.
void TAGA8Detail::CompositionChanged() {
  const TTables& tb = Tables();
  double K5 = 0, U5 = 0, G = 0, Q = 0, F = 0;
  for (double& b : FBs) b = 0;
  for (int i = 0; i < N; ++i) {
    const double xi = Fx[i];
    if (xi <= 0) continue;
    K5 += xi * tb.K25[i];
    U5 += xi * tb.E25[i];
    G += xi * kG[i];
    Q += xi * kQ[i];
    F += xi * xi * kF[i];
    for (int n = 0; n < 18; ++n) FBs[n + 1] += xi * xi * tb.Bsnij[i][i][n];
  }
  K5 *= K5;
  U5 *= U5;
  for (int i = 0; i < N; ++i) {
    if (Fx[i] <= 0) continue;
    for (int j = i + 1; j < N; ++j) {
      if (Fx[j] <= 0) continue;
      const double xij = 2 * Fx[i] * Fx[j];
      K5 += xij * tb.Kij5[i][j];
      U5 += xij * tb.Uij5[i][j];
      G += xij * tb.Gij5[i][j];
      for (int n = 0; n < 18; ++n) FBs[n + 1] += xij * tb.Bsnij[i][j][n];
    }
  }
  FK3 = std::pow(K5, 0.6);
  const double U = std::pow(U5, 0.2);
  for (int n = 13; n <= NT; ++n) {
    double c = kA[n - 1] * std::pow(U, kU[n - 1]);
    if (tb.g[n - 1]) c *= G;
    if (tb.q[n - 1]) c *= Q * Q;
    if (tb.f[n - 1]) c *= F;
    FCs[n] = c;
  }
}

// alphar = D B(T) - Dr sum_{n=13}^{18} C*_n T^-u_n
//        + sum_{n=13}^{58} C*_n T^-u_n Dr^b_n exp(-c_n Dr^k_n),  Dr = K^3 D.
void TAGA8Detail::Residual(double T, double D, TResidual& r) const {
  r = TResidual();
  if (!(D > 0) || !(T > 0)) return;
  const double Dr = FK3 * D;
  const double lnT = std::log(T), lnDr = std::log(Dr);
  for (int n = 1; n <= NT; ++n) {
    const double u = kU[n - 1];
    const double Tu = std::exp(-u * lnT);
    if (n <= 18) {
      double lin = FBs[n] * D;
      if (n >= 13) lin -= FCs[n] * Dr;
      AddTerm(r, lin * Tu, u, 1, 0, 0);
    }
    if (n >= 13) {
      const int b = kB[n - 1], k = kK[n - 1];
      if (k == 0) {
        AddTerm(r, FCs[n] * Tu * std::exp(b * lnDr), u, b, 0, 0);
      } else {
        const double dk = std::exp(k * lnDr);
        AddTerm(r, FCs[n] * Tu * std::exp(b * lnDr - dk), u, b - k * dk, -k * k * dk,
                -k * k * k * dk);
      }
    }
  }
}

}  // namespace torvacalc::natgas
