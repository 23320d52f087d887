// RtArray: the bounds-checked array of up to four dimensions behind every
// array of a game. The first index varies fastest: element (a, b, c, d) is at
// a + b*stride1 + c*stride2 + d*stride3. An access outside the array reports
// the bounds and the indices, sets kErrOutOfBounds and ends the program; it never
// returns, so game code after a bad access never runs.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#include "orvane/codes.h"

// Where an array goes when it cannot go on; the runtime defines both, and
// neither returns: the program ends in order with the error code set.
namespace rt_array_failure {
// Reports an out-of-bounds access (bounds and access lines, repeated with
// growing index lists for the four-index form); error kErrOutOfBounds.
[[noreturn]] void OutOfBounds(const int32_t sizes[4], int32_t dims, const int32_t index[4], int indexCount);
// kErrOutOfMemory for a failed or oversized allocation, kErrPushMultiDim for Push.
[[noreturn]] void Stop(int errorCode);
}  // namespace rt_array_failure

template <class T>
class RtArray {
  // Numbers live in plain zeroed blocks; texts and records are constructed.
  static constexpr bool kPlain = std::is_trivially_copyable_v<T> && std::is_trivially_default_constructible_v<T>;

 public:
  RtArray() = default;
  RtArray(const RtArray& other) { CopyFrom(other); }
  RtArray(RtArray&& other) noexcept { Swap(other); }
  RtArray& operator=(const RtArray& other) {
    if (this != &other) CopyFrom(other);
    return *this;
  }
  RtArray& operator=(RtArray&& other) noexcept {
    Swap(other);
    return *this;
  }
  ~RtArray() { Release(); }

  // Sets the shape and clears every element in use.
  void Dim(int32_t s1, int32_t s2 = 0, int32_t s3 = 0, int32_t s4 = 0) {
    int64_t count = Count(s1, s2, s3, s4);
    if constexpr (kPlain) {
      if (capacity_ < count || s1 <= 0) {
        Release();
        Allocate((count & ~int64_t{7}) + 8);
      }
      if (count > 0) std::memset(static_cast<void*>(data_), 0, static_cast<size_t>(count) * sizeof(T));
    } else {
      if (s1 < 1) count = 0;
      if (capacity_ < count || count == 0) {
        // An empty shape gives its storage back, like the number form.
        Release();
        Allocate(count == 0 ? 0 : (count / 64) * 64 + 64);
      } else {
        // Assigned from an empty value, not moved from a fresh one, so each
        // element keeps its block for the texts the game puts there next.
        const T empty{};
        for (int64_t i = 0; i < count; ++i) data_[i] = empty;
      }
    }
    SetShape(s1, s2, s3, s4);
  }

  // The integer form used for pixel copies: exactly as many elements as asked.
  void DimExact(int32_t s1, int32_t s2 = 0, int32_t s3 = 0, int32_t s4 = 0) {
    int64_t count = Count(s1, s2, s3, s4);
    if (capacity_ != count) {
      Release();
      Allocate(count);
    }
    if constexpr (kPlain) {
      if (count > 0) std::memset(static_cast<void*>(data_), 0, static_cast<size_t>(count) * sizeof(T));
    } else {
      for (int64_t i = 0; i < count; ++i) data_[i] = T();
    }
    SetShape(s1, s2, s3, s4);
  }

  // New shape keeping every element whose indices lie inside both shapes.
  void Redim(int32_t s1, int32_t s2 = 0, int32_t s3 = 0, int32_t s4 = 0) {
    if (s1 <= 0) {
      SetShape(0, 0, 0, 0);
      return;
    }
    RtArray fresh;
    fresh.Dim(s1, s2, s3, s4);
    if (data_) {
      int32_t e1 = Min(size1_, fresh.size1_), e2 = Extent(size2_, fresh.size2_);
      int32_t e3 = Extent(size3_, fresh.size3_), e4 = Extent(size4_, fresh.size4_);
      for (int32_t d = 0; d < e4; ++d)
        for (int32_t c = 0; c < e3; ++c)
          for (int32_t b = 0; b < e2; ++b)
            for (int32_t a = 0; a < e1; ++a)
              fresh.data_[fresh.Offset(a, b, c, d)] = std::move(data_[Offset(a, b, c, d)]);
    }
    Swap(fresh);
  }

