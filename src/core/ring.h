#pragma once
// A first-in, first-out buffer of fixed capacity: once full, each new entry takes the place of the
// oldest. Its storage is reserved whole at the start, so filling it never moves what it holds; the
// system hands out the pages of a large block only as they are written, so a short run still costs
// only what it records.

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace qx9 {

template <typename T>
class Ring {
 public:
  explicit Ring(size_t capacity) : capacity_(capacity < 1 ? 1 : capacity) { items_.reserve(capacity_); }

  size_t Capacity() const { return capacity_; }
  size_t Size() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  bool Full() const { return items_.size() == capacity_; }

  // The i-th kept entry, 0 being the oldest.
  const T& operator[](size_t i) const { return items_[Slot(i)]; }
  const T& Oldest() const { return items_[head_]; }
  const T& Newest() const { return (*this)[items_.size() - 1]; }
  T& Newest() { return items_[Slot(items_.size() - 1)]; }

  // Adds an entry. When the ring is full the oldest entry is handed to `evicted` just before it is
  // overwritten, so an owner can fold it into whatever it keeps about the past.
  template <typename Evicted>
  void Push(T item, Evicted evicted) {
    if (items_.size() < capacity_) {
      items_.push_back(std::move(item));
      return;
    }
    evicted(items_[head_]);
    items_[head_] = std::move(item);
    head_ = head_ + 1 == capacity_ ? 0 : head_ + 1;
  }
  // Makes room for one entry (handing the oldest to `evicted` when full) and returns it to be filled
  // in place: no temporary, which matters for the recorder's hot path.
  template <typename Evicted>
  T& Append(Evicted evicted) {
    if (items_.size() < capacity_) return items_.emplace_back();
    evicted(items_[head_]);
    T& slot = items_[head_];
    head_ = head_ + 1 == capacity_ ? 0 : head_ + 1;
    return slot;
  }
  void Push(T item) {
    Push(std::move(item), [](const T&) {});
  }

  // Forgets the n newest entries (all of them when n is larger): for an owner whose recent past was
  // undone. Rare, so it may put the entries back in order first.
  void DropNewest(size_t n) {
    if (head_ != 0) {
      std::rotate(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(head_), items_.end());
      head_ = 0;
    }
    items_.resize(n >= items_.size() ? 0 : items_.size() - n);
  }

  void Clear() {
    items_.clear();
    head_ = 0;
  }

 private:
  size_t Slot(size_t i) const {
    const size_t slot = head_ + i;
    return slot >= capacity_ ? slot - capacity_ : slot;
  }

  size_t capacity_;
  std::vector<T> items_;
  size_t head_ = 0;  // slot of the oldest entry once the ring is full; 0 before
};

}  // namespace qx9
