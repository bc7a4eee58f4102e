// The material of the pipe or valve body at the operating temperature:
// density, thermal expansion, modulus of elasticity, strength values,
// thermal conductivity and specific heat from the material database.
#pragma once

#include <string>

#include "framework/calc_connector.h"
#include "framework/calc_module.h"
#include "framework/calc_switch.h"
#include "piping/material_data.h"

namespace torvacalc {

class TCMMaterialData : public TCalcModule {
 public:
  // Without a database the module takes the materials of the program's
  // data folder.
  explicit TCMMaterialData(TCalcComponent* owner = nullptr, std::string name = "CMMaterialData",
                           const TMaterialDatabase* database = nullptr);
  ~TCMMaterialData() override;
  const char* ClassName() const override { return "TCMMaterialData"; }

  // The material found by the last calculation (nullptr: none).
  const tEN13480Description* Description() const { return FDescription; }
  // Density of steel, taken when no material is chosen.
  static constexpr Extended DefaultRhoM = 7850;

  // How the material is chosen (NormInput).
  enum TENormInput { niByName, niByNo, niByExpansionClass };

  TCalcListSwitch* NormInput = nullptr;
  TDataMultiSwitch* EN13480Name = nullptr;
  TMatDataMultiSwitch* EN13480No = nullptr;
  TDataMultiSwitch *Material = nullptr, *ExpansionClass = nullptr, *MaterialClass = nullptr, *Condition = nullptr;
  TCalcListSwitch* SteelType = nullptr;
  // Inputs: temperature; wall thickness e and hours of operation hz for the
  // strength evaluation of the consuming modules.
  TInputParameter *T1 = nullptr, *e = nullptr, *hz = nullptr;
  // Thermal expansion at T1: mean coefficient from 20 degC (Alpha), the
  // true (differential) coefficient (Alin), the elongation from 20 degC in
  // mm/m (Blin) and the thermal stress of a restrained pipe per kelvin,
  // E*alpha in N/(mm2 K) (CM).
  TOverruleParameter *Alpha = nullptr, *Alin = nullptr, *Blin = nullptr, *CM = nullptr;
  // Strength characteristic K: the 0.2 % proof strength at T1, for
  // austenitic steels the 1 % proof strength where published.
  TModifyParameter* K = nullptr;
  TOverruleParameter *EM = nullptr, *RhoM = nullptr, *SChar = nullptr, *RM = nullptr, *Rp02 = nullptr,
                     *Rp10 = nullptr, *SrTt = nullptr, *Rp02_20 = nullptr, *Rp10_20 = nullptr, *Rm_20 = nullptr,
                     *SrTt_20 = nullptr, *LambdaM = nullptr, *CPM = nullptr, *A = nullptr;
  TModifyParameter *tMatMin = nullptr, *tMatMax = nullptr;

 protected:
  void DoCalculate() override;

 private:
  const tEN13480Description* LocateMaterial();
  void ShowMaterial(const tEN13480Description* d);
  void GetEN13480Values(const tEN13480Description& d, Extended t);
  void NoEN13480Values();
  void CheckTemperature(const tEN13480Description& d, Extended t);
  const TMaterialDatabase* FDatabase;
  const tEN13480Description* FDescription = nullptr;
};

// The material module with its own calculation source, for the super
// modules; the items are those of the inner module.
class TCCMMaterialData : public TCompoundCalcModule {
 public:
  explicit TCCMMaterialData(TCalcComponent* owner = nullptr, std::string name = "CCMMaterialData",
                            const TMaterialDatabase* database = nullptr);
  const char* ClassName() const override { return "TCCMMaterialData"; }
  TCMMaterialData& Module() { return *FModule; }
  TCalcSource& GetCalcSource() { return *FSource; }
  void SetCalcMessageContainer(TCalcMessageContainer* c) { FModule->SetCalcMessageContainer(c); }

 private:
  TCMMaterialData* FModule;
  TCalcSource* FSource;
};

}  // namespace torvacalc
