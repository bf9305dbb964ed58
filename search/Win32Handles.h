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

struct FileHandleTraits {  // CreateFile: INVALID_HANDLE_VALUE when empty
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { CloseHandle(h); }
};
struct KernelHandleTraits {  // mappings, events, threads: null when empty
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { CloseHandle(h); }
};
struct FindHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { FindClose(h); }
};

struct GdiObjectTraits {  // fonts, bitmaps, brushes
  using Type = HGDIOBJ;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { DeleteObject(h); }
};
struct MenuTraits {
  using Type = HMENU;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { DestroyMenu(h); }
};
struct AcceleratorTraits {
  using Type = HACCEL;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { DestroyAcceleratorTable(h); }
};
struct CoTaskMemTraits {  // PIDLs and other shell allocations
  using Type = void*;
  static Type Invalid() { return nullptr; }
  static void Close(Type p) { CoTaskMemFree(p); }
};

using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueGdiObject = UniqueHandle<GdiObjectTraits>;
using UniqueMenu = UniqueHandle<MenuTraits>;
using UniqueAccelerators = UniqueHandle<AcceleratorTraits>;
using UniqueCoTaskMem = UniqueHandle<CoTaskMemTraits>;
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFind = UniqueHandle<FindHandleTraits>;

}  // namespace sorvik

#endif
