// Switches: their texts, and how a choice re-wires the calculation.
#include <gtest/gtest.h>

#include <memory>

#include "framework/calc_switch.h"
#include "framework/options.h"
#include "framework/super_module.h"

using namespace torvacalc;

namespace {

TEST(TwoStateSwitch, TextsAndStatus) {
  EXPECT_EQ(StrToSwitchStatus("Nein"), cbUnchecked);
  EXPECT_EQ(StrToSwitchStatus("yes"), cbChecked);  // English words too
  EXPECT_EQ(StrToSwitchStatus("NO"), cbUnchecked);
  EXPECT_EQ(StrToSwitchStatus("vielleicht"), cbGrayed);
  EXPECT_EQ(StrToSwitchStatus(""), cbGrayed);
  EXPECT_EQ(SwitchStatusToStr(cbGrayed), "");
  TCalcModule m("M");
  auto* s = m.AddItem<TCalcSwitch>("Liquid");
  EXPECT_EQ(s->GetSwitchStatus(), cbGrayed);
  s->SetText("Ja");
  EXPECT_TRUE(s->GetChecked());
  EXPECT_EQ(s->GetText(), "ja");
  s->SetText("vielleicht");
  EXPECT_EQ(s->GetSwitchStatus(), cbGrayed);
  s->SetChecked(false);
  EXPECT_EQ(s->GetText(), "nein");
}

// A calculation with three alternative methods for one result, each a
// module behind its own connector, chosen by a multi-switch.
class MethodChoice : public TSuperCalcModule {
 public:
  MethodChoice() : TSuperCalcModule("Choice") {
    TMainCalcModule* main = GetMainCalcModule();
    method = main->AddItem<TCalcListSwitch>("Method");
    method->SetValueList({"VDMA", "IEC", "ISA"});
    for (int i = 0; i < 3; ++i) {
      auto* m = CreateModule<TCalcModule>("M" + std::to_string(i));
      m->AddItem<TInputParameter>("x", qNoUnit);
      modules.push_back(m);
      auto* c = CreateConnector(CalcSourceCustomMCM1(), CreateSource(m), "C" + std::to_string(i));
      c->InConnections.AddConnection("x|x");
      connectors.push_back(c);
      method->AddConnector(c->GetName(), i);
    }
    main->AddItem<TInputParameter>("x", qNoUnit);
    main->AddItem<TInputParameter>("onlyISA", qNoUnit);
    method->AddParameter("onlyISA", 2);
    SetActive(true);
  }
  TCalcListSwitch* method;
  std::vector<TCalcModule*> modules;
  std::vector<TCalcConnector*> connectors;
};

TEST(MultiSwitch, OnlyTheConnectorsOfTheChosenEntryAreOn) {
  MethodChoice calc;
  auto active = [&] {
    std::vector<bool> a;
    for (auto* c : calc.connectors) a.push_back(c->GetActive());
    return a;
  };
  calc.method->SetText("ISA");
  EXPECT_EQ(calc.method->GetSwitchStatus(), 2);
  EXPECT_EQ(active(), (std::vector<bool>{false, false, true}));
  EXPECT_TRUE(calc.GetMainCalcModule()->CalcItemByName("onlyISA")->GetUtilized());
  calc.method->SetText("iec");  // entries are not case-sensitive
  EXPECT_EQ(calc.method->GetSwitchStatus(), 1);
  EXPECT_EQ(calc.method->GetText(), "IEC");
  EXPECT_EQ(active(), (std::vector<bool>{false, true, false}));
  EXPECT_FALSE(calc.GetMainCalcModule()->CalcItemByName("onlyISA")->GetUtilized());
  // The chosen method's module reads the main module's input.
  EXPECT_EQ(calc.modules[1]->CalcItemByName("x")->GetSourceCalcItem(),
            calc.GetMainCalcModule()->CalcItemByName("x"));
  EXPECT_EQ(calc.modules[0]->CalcItemByName("x")->GetSourceCalcItem(), nullptr);

  // A text not in the list chooses nothing and switches everything off.
  calc.method->SetText("AGA");
  EXPECT_EQ(calc.method->GetSwitchStatus(), -1);
  EXPECT_EQ(active(), (std::vector<bool>{false, false, false}));
  calc.method->SetSwitchIndex(0);
  EXPECT_EQ(active(), (std::vector<bool>{true, false, false}));
}

TEST(MultiSwitch, SameTextAgainDoesNothing) {
  MethodChoice calc;
  calc.method->SetText("VDMA");
  int events = 0;
  calc.GetMainCalcModule()->OnCalcEvent = [&](TCalcEvent e, TCalcItem*) { events += e == ceValueFieldChange; };
  calc.method->SetText("VDMA");
  EXPECT_EQ(events, 0);
  calc.method->SetText("IEC");
  EXPECT_GE(events, 1);
}

struct Media : TSwitchDataSource {
  std::vector<std::string> values{"Wasser", "Dampf", "Luft"};
  std::vector<std::string> ValueList() const override { return values; }
  std::shared_ptr<const TDataRecord> Describe(int index) const override {
    auto r = std::make_shared<TDataRecord>();
    r->Key = values[static_cast<size_t>(index)];
    r->Fields["M"] = index == 2 ? "28.963" : "18.015";
    return r;
  }
};

TEST(DataSwitch, ValueListFromTheDatabaseAndFromTheLinkSource) {
  TCalcModule m("M"), n("N");
  Media media;
  auto* fluid = m.AddItem<TFluidDataMultiSwitch>("Fluid");
  EXPECT_FALSE(fluid->GetFromDataBase());
  fluid->SetDataSource(&media);
  EXPECT_TRUE(fluid->GetFromDataBase());
  fluid->SetText("Luft");
  ASSERT_NE(fluid->PropertyDescription(), nullptr);
  EXPECT_EQ(fluid->PropertyDescription()->Fields.at("M"), "28.963");
  // The database changes order: the choice follows its text.
  media.values = {"Luft", "Wasser"};
  fluid->GetFromDataBase();
  EXPECT_EQ(fluid->GetSwitchStatus(), 0);

  auto* linked = n.AddItem<TDataMultiSwitch>("Fluid");
  linked->SetSourceCalcItem(fluid);
  EXPECT_EQ(linked->GetValueList(), fluid->GetValueList());
  EXPECT_EQ(linked->GetText(), "Luft");
  linked->SetText("Wasser");
  EXPECT_EQ(fluid->GetSwitchStatus(), 1);
}

// A source that names its entries in two languages itself.
struct Styles : TSwitchDataSource {
  std::vector<std::string> ValueList() const override { return {"Hubventil", "Drehventil"}; }
  std::map<std::string, std::vector<std::string>> ValueTexts() const override {
    return {{"en", {"Lift valve", "Turn valve"}}};
  }
  std::shared_ptr<const TDataRecord> Describe(int) const override { return nullptr; }
};

// The English texts of a source reach the switch it fills, and the switch
// a link reads through, without any dictionary; a new list drops them.
TEST(DataSwitch, EntriesKeepTheTextsTheirSourceGivesThem) {
  Styles styles;
  TCalcModule sizing("Sizing"), main("Main");
  auto* own = sizing.AddItem<TDataCalcListSwitch>("ValveType");
  own->SetDataSource(&styles);
  ASSERT_TRUE(own->GetFromDataBase());
  // A plain list switch of the main module with the same entries, as the
  // layers of a calculation mirror them.
  auto* mirror = main.AddItem<TCalcListSwitch>("ValveType");
  mirror->SetValueList(own->SharedValueList());
  mirror->SetSwitchStatus(1);

  // The language of the texts shown, put back however the test ends.
  struct Language {
    std::string before = HXOptions().Language;
    explicit Language(const char* l) { HXOptions().Language = l; }
    ~Language() { HXOptions().Language = before; }
  };
  auto english = std::make_unique<Language>("en");
  EXPECT_EQ(mirror->GetText(), "Drehventil");  // made before it knew better
  own->SetSourceCalcItem(mirror);
  EXPECT_EQ(mirror->GetText(), "Turn valve");
  EXPECT_EQ(own->GetText(), "Turn valve");
  english.reset();
  EXPECT_EQ(mirror->GetValueOfIndex(1), "Drehventil");

  struct Case { const char* what; const TCustomCalcMultiSwitch* sw; const char* text; int index; };
  const Case cases[] = {{"filled switch, English", own, "turn VALVE", 1}, {"mirror, English", mirror, "Lift valve", 0},
                        {"mirror, German", mirror, "Drehventil", 1},        {"mirror, unknown", mirror, "Klappe", -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.sw->IndexOfText(c.text), c.index);
  }
  EXPECT_EQ(mirror->GetValueTextIn(0, "en"), "Lift valve");
  EXPECT_EQ(mirror->GetValueTextIn(0, "de"), "Hubventil");
  EXPECT_EQ(mirror->GetValueTextIn(2, "en"), "");

  own->SetSourceCalcItem(nullptr);
  mirror->SetValueList({"Hubventil", "Drehventil", "Klappe"});
  EXPECT_EQ(mirror->IndexOfText("Lift valve"), -1);
  EXPECT_EQ(own->IndexOfText("Lift valve"), 0);
  EXPECT_EQ(own->GetValueList().size(), 2u);  // the list it shared is not changed
}

TEST(DataSwitch, DatabaseChoiceIsReadOnlyAndTypedChoicesAreReported) {
  TCalcMessageContainer container;
  TCalcModule m("M");
  m.SetCalcMessageContainer(&container);
  auto* dn = m.AddItem<TDNVDataListSwitch>("DNV");
  dn->SetValueList({"DN 25", "DN 50"});
  dn->SetText("DN 50");
  EXPECT_TRUE(m.CheckParameters({dn}) == false);  // typed in, not taken from the database
  EXPECT_EQ(container.GetMessageOf(dn)->MsgNo, 118);
  dn->SetInputState(isDatabase);
  EXPECT_TRUE(dn->GetReadOnly());
  dn->SetModified(true);
  EXPECT_FALSE(dn->GetReadOnly());
}

TEST(HideIfMinus, ParametersWithoutValueAreNotShown) {
  TCalcModule m("M");
  auto* rhoN = m.AddItem<TInputParameter>("RhoN", qDensity);
  m.HideIfMinus({rhoN});
  EXPECT_EQ(rhoN->GetDisplayState(), dsInvisible);
  rhoN->SetValue(1.2L);
  EXPECT_EQ(rhoN->GetDisplayState(), dsNormal);
}

}  // namespace
