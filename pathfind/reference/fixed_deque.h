// A fixed-capacity ring buffer with insertion and removal in the middle.
//
// Elements live from `head` to one before `tail`, wrapping at the capacity;
// head == tail means full unless the empty flag is set. Inserting or erasing
// in the middle copies the elements in order into a second array of the same
// capacity, swaps the two and restarts the ring at index 0, so nothing is
// allocated after construction or Resize.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>

namespace orv {

template <class T>
class FixedDeque {
 public:
  explicit FixedDeque(uint32_t capacity = 0) { Allocate(capacity); }
  FixedDeque(const FixedDeque&) = delete;
  FixedDeque& operator=(const FixedDeque&) = delete;
  virtual ~FixedDeque() = default;

  // Frees both arrays and allocates new ones; the deque is empty afterwards.
  // Memory running out throws std::bad_alloc and leaves capacity 0.
  void Resize(uint32_t capacity) {
    Free();
    Allocate(capacity);
  }

  void Clear() {
    head_ = tail_ = 0;
    empty_ = true;
  }
  uint32_t Capacity() const { return capacity_; }
  bool Empty() const { return empty_; }
  bool Full() const { return capacity_ == 0 || (!empty_ && head_ == tail_); }
  uint32_t Size() const {
    if (empty_) return 0;
    return tail_ > head_ ? tail_ - head_ : tail_ + capacity_ - head_;
  }

  // Element i counted from the head; the caller keeps i below Size().
  T& At(uint32_t i) { return items_[Wrap(head_ + i)]; }
  const T& At(uint32_t i) const { return items_[Wrap(head_ + i)]; }
  T& Back() { return items_[Prev(tail_)]; }
  T& Front() { return items_[head_]; }

  bool PushBack(const T& value) {
    if (Full()) return false;
    items_[tail_] = value;
    tail_ = Next(tail_);
    empty_ = false;
    return true;
  }
  bool PushFront(const T& value) {
    if (Full()) return false;
    head_ = Prev(head_);
    items_[head_] = value;
    empty_ = false;
    return true;
  }
  bool PopBack() {
    if (empty_) return false;
    tail_ = Prev(tail_);
    empty_ = head_ == tail_;
    return true;
  }
  bool PopFront() {
    if (empty_) return false;
    head_ = Next(head_);
    empty_ = head_ == tail_;
    return true;
  }

  // Inserts so that the value becomes element i; i == Size() appends.
  bool InsertAt(uint32_t i, const T& value) {
    const uint32_t size = Size();
    if (Full() || i > size) return false;
    if (i == size) return PushBack(value);
    if (i == 0) return PushFront(value);
    uint32_t out = 0;
    for (uint32_t k = 0; k < i; ++k) scratch_[out++] = At(k);
    scratch_[out++] = value;
    for (uint32_t k = i; k < size; ++k) scratch_[out++] = At(k);
    Restart(out);
    return true;
  }

  bool EraseAt(uint32_t i) {
    const uint32_t size = Size();
    if (i >= size) return false;
    if (i == size - 1) return PopBack();
    if (i == 0) return PopFront();
    uint32_t out = 0;
    for (uint32_t k = 0; k < size; ++k)
      if (k != i) scratch_[out++] = At(k);
    Restart(out);
    return true;
  }

 private:
  void Allocate(uint32_t capacity) {
    Clear();
    if (capacity == 0) return;
    auto items = std::make_unique<T[]>(capacity);
    scratch_ = std::make_unique<T[]>(capacity);
    items_ = std::move(items);
    capacity_ = capacity;
  }
  void Free() {
    items_.reset();
    scratch_.reset();
    capacity_ = 0;
    Clear();
  }
  // The scratch array holds `count` elements in order: it becomes the ring.
  void Restart(uint32_t count) {
    std::swap(items_, scratch_);
    head_ = 0;
    tail_ = count == capacity_ ? 0 : count;
    empty_ = count == 0;
  }
  uint32_t Wrap(uint32_t i) const { return i >= capacity_ ? i - capacity_ : i; }
  uint32_t Next(uint32_t i) const { return i + 1 == capacity_ ? 0 : i + 1; }
  uint32_t Prev(uint32_t i) const { return i == 0 ? capacity_ - 1 : i - 1; }

  std::unique_ptr<T[]> items_;
  std::unique_ptr<T[]> scratch_;
  uint32_t capacity_ = 0;
  uint32_t head_ = 0;
  uint32_t tail_ = 0;
  bool empty_ = true;
};

}  // namespace orv
