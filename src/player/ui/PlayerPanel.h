#pragma once
// The widget the preview player draws into: it keeps the latest picture the player handed over
// and paints it on the UI thread (black around it), and tells the player its size.
#include <QWidget>

#include <atomic>
#include <mutex>

#include "player/DisplaySink.h"

namespace zanto::player {

class TPlayerPanel : public QWidget, public TDisplaySink {
 public:
  explicit TPlayerPanel(QWidget* parent = nullptr);
  ~TPlayerPanel() override;

  void Present(TDisplayImagePtr image) override;
  int AreaWidth() const override { return AreaWidth_; }
  int AreaHeight() const override { return AreaHeight_; }

  // The picture painted last (or about to be).
  TDisplayImagePtr LatestImage() const;
  // Forgets the picture (the panel paints black).
  void Clear();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // ImageMutex_ guards Image_ (handed over by the player's play thread, painted by the UI).
  mutable std::mutex ImageMutex_;
  TDisplayImagePtr Image_;
  std::atomic<int> AreaWidth_{0}, AreaHeight_{0};
};

}  // namespace zanto::player
