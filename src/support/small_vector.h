// A vector of trivially copyable values that holds up to N of them in the
// object itself, so that reading the object reads them with it; more are held
// on the heap. Its iterators are pointers, so a std::span views it.
#pragma once

#include <algorithm>
#include <compare>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <vector>

namespace varno::support {

template <typename T, std::size_t N>
class SmallVector {
    static_assert(std::is_trivially_copyable_v<T> && N > 0);

public:
    using value_type = T;
    using size_type = std::size_t;
    using difference_type = std::ptrdiff_t;
    using reference = T&;
    using const_reference = const T&;
    using pointer = T*;
    using const_pointer = const T*;
    using iterator = T*;
    using const_iterator = const T*;

    SmallVector() = default;
    explicit SmallVector(std::size_t count, const T& value = T()) { assign(count, value); }
    SmallVector(std::initializer_list<T> values) { assign(values.begin(), values.end()); }
    template <std::forward_iterator It>
    SmallVector(It first, It last) {
        assign(first, last);
    }
    SmallVector(const std::vector<T>& values) { assign(values.begin(), values.end()); }
    SmallVector(const SmallVector& other) { assign(other.begin(), other.end()); }
    SmallVector(SmallVector&& other) noexcept { takeFrom(other); }
    ~SmallVector() = default;

    SmallVector& operator=(const SmallVector& other) {
        if (this != &other) assign(other.begin(), other.end());
        return *this;
    }
    SmallVector& operator=(SmallVector&& other) noexcept {
        if (this != &other) takeFrom(other);
        return *this;
    }
    SmallVector& operator=(const std::vector<T>& values) {
        assign(values.begin(), values.end());
        return *this;
    }
    SmallVector& operator=(std::initializer_list<T> values) {
        assign(values.begin(), values.end());
        return *this;
    }

    explicit operator std::vector<T>() const { return std::vector<T>(begin(), end()); }

    T* data() { return heap_ ? heap_.get() : inlineValues(); }
    const T* data() const { return heap_ ? heap_.get() : inlineValues(); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::size_t capacity() const { return capacity_; }

    T* begin() { return data(); }
    T* end() { return data() + size_; }
    const T* begin() const { return data(); }
    const T* end() const { return data() + size_; }

    T& operator[](std::size_t index) { return data()[index]; }
    const T& operator[](std::size_t index) const { return data()[index]; }
    T& at(std::size_t index) { return data()[checked(index)]; }
    const T& at(std::size_t index) const { return data()[checked(index)]; }
    T& front() { return data()[0]; }
    const T& front() const { return data()[0]; }
    T& back() { return data()[size_ - 1]; }
    const T& back() const { return data()[size_ - 1]; }

    void reserve(std::size_t count) {
        if (count <= capacity_) return;
        auto larger = std::make_unique_for_overwrite<T[]>(count);
        if (size_ > 0) std::memcpy(larger.get(), data(), size_ * sizeof(T));
        heap_ = std::move(larger);
        capacity_ = count;
    }
    void resize(std::size_t count, const T& value = T()) {
        const T copy = value;  // `value` may lie in this vector
        reserve(count);
        if (count > size_) std::fill(data() + size_, data() + count, copy);
        size_ = count;
    }
    void clear() { size_ = 0; }
    void push_back(const T& value) {
        const T copy = value;
        if (size_ == capacity_) reserve(2 * capacity_);
        data()[size_++] = copy;
    }
    void pop_back() { --size_; }

    void assign(std::size_t count, const T& value) {
        const T copy = value;
        size_ = 0;
        resize(count, copy);
    }
    // The range may lie in this vector: a larger buffer is filled before the
    // old one goes, and a copy within the buffer runs towards its start.
    template <std::forward_iterator It>
    void assign(It first, It last) {
        const auto count = static_cast<std::size_t>(std::distance(first, last));
        if (count > capacity_) {
            auto larger = std::make_unique_for_overwrite<T[]>(count);
            std::copy(first, last, larger.get());
            heap_ = std::move(larger);
            capacity_ = count;
        } else {
            std::copy(first, last, data());
        }
        size_ = count;
    }

    friend bool operator==(const SmallVector& a, const SmallVector& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }
    friend bool operator==(const SmallVector& a, const std::vector<T>& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }
    friend auto operator<=>(const SmallVector& a, const SmallVector& b) {
        return std::lexicographical_compare_three_way(a.begin(), a.end(), b.begin(), b.end());
    }

private:
    T* inlineValues() { return reinterpret_cast<T*>(inline_); }
    const T* inlineValues() const { return reinterpret_cast<const T*>(inline_); }
    std::size_t checked(std::size_t index) const {
        if (index >= size_) throw std::out_of_range("SmallVector::at");
        return index;
    }
    void takeFrom(SmallVector& other) {
        heap_ = std::move(other.heap_);
        size_ = other.size_;
        capacity_ = other.capacity_;
        if (!heap_) std::memcpy(inline_, other.inline_, size_ * sizeof(T));
        other.size_ = 0;
        other.capacity_ = N;
    }

    std::size_t size_ = 0;
    std::size_t capacity_ = N;
    std::unique_ptr<T[]> heap_;  // the values when more than N were ever held, else null
    alignas(T) unsigned char inline_[N * sizeof(T)];
};

}  // namespace varno::support
