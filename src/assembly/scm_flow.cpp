#include "assembly/scm_flow.h"

#include "assembly/main_items.h"

namespace torvacalc {

namespace {

const TCMAllFlow& FlowModel() {
  // Kept for the program's life: every main module copies from it.
  static const TCMAllFlow* model = new TCMAllFlow(nullptr, "CMAllFlowModel");
  return *model;
}

void EnableFlow(TCCMAllFlow* f, bool on) { EnableModule(f ? &f->Module() : nullptr, on); }

}  // namespace

const std::vector<std::string>& TCustomMCM3SubstancesMaterialPipe3Flow::FlowNames() {
  static const std::vector<std::string> names = {"Qm", "Qv", "Qn", "QnTr", "QnF"};
  return names;
}

TCustomMCM3SubstancesMaterialPipe3Flow::TCustomMCM3SubstancesMaterialPipe3Flow(TCalcComponent* owner,
                                                                               std::string name)
    : TCustomMCM3SubstancesMaterialPipe(owner, std::move(name)) {
  const TCMAllFlow& model = FlowModel();
  for (const char* n : {"QmOrQv", "QmOrQvMoist"}) MirrorItem(*this, ItemByName(model, n), n);
  for (int point : {1, 2, 3, 4})
    for (const auto& n : FlowNames()) MirrorItem(*this, ItemByName(model, n), n + OpSuffix(point));
}

TCustomSCM3SubstancesMaterialPipe3Flow::TCustomSCM3SubstancesMaterialPipe3Flow(TCalcComponent* owner,
                                                                               std::string name)
    : TCustomSCM3SubstancesMaterialPipe3Flow(owner, std::move(name),
                                             MakeMainModule<TCustomMCM3SubstancesMaterialPipe3Flow>) {}

TCustomSCM3SubstancesMaterialPipe3Flow::TCustomSCM3SubstancesMaterialPipe3Flow(TCalcComponent* owner,
                                                                               std::string name,
                                                                               TMainModuleFactory makeMain)
    : TCustomSCM3SubstancesMaterialPipe(owner, std::move(name), makeMain) {
  TCCMAllFlow** flows[] = {&FCCMFlow1, &FCCMFlow2, &FCCMFlow3, &FCCMFlowX};
  const char* names[] = {"FCCMFlow1", "FCCMFlow2", "FCCMFlow3", "FCCMFlowX"};
  for (int i = 0; i < 4; ++i) {
    *flows[i] = CreateChild<TCCMAllFlow>(names[i]);
    (*flows[i])->SetCalcMessageContainer(GetCalcMessageContainer());
  }
  FNoOfOps = 3;
  FOpXEnabled = false;
}

TCCMAllFlow* TCustomSCM3SubstancesMaterialPipe3Flow::Flow(int point) const {
  switch (point) {
    case 1: return FCCMFlow1;
    case 2: return FCCMFlow2;
    case 3: return FCCMFlow3;
    default: return FCCMFlowX;
  }
}

void TCustomSCM3SubstancesMaterialPipe3Flow::Init() {
  TCustomSCM3SubstancesMaterialPipe::Init();
  TCalcConnector** connectors[] = {&FCalcConnectorFlow1, &FCalcConnectorFlow2, &FCalcConnectorFlow3,
                                   &FCalcConnectorFlowX};
  const char* names[] = {"FCalcConnectorFlow1", "FCalcConnectorFlow2", "FCalcConnectorFlow3",
                         "FCalcConnectorFlowX"};
  for (int point : {1, 2, 3, 4}) {
    const std::string k = OpSuffix(point);
    TCalcConnector* c = CreateConnector(CalcSourceCustomMCM1(), &Flow(point)->GetCalcSource(), names[point - 1]);
    *connectors[point - 1] = c;
    // How the flow is given, the medium's kind and normal state: the same
    // at every point.
    for (const char* n : {"QmOrQv", "QmOrQvMoist", "Phase", "GasMedium", "StandardConditions", "TN0", "PN0", "RhoN"})
      c->InConnections.AddConnection(n, n);
    c->InConnections.AddConnection("Zn|zn");
    // The state of the point.
    c->InConnections.AddConnection("P1" + k + "|p1");
    c->InConnections.AddConnection("T1" + k + "|t1");
    c->InConnections.AddConnection("Z1" + k + "|z1");
    c->InConnections.AddConnection("Rho1" + k + "|Rho");
    c->InConnections.AddConnection("PhiRel" + k + "|PhiRel");
    c->InConnections.AddConnection("PvW1" + k + "|pvw1");
    // The flows of the point: the one the user gives is the module's input,
    // the others its results.
    for (const auto& n : TCustomMCM3SubstancesMaterialPipe3Flow::FlowNames())
      c->OutConnections.AddConnection(n, n + k);
    c->SetActive(true);
  }
  ApplyOpXEnabled();
}

void TCustomSCM3SubstancesMaterialPipe3Flow::ApplyNoOfOps() {
  EnableFlow(FCCMFlow2, FNoOfOps >= 2);
  EnableFlow(FCCMFlow3, FNoOfOps >= 3);
}

void TCustomSCM3SubstancesMaterialPipe3Flow::ApplyOpXEnabled() { EnableFlow(FCCMFlowX, FOpXEnabled); }

}  // namespace torvacalc
