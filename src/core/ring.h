#pragma once
// A first-in, first-out buffer of fixed capacity: once full, each new entry takes the place of the
// oldest. Its storage is allocated whole at the start and never moves; a slot is constructed the first
// time it is written and reused from then on (a text keeps its room), and the system hands out the
// pages of a large block only as they are written, so a short run costs only what it records.

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace qx9 {

template <typename T>
class Ring {
 public:
  explicit Ring(size_t capacity)
      : capacity_(capacity < 1 ? 1 : capacity), items_(std::allocator<T>().allocate(capacity_)) {}
  ~Ring() {
    std::destroy_n(items_, constructed_);
    std::allocator<T>().deallocate(items_, capacity_);
  }
  Ring(const Ring&) = delete;
  Ring& operator=(const Ring&) = delete;

  size_t Capacity() const { return capacity_; }
  size_t Size() const { return size_; }
  bool Empty() const { return size_ == 0; }
  bool Full() const { return size_ == capacity_; }

  // The i-th kept entry, 0 being the oldest.
  const T& operator[](size_t i) const { return items_[Slot(i)]; }
  const T& Newest() const { return (*this)[size_ - 1]; }

  // Makes room for one entry (dropping the oldest when full) and returns it to be filled in place. A
  // slot of a type with no constructor of its own holds no particular value, and a reused one its old
  // value: the caller writes every member.
  T& Append() {
    if (size_ == capacity_) DropOldest(1, [](const T&) {});
    return AppendToSpare();
  }
  void Push(T item) { Append() = std::move(item); }

  // The slot for one more entry when the ring is not full: no test, for the recorder's hot path.
  T& AppendToSpare() {
    const size_t slot = Slot(size_++);
    if constexpr (!std::is_trivially_default_constructible_v<T>) {
      if (slot == constructed_) {
        ::new (static_cast<void*>(items_ + slot)) T;
        ++constructed_;
      }
    }
    return items_[slot];
  }

  // Forgets the n oldest entries (all of them when n is larger), each handed to `evicted` first.
  template <typename Evicted>
  void DropOldest(size_t n, Evicted evicted) {
    if (n > size_) n = size_;
    // In at most two stretches of consecutive slots, so the loop walks memory with no wrap test.
    const size_t first = std::min(n, capacity_ - head_);
    for (const T* p = items_ + head_; p != items_ + head_ + first; ++p) evicted(*p);
    for (const T* p = items_; p != items_ + (n - first); ++p) evicted(*p);
    head_ = Slot(n);
    size_ -= n;
  }
  // Forgets the n newest entries (all of them when n is larger): for an owner whose recent past was
  // undone.
  void DropNewest(size_t n) { size_ = n >= size_ ? 0 : size_ - n; }

  void Clear() {
    size_ = 0;
    head_ = 0;
  }

 private:
  size_t Slot(size_t i) const {
    const size_t slot = head_ + i;
    return slot >= capacity_ ? slot - capacity_ : slot;
  }

  size_t capacity_;
  T* items_;
  size_t constructed_ = 0;  // slots 0 .. constructed_ - 1 hold constructed entries
  size_t size_ = 0;
  size_t head_ = 0;  // slot of the oldest entry
};

}  // namespace qx9
