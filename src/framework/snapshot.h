// A copy of a short list of pointers taken before calling out through it:
// the callee may change the list (relink items, switch connectors), and the
// loop must still visit what was there when it began. Up to N entries the
// copy lives on the stack, so that passing an event on allocates nothing.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

namespace torvacalc {

template <class T, std::size_t N = 8>
class TSnapshot {
 public:
  explicit TSnapshot(const std::vector<T*>& list) : FSize(list.size()) {
    if (FSize <= N) {
      std::copy(list.begin(), list.end(), FLocal);
      FData = FLocal;
    } else {
      FHeap = std::make_unique<T*[]>(FSize);
      std::copy(list.begin(), list.end(), FHeap.get());
      FData = FHeap.get();
    }
  }
  TSnapshot(const TSnapshot&) = delete;
  TSnapshot& operator=(const TSnapshot&) = delete;
  T* const* begin() const { return FData; }
  T* const* end() const { return FData + FSize; }
  bool empty() const { return FSize == 0; }

 private:
  std::size_t FSize;
  T* FLocal[N];
  std::unique_ptr<T*[]> FHeap;
  T** FData;
};

}  // namespace torvacalc