  // One-index access as compiled game code uses it inline; -1 is the last element.
  T& At(int32_t a) {
    if (a < 0) a += size1_;
    if (data_ == nullptr || static_cast<uint32_t>(a) >= static_cast<uint32_t>(size1_)) Fail1(a);
    return data_[a];
  }
  const T& At(int32_t a) const { return const_cast<RtArray*>(this)->At(a); }

  T& At(int32_t a, int32_t b, int32_t c = 0, int32_t d = 0) {
    if (a < 0) a += size1_;
    if (data_ == nullptr || static_cast<uint32_t>(a) >= static_cast<uint32_t>(size1_) || !InDim(b, size2_) ||
        !InDim(c, size3_) || !InDim(d, size4_))
      Fail4(a, b, c, d);
    return data_[a + b * stride1_ + c * stride2_ + d * stride3_];
  }
  const T& At(int32_t a, int32_t b, int32_t c = 0, int32_t d = 0) const {
    return const_cast<RtArray*>(this)->At(a, b, c, d);
  }
  T& operator[](int32_t a) { return At(a); }
  const T& operator[](int32_t a) const { return At(a); }

  // Size of dimension k (0..3); 0 for any other k.
  int32_t Size(int k) const {
    switch (k) {
      case 0: return size1_;
      case 1: return size2_;
      case 2: return size3_;
      case 3: return size4_;
      default: return 0;
    }
  }
  int32_t Dims() const { return dims_; }
  int32_t Capacity() const { return capacity_; }
  // Number of elements in use.
  int64_t Count() const { return size1_ <= 0 ? 0 : Count(size1_, size2_, size3_, size4_); }
  T* Data() { return data_; }
  const T* Data() const { return data_; }

  // A one-dimensional array holding the n given values.
  void Fill(const T* values, int32_t n) {
    Dim(n);
    for (int32_t i = 0; i < n; ++i) data_[i] = values[i];
  }

  // Appends one element to a one-dimensional array (kErrPushMultiDim on more dimensions).
  void Push(const T& value) {
    if (size2_ != 0) rt_array_failure::Stop(kErrPushMultiDim);
    T copy(value);  // the value may be an element of this array
    int32_t n = size1_ + 1;
    if (n < capacity_) {
      size1_ = n;
      dims_ = 1;
    } else {
      Redim(n);
    }
    data_[n - 1] = std::move(copy);
  }

  // Ascending sort of elements first..last (inclusive). `less` decides order
  // by returning a negative number; without it, the element type's < is used.
  template <class Compare>
  void Sort(int32_t first, int32_t last, Compare less) {
    int64_t n = Count();
    if (first < 0) first = 0;
    if (last >= n) last = static_cast<int32_t>(n - 1);
    if (!data_ || first >= last) return;
    QuickSort(first, last, less);
  }
  void Sort(int32_t first, int32_t last) {
    Sort(first, last, [](const T& x, const T& y) { return x < y ? -1.0 : (y < x ? 1.0 : 0.0); });
  }

 private:
  static int32_t Min(int32_t x, int32_t y) { return x < y ? x : y; }
  // Loop extent of a dimension during Redim: size 0 contributes index 0 only.
  static int32_t Extent(int32_t oldSize, int32_t newSize) {
    int32_t o = oldSize > 0 ? oldSize : 1, n = newSize > 0 ? newSize : 1;
    return Min(o, n);
  }
  static bool InDim(int32_t i, int32_t size) { return size != 0 ? (i >= 0 && i < size) : i == 0; }

  static int64_t Count(int32_t s1, int32_t s2, int32_t s3, int32_t s4) {
    auto atLeast1 = [](int32_t s) { return s > 1 ? int64_t{s} : int64_t{1}; };
    int64_t count = (s1 > 0 ? int64_t{s1} : 0) * atLeast1(s2) * atLeast1(s3);
    if (count > INT32_MAX) rt_array_failure::Stop(kErrOutOfMemory);
    count *= atLeast1(s4);
    if (count > INT32_MAX) rt_array_failure::Stop(kErrOutOfMemory);
    return count;
  }

