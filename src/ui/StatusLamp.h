#pragma once

#include <QColor>
#include <QWidget>

// A request's status lamp: a filled circle whose colour is its only state.
class StatusLamp : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor color READ color WRITE setColor)

public:
    static inline const QColor kGreen{0, 128, 0};
    static inline const QColor kYellow{255, 255, 0};

    explicit StatusLamp(QWidget* parent = nullptr) : QWidget(parent) {}

    QColor color() const { return m_color; }
    void setColor(const QColor& color);

    QSize sizeHint() const override { return {15, 15}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color = kGreen;
};
