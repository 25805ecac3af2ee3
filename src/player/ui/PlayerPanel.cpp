#include "player/ui/PlayerPanel.h"

#include <QImage>
#include <QPainter>
#include <QResizeEvent>

namespace zanto::player {

TPlayerPanel::TPlayerPanel(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  AreaWidth_ = width();
  AreaHeight_ = height();
}

TPlayerPanel::~TPlayerPanel() = default;

void TPlayerPanel::Present(TDisplayImagePtr image) {
  {
    std::lock_guard lock(ImageMutex_);
    Image_ = std::move(image);
  }
  // Repaint on the UI thread; Qt drops the call when the widget is gone by then.
  QMetaObject::invokeMethod(this, [this] { update(); }, Qt::QueuedConnection);
}

TDisplayImagePtr TPlayerPanel::LatestImage() const {
  std::lock_guard lock(ImageMutex_);
  return Image_;
}

void TPlayerPanel::Clear() {
  {
    std::lock_guard lock(ImageMutex_);
    Image_.reset();
  }
  update();
}

void TPlayerPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  TDisplayImagePtr image = LatestImage();
  if (!image || image->Bitmap.Empty()) return;
  const platform::TBitmap24& bitmap = image->Bitmap;
  const QImage picture(bitmap.ScanLine(0), bitmap.Width(), bitmap.Height(), bitmap.Stride(),
                       QImage::Format_BGR888);
  const TDisplayRect& target = image->Target;
  painter.drawImage(QRect(target.Left, target.Top, target.Width, target.Height), picture);
}

void TPlayerPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  AreaWidth_ = event->size().width();
  AreaHeight_ = event->size().height();
  NotifyResize(AreaWidth_, AreaHeight_);
}

}  // namespace zanto::player