  int64_t Offset(int32_t a, int32_t b, int32_t c, int32_t d) const {
    return a + int64_t{b} * stride1_ + int64_t{c} * stride2_ + int64_t{d} * stride3_;
  }

  void SetShape(int32_t s1, int32_t s2, int32_t s3, int32_t s4) {
    size1_ = s1 > 0 ? s1 : 0;
    size2_ = s2;
    size3_ = s3;
    size4_ = s4;
    dims_ = s4 ? 4 : s3 ? 3 : s2 ? 2 : size1_ > 0 ? 1 : 0;
    stride1_ = size1_;
    stride2_ = s2 * size1_;
    stride3_ = s3 * s2 * size1_;
  }

  void Allocate(int64_t n) {
    if (n > INT32_MAX) rt_array_failure::Stop(kErrOutOfMemory);
    data_ = nullptr;
    capacity_ = 0;
    if (n == 0) return;
    if constexpr (kPlain) {
      data_ = static_cast<T*>(std::calloc(static_cast<size_t>(n), sizeof(T)));
    } else {
      data_ = new (std::nothrow) T[static_cast<size_t>(n)];
    }
    if (!data_) rt_array_failure::Stop(kErrOutOfMemory);
    capacity_ = static_cast<int32_t>(n);
  }

  void Release() {
    if constexpr (kPlain) {
      std::free(data_);
    } else {
      delete[] data_;
    }
    data_ = nullptr;
    capacity_ = 0;
  }

  void CopyFrom(const RtArray& other) {
    if (other.size1_ <= 0) {
      Dim(0);
      SetShape(0, 0, 0, 0);
      return;
    }
    Dim(other.size1_, other.size2_, other.size3_, other.size4_);
    int64_t n = other.Count();
    for (int64_t i = 0; i < n; ++i) data_[i] = other.data_[i];
  }

  void Swap(RtArray& o) noexcept {
    std::swap(data_, o.data_);
    std::swap(stride1_, o.stride1_);
    std::swap(stride2_, o.stride2_);
    std::swap(stride3_, o.stride3_);
    std::swap(size1_, o.size1_);
    std::swap(size2_, o.size2_);
    std::swap(size3_, o.size3_);
    std::swap(size4_, o.size4_);
    std::swap(dims_, o.dims_);
    std::swap(capacity_, o.capacity_);
  }

  [[noreturn]] __attribute__((noinline, cold)) void Fail1(int32_t a) const {
    const int32_t sizes[4] = {size1_, size2_, size3_, size4_};
    const int32_t index[4] = {a, 0, 0, 0};
    rt_array_failure::OutOfBounds(sizes, dims_, index, 1);
  }
  [[noreturn]] __attribute__((noinline, cold)) void Fail4(int32_t a, int32_t b, int32_t c, int32_t d) const {
    const int32_t sizes[4] = {size1_, size2_, size3_, size4_};
    const int32_t index[4] = {a, b, c, d};
    rt_array_failure::OutOfBounds(sizes, dims_, index, 4);
  }

  // Hoare partitioning with every scan bounded by the range, so a game's
  // inconsistent comparison function can disorder the result but never make
  // the sort leave the array.
  template <class Compare>
  void QuickSort(int32_t lo, int32_t hi, Compare& less) {
    while (lo < hi) {
      T pivot = data_[lo + (hi - lo) / 2];
      int32_t i = lo, j = hi;
      while (i <= j) {
        while (i < hi && less(data_[i], pivot) < 0) ++i;
        while (j > lo && less(pivot, data_[j]) < 0) --j;
        if (i <= j) {
          std::swap(data_[i], data_[j]);
          ++i;
          --j;
        }
      }
      // Recurse into the smaller side to keep the stack shallow.
      if (j - lo < hi - i) {
        if (lo < j) QuickSort(lo, j, less);
        lo = i;
      } else {
        if (i < hi) QuickSort(i, hi, less);
        hi = j;
      }
    }
  }

  T* data_ = nullptr;
  int32_t stride1_ = 0, stride2_ = 0, stride3_ = 0;
  int32_t size1_ = 0, size2_ = 0, size3_ = 0, size4_ = 0;
  int32_t dims_ = 0;
  int32_t capacity_ = 0;
};
