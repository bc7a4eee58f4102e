#include "assembly/scm_material_pipe.h"

#include "assembly/main_items.h"

namespace torvacalc {

namespace {

// Modules to copy the kind, quantity and choices of the main module's
// items from; kept for the program's life.
const TCMNormPipeThickness& PipeModel() {
  static const TCMNormPipeThickness* model = new TCMNormPipeThickness(nullptr, "CMNormPipeThicknessModel");
  return *model;
}

const TCMMaterialData& MaterialModel() {
  static const TCMMaterialData* model = new TCMMaterialData(nullptr, "CMMaterialDataModel");
  return *model;
}

}  // namespace

const std::vector<TCustomMCMSubstancesMaterialPipe::TNamePair>& TCustomMCMSubstancesMaterialPipe::PipeItems() {
  static const std::vector<TNamePair> items = {{"EnterDi", "EnterDi"}, {"PipeClass", "PipeClass"}, {"DN", "DN"},
                                               {"PN", "PN"},           {"CheckP1", "CheckP1"},     {"DiP", "DiP"},
                                               {"DNV", "DNV"},         {"DaP", "DaP"},             {"tp", "tP"}};
  return items;
}

const std::vector<TCustomMCMSubstancesMaterialPipe::TNamePair>& TCustomMCMSubstancesMaterialPipe::MaterialItems() {
  static const std::vector<TNamePair> items = {
      {"NormInput", "NormInput"}, {"Condition", "Condition"},   {"EN13480Name", "EN13480Name"},
      {"Material", "Material"},   {"ExpansionClass", "ExpansionClass"}, {"MaterialClass", "MaterialClass"},
      {"EN13480No", "EN13480No"}, {"hz", "hz"},                 {"Alpha", "Alpha"},
      {"Alin", "Alin"},           {"Blin", "Blin"},             {"CM", "CM"},
      {"K", "K"},                 {"EM", "EM"},                 {"RhoM", "RhoM"},
      {"RM", "RM"},               {"Rp02", "Rp02"},             {"Rp10", "Rp10"},
      {"SrTt", "SrTt"},           {"Rp02_20", "Rp02_20"},       {"Rp10_20", "Rp10_20"},
      {"Rm_20", "Rm_20"},         {"SrTt_20", "SrTt_20"},       {"LambdaM", "LambdaM"},
      {"CPM", "CPM"},             {"A", "A"},                   {"SChar", "SChar"},
      {"tMatMax", "tMatMax"},     {"tMatMin", "tMatMin"}};
  return items;
}

TCustomMCMSubstancesMaterialPipe::TCustomMCMSubstancesMaterialPipe(TCalcComponent* owner, std::string name)
    : TCustomMCMSubstances(owner, std::move(name)) {
  for (const TNamePair& i : PipeItems()) MirrorItem(*this, ItemByName(PipeModel(), i.module), i.main);
  for (const TNamePair& i : MaterialItems())
    MirrorItem(*this, ItemByName(MaterialModel(), i.module), i.main);
}

TCustomSCMSubstancesMaterialPipe::TCustomSCMSubstancesMaterialPipe(TCalcComponent* owner, std::string name)
    : TCustomSCMSubstancesMaterialPipe(owner, std::move(name), MakeMainModule<TCustomMCMSubstancesMaterialPipe>) {}

TCustomSCMSubstancesMaterialPipe::TCustomSCMSubstancesMaterialPipe(TCalcComponent* owner, std::string name,
                                                                   TMainModuleFactory makeMain)
    : TCustomSCMSubstances(owner, std::move(name), makeMain) {
  FCCMNormPipeThickness1 = CreateChild<TCCMNormPipeThickness>("FCCMNormPipeThickness1");
  FCCMNormPipeThickness1->SetCalcMessageContainer(GetCalcMessageContainer());
  FCCMMaterialData1 = CreateChild<TCCMMaterialData>("FCCMMaterialData1");
  FCCMMaterialData1->SetCalcMessageContainer(GetCalcMessageContainer());
}

void TCustomSCMSubstancesMaterialPipe::Init() {
  TCustomSCMSubstances::Init();
  using M = TCustomMCMSubstancesMaterialPipe;
  TCalcConnector* pipe = CreateConnector(CalcSourceCustomMCM1(), &FCCMNormPipeThickness1->GetCalcSource(),
                                         "FCalcConnectorNormPipeThickness1");
  FCalcConnectorNormPipeThickness1 = pipe;
  // The rating check takes the operating pressure of point 1.
  pipe->InConnections.AddConnection("P1|P1");
  // The valve's size is the main module's (an entry, or the catalogue's
  // valve in the valve layer); the pipe module checks it against the
  // pipe class. Everything else the pipe module returns.
  for (const auto& i : M::PipeItems()) {
    if (std::string(i.main) == "DNV") pipe->InConnections.AddConnection("DNV|DNV");
    else pipe->OutConnections.AddConnection(i.module, i.main);
  }
  pipe->SetActive(true);

  TCalcConnector* material = CreateConnector(CalcSourceCustomMCM1(), &FCCMMaterialData1->GetCalcSource(),
                                             "FCalcConnectorMaterialData1");
  FCalcConnectorMaterialData1 = material;
  // The material at the medium's temperature, with the pipe's wall.
  material->InConnections.AddConnection("T1|T1");
  material->InConnections.AddConnection("tp|e");
  for (const auto& i : M::MaterialItems())
    material->OutConnections.AddConnection(i.module, i.main);
  material->SetActive(true);

  // Outside diameter, bore and wall are shown in one unit.
  TCalcParameter* dap = Param("DaP");
  TCalcParameter::SynchronizeUnits(*dap, *Param("DiP"));
  TCalcParameter::SynchronizeUnits(*dap, *Param("tp"));
  // The application limits of the material are no values to plot.
  Item("tMatMax")->SetUseInGraphics(false);
  Item("tMatMin")->SetUseInGraphics(false);
}

}  // namespace torvacalc
