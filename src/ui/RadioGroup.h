#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

// A captioned group of radio buttons built from a list of item texts and laid out
// in a number of columns, whose selection is one item index: -1 when no item is
// chosen, which a plain exclusive button group cannot express.
class RadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(QStringList items READ items WRITE setItems)
    Q_PROPERTY(int columns READ columns WRITE setColumns)
    Q_PROPERTY(int itemIndex READ itemIndex WRITE setItemIndex NOTIFY itemIndexChanged)

public:
    explicit RadioGroup(QWidget* parent = nullptr);

    QStringList items() const;
    // Rebuilds the buttons; the selected index is kept when it still exists.
    void setItems(const QStringList& items);
    int count() const { return static_cast<int>(m_buttons.size()); }

    QString itemText(int index) const;
    // Replaces one item's text in place; the selection does not change.
    void setItemText(int index, const QString& text);

    int columns() const { return m_columns; }
    void setColumns(int columns);

    int itemIndex() const;
    // -1 or less clears the selection; an index past the end chooses the last item.
    void setItemIndex(int index);

    QRadioButton* button(int index) const;

signals:
    void itemIndexChanged(int index);

private:
    void relayout();

    QButtonGroup* m_group;
    QGridLayout* m_layout;
    QList<QRadioButton*> m_buttons;
    int m_columns = 1;
};
