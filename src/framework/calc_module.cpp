#include "framework/calc_module.h"

#include <algorithm>

namespace torvacalc {

namespace {
std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}
}  // namespace

TAncestorCalcModule::TAncestorCalcModule(std::string name) : FName(std::move(name)) {}

TAncestorCalcModule::~TAncestorCalcModule() {
  FDestroying = true;
  // Items die in reverse creation order; each one unlinks itself first.
  while (!FItems.empty()) FItems.pop_back();
}

void TAncestorCalcModule::SetDetailLevel(TEDetailLevel level) {
  FDetailLevel = level;
  UpdateState(nullptr);
}

void TAncestorCalcModule::AddCalcItem(std::unique_ptr<TCalcItem> item) {
  if (!item) return;
  const std::string key = Lower(item->GetName());
  if (!key.empty() && FByName.count(key))
    throw EHXInternal("duplicate item name \"" + item->GetName() + "\"", FName);
  if (!key.empty()) FByName[key] = item.get();
  FItemOrder.push_back(item.get());
  FItems.push_back(std::move(item));
}

TCalcItem* TAncestorCalcModule::CalcItemByName(const std::string& name) const {
  const auto it = FByName.find(Lower(name));
  return it == FByName.end() ? nullptr : it->second;
}

int TAncestorCalcModule::CalcItemIndexByName(const std::string& name) const {
  const TCalcItem* item = CalcItemByName(name);
  if (!item) return -1;
  return static_cast<int>(std::find(FItemOrder.begin(), FItemOrder.end(), item) - FItemOrder.begin());
}

bool TAncestorCalcModule::HasCalcItem(const TCalcItem* item) const {
  return std::find(FItemOrder.begin(), FItemOrder.end(), item) != FItemOrder.end();
}

void TAncestorCalcModule::BeginUpdate() { ++FUpdateCounter; }

void TAncestorCalcModule::EndUpdate(bool /*recalculated*/) {
  if (FUpdateCounter > 0) --FUpdateCounter;
}

void TAncestorCalcModule::ForwardToTargets(TCalcEvent event, TCalcItem* item) {
  if (!item) return;
  // Copy: a module's reaction may relink items.
  const std::vector<TCalcItem*> targets = item->Targets();
  for (TCalcItem* target : targets)
    if (TAncestorCalcModule* m = target->GetCalcModule(); m && !m->IsDestroying()) m->CalcEvent(event, target);
}

void TAncestorCalcModule::CalcEvent(TCalcEvent event, TCalcItem* item) {
  if (FDestroying) return;
  ForwardToTargets(event, item);
  if (OnCalcEvent) OnCalcEvent(event, item);
}

}  // namespace torvacalc
