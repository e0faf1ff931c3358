#include "ui/StatusLamp.h"

#include <QPainter>

void StatusLamp::setColor(const QColor& color) {
    if (color == m_color) {
        return;
    }
    m_color = color;
    update();
}

void StatusLamp::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(m_color);
    // Inset by half the pen so the outline stays inside the widget.
    painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}
