#include "framework/component.h"

namespace torvacalc {

TCalcComponent::TCalcComponent(TCalcComponent* owner, std::string name)
    : FOwner(owner), FName(std::move(name)) {}

thread_local constinit int TCalcComponent::tDestructionsRunning = 0;

bool TCalcComponent::OwnerDestroying() const { return FOwner && FOwner->IsDestroying(); }

TCalcComponent::~TCalcComponent() {
  MarkDestroying();
  DestroyChildren();
  --tDestructionsRunning;
}

void TCalcComponent::DestroyChildren() {
  MarkDestroying();
  while (!FChildren.empty()) FChildren.pop_back();
}

std::vector<TCalcComponent*> TCalcComponent::Children() const {
  std::vector<TCalcComponent*> list;
  list.reserve(FChildren.size());
  for (const auto& c : FChildren) list.push_back(c.get());
  return list;
}

TCalcComponent* TCalcComponent::FindChild(const std::string& name) const {
  for (const auto& c : FChildren)
    if (c->GetName() == name) return c.get();
  return nullptr;
}

}  // namespace torvacalc
