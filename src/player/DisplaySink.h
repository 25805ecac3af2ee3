#pragma once
// Where the player's pictures go. The player computes what to show (already scaled to its place
// in the output area, letterboxing left to the sink) and hands it over from its play thread; a
// window implements the sink and paints the latest image on its own thread. The sink reports
// the size of its drawing area back to the player.
#include <functional>
#include <memory>
#include <mutex>

#include "platform/Bitmap24.h"

namespace zanto::player {

struct TDisplayRect {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool operator==(const TDisplayRect&) const = default;
};

// One finished picture for the output area: Bitmap covers Target inside an area of
// AreaWidth x AreaHeight. Parts of the area outside Target are not painted by the player.
struct TDisplayImage {
  int AreaWidth = 0, AreaHeight = 0;
  TDisplayRect Target;
  platform::TBitmap24 Bitmap;
};
using TDisplayImagePtr = std::shared_ptr<const TDisplayImage>;

class TDisplaySink {
 public:
  using TResizeHandler = std::function<void(int width, int height)>;
  virtual ~TDisplaySink() = default;

  // Called from the player's play thread; must not block for long.
  virtual void Present(TDisplayImagePtr image) = 0;
  // The current size of the drawing area (any thread).
  virtual int AreaWidth() const = 0;
  virtual int AreaHeight() const = 0;

  // The player that draws here listens to size changes (empty handler: nobody listens).
  void SetResizeHandler(TResizeHandler handler) {
    std::lock_guard lock(HandlerMutex_);
    Resize_ = std::move(handler);
  }

 protected:
  void NotifyResize(int width, int height) {
    std::lock_guard lock(HandlerMutex_);
    if (Resize_) Resize_(width, height);
  }

 private:
  std::mutex HandlerMutex_;  // guards Resize_
  TResizeHandler Resize_;
};

}  // namespace zanto::player
