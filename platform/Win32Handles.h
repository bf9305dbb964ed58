// RAII for Win32 handles: one template, one traits struct per kind of handle.
#pragma once
#ifdef _WIN32

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace sorvik {

template <typename Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;
  UniqueHandle() = default;
  explicit UniqueHandle(Type h) : H_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& o) noexcept : H_(std::exchange(o.H_, Traits::Invalid())) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) reset(std::exchange(o.H_, Traits::Invalid()));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Type get() const { return H_; }
  explicit operator bool() const { return H_ != Traits::Invalid(); }
  void reset(Type h = Traits::Invalid()) {
    if (H_ != Traits::Invalid()) Traits::Close(H_);
    H_ = h;
  }
  Type release() { return std::exchange(H_, Traits::Invalid()); }

 private:
  Type H_ = Traits::Invalid();
};

// Traits for handles that are null when empty, closed by CloseFn.
template <typename T, auto CloseFn>
struct NullHandleTraits {
  using Type = T;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { CloseFn(h); }
};
// Traits for handles that are INVALID_HANDLE_VALUE when empty (CreateFile, FindFirstFile).
template <auto CloseFn>
struct InvalidValueHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { CloseFn(h); }
};

using UniqueFile = UniqueHandle<InvalidValueHandleTraits<&CloseHandle>>;
using UniqueFind = UniqueHandle<InvalidValueHandleTraits<&FindClose>>;
using UniqueKernelHandle = UniqueHandle<NullHandleTraits<HANDLE, &CloseHandle>>;  // mappings, processes
using UniqueGdiObject = UniqueHandle<NullHandleTraits<HGDIOBJ, &DeleteObject>>;   // fonts, pens, brushes
using UniqueAccelerators = UniqueHandle<NullHandleTraits<HACCEL, &DestroyAcceleratorTable>>;
using UniqueCoTaskMem = UniqueHandle<NullHandleTraits<void*, &CoTaskMemFree>>;    // PIDLs
using UniqueMenu = UniqueHandle<NullHandleTraits<HMENU, &DestroyMenu>>;
using UniqueWindow = UniqueHandle<NullHandleTraits<HWND, &DestroyWindow>>;
using UniqueModule = UniqueHandle<NullHandleTraits<HMODULE, &FreeLibrary>>;
using UniqueRegKey = UniqueHandle<NullHandleTraits<HKEY, &RegCloseKey>>;

// A COM interface pointer that releases its reference.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(ComPtr&& o) noexcept : P_(std::exchange(o.P_, nullptr)) {}
  ComPtr& operator=(ComPtr&& o) noexcept {
    if (this != &o) {
      reset();
      P_ = std::exchange(o.P_, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  T* get() const { return P_; }
  T* operator->() const { return P_; }
  explicit operator bool() const { return P_ != nullptr; }
  void reset() {
    if (P_) std::exchange(P_, nullptr)->Release();
  }
  // For functions that return a new reference through a T** argument.
  T** put() {
    reset();
    return &P_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }

 private:
  T* P_ = nullptr;
};

}  // namespace sorvik

#endif
