#pragma once

#include <QPixmap>
#include <QWidget>
#include <functional>

// Shows a picture at its logical size, drawn anew for the pixel ratio of the screen it is on.
class PictureBox : public QWidget
{
  public:
    PictureBox(std::function<QPixmap(qreal)> draw, QSize size, QWidget* parent = nullptr);
    QSize sizeHint() const override { return m_size; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::function<QPixmap(qreal)> m_draw;
    QSize m_size;
    QPixmap m_cache;
};
