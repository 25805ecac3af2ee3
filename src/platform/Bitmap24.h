#pragma once
// A 24-bit picture in BGR byte order with a re-entrant canvas lock.
//
// The engine fills it on a conversion thread and locks the canvas around the frame hook; the
// renderer inside the hook locks it again, and the player nests the lock three deep. The lock is
// therefore recursive. Memory is either owned (SetSize) or borrowed (Wrap), and rows may run
// bottom-up: Stride() is the signed distance in bytes from one row to the next.
#include <cstdint>
#include <mutex>
#include <vector>

namespace zanto::platform {

class TBitmap24 {
 public:
  TBitmap24() = default;
  TBitmap24(int width, int height) { SetSize(width, height); }
  TBitmap24(const TBitmap24&) = delete;
  TBitmap24& operator=(const TBitmap24&) = delete;

  // Owned memory, rows top-down, each row padded to a multiple of 4 bytes. Contents are kept
  // when the size does not change; a new size gives black pixels.
  void SetSize(int width, int height);
  // Borrowed memory: row 0 starts at firstRow, the next row at firstRow + stride (stride may be
  // negative for bottom-up storage). The caller keeps the memory alive.
  void Wrap(uint8_t* firstRow, int width, int height, int stride);

  int Width() const { return Width_; }
  int Height() const { return Height_; }
  int Stride() const { return Stride_; }
  bool Empty() const { return Width_ <= 0 || Height_ <= 0; }
  uint8_t* ScanLine(int y) { return FirstRow_ + static_cast<std::ptrdiff_t>(y) * Stride_; }
  const uint8_t* ScanLine(int y) const { return FirstRow_ + static_cast<std::ptrdiff_t>(y) * Stride_; }
  // Copies pixels (not the lock) from another bitmap, resizing this one to its size.
  void Assign(const TBitmap24& other);
  void Fill(uint8_t b, uint8_t g, uint8_t r);

  // The canvas lock: recursive, so the same thread may nest it.
  void Lock() const { Canvas_.lock(); }
  void Unlock() const { Canvas_.unlock(); }
  bool TryLock() const { return Canvas_.try_lock(); }

 private:
  std::vector<uint8_t> Owned_;
  uint8_t* FirstRow_ = nullptr;
  int Width_ = 0;
  int Height_ = 0;
  int Stride_ = 0;
  mutable std::recursive_mutex Canvas_;
};

// Holds a bitmap's canvas lock for a scope.
class TCanvasLock {
 public:
  explicit TCanvasLock(const TBitmap24& bitmap) : Bitmap_(bitmap) { Bitmap_.Lock(); }
  ~TCanvasLock() { Bitmap_.Unlock(); }
  TCanvasLock(const TCanvasLock&) = delete;
  TCanvasLock& operator=(const TCanvasLock&) = delete;

 private:
  const TBitmap24& Bitmap_;
};

}  // namespace zanto::platform
