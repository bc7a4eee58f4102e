// A table of values by item, keyed by the item's address: what a workspace
// finds once about the items of a calculation (the twins of a row, the row
// of an item, whether an item is listed) and asks again and again. Open
// addressing in one vector: an entry costs no allocation of its own, a
// look-up no more than a multiplication and a few comparisons.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace torvacalc {

class TCalcItem;

template <class V>
class TItemMap {
 public:
  explicit TItemMap(std::size_t expected = 0) { Clear(expected); }
  // Empties the table, with room for `expected` items.
  void Clear(std::size_t expected = 0) {
    FSlots.assign(std::bit_ceil(2 * expected + 2), {});
    FCount = 0;
  }
  // The value of `item`, value-initialised when it had none.
  V& operator[](const TCalcItem* item) {
    // At most half full: a search ends at a free slot soon.
    if (2 * (FCount + 1) > FSlots.size()) Grow();
    TSlot& s = FSlots[Place(item)];
    if (!s.Item) {
      s.Item = item;
      ++FCount;
    }
    return s.Value;
  }
  // The value of `item`, or nullptr when it has none.
  const V* Find(const TCalcItem* item) const {
    const TSlot& s = FSlots[Place(item)];
    return s.Item ? &s.Value : nullptr;
  }
  V* Find(const TCalcItem* item) { return const_cast<V*>(std::as_const(*this).Find(item)); }
  std::size_t Size() const { return FCount; }

 private:
  struct TSlot {
    const TCalcItem* Item = nullptr;
    V Value{};
  };
  // The slot holding `item`, or the free slot where it would go.
  std::size_t Place(const TCalcItem* item) const {
    const std::size_t mask = FSlots.size() - 1;
    // Items are aligned: the low bits of the address say nothing, the
    // product's high bits mix in the rest.
    std::size_t k = static_cast<std::size_t>((reinterpret_cast<std::uintptr_t>(item) >> 4) * 0x9E3779B97F4A7C15ull >> 32);
    for (;; ++k)
      if (const TSlot& s = FSlots[k & mask]; !s.Item || s.Item == item) return k & mask;
  }
  void Grow() {
    std::vector<TSlot> old(2 * FSlots.size());
    old.swap(FSlots);
    for (TSlot& s : old)
      if (s.Item) FSlots[Place(s.Item)] = std::move(s);
  }

  std::vector<TSlot> FSlots;
  std::size_t FCount = 0;
};

}  // namespace torvacalc
