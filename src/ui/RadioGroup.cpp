#include "ui/RadioGroup.h"

#include <algorithm>

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

RadioGroup::RadioGroup(QWidget* parent)
    : QGroupBox(parent), m_group(new QButtonGroup(this)), m_layout(new QGridLayout(this)) {
    m_layout->setContentsMargins(8, 2, 8, 2);
    m_layout->setVerticalSpacing(0);
    connect(m_group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) {
            emit itemIndexChanged(id);
        }
    });
}

QStringList RadioGroup::items() const {
    QStringList texts;
    for (const QRadioButton* button : m_buttons) {
        texts.append(button->text());
    }
    return texts;
}

void RadioGroup::setItems(const QStringList& items) {
    const int selected = itemIndex();
    for (QRadioButton* button : m_buttons) {
        m_group->removeButton(button);
        delete button;
    }
    m_buttons.clear();
    for (const QString& text : items) {
        auto* button = new QRadioButton(text, this);
        m_group->addButton(button, static_cast<int>(m_buttons.size()));
        m_buttons.append(button);
    }
    relayout();
    if (selected >= 0 && selected < count()) {
        m_buttons[selected]->setChecked(true);
    } else if (selected >= 0) {
        emit itemIndexChanged(-1);
    }
}

QString RadioGroup::itemText(int index) const {
    return index >= 0 && index < count() ? m_buttons[index]->text() : QString();
}

void RadioGroup::setItemText(int index, const QString& text) {
    if (index >= 0 && index < count()) {
        m_buttons[index]->setText(text);
    }
}

void RadioGroup::setColumns(int columns) {
    m_columns = std::max(1, columns);
    relayout();
}

int RadioGroup::itemIndex() const {
    return m_group->checkedId();
}

void RadioGroup::setItemIndex(int index) {
    if (m_buttons.isEmpty()) {
        return;
    }
    const int target = std::min(index, count() - 1);
    if (target == itemIndex()) {
        return;
    }
    if (target < 0) {
        // An exclusive group refuses to uncheck its last checked button.
        m_group->setExclusive(false);
        m_group->checkedButton()->setChecked(false);
        m_group->setExclusive(true);
        emit itemIndexChanged(-1);
    } else {
        m_buttons[target]->setChecked(true);
    }
}

QRadioButton* RadioGroup::button(int index) const {
    return index >= 0 && index < count() ? m_buttons[index] : nullptr;
}

void RadioGroup::relayout() {
    for (QRadioButton* button : m_buttons) {
        m_layout->removeWidget(button);
    }
    // Items fill the columns top to bottom, one column after the other.
    const int rows = (count() + m_columns - 1) / m_columns;
    for (int i = 0; i < count(); ++i) {
        m_layout->addWidget(m_buttons[i], i % std::max(1, rows), i / std::max(1, rows));
    }
}
