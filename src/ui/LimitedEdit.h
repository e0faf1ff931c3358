#pragma once

#include <QLineEdit>

// A line edit whose length limit applies only to what the operator types or pastes.
// QLineEdit::maxLength would also cut text that the program puts in (a terminal's
// reply may carry "255" into a two-character field), so the limit is kept apart and
// enforced by a validator that lets programmatic text through unchanged.
class LimitedEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(int typingLimit READ typingLimit WRITE setTypingLimit)

public:
    explicit LimitedEdit(QWidget* parent = nullptr);

    // 0 means no limit.
    int typingLimit() const { return m_typingLimit; }
    void setTypingLimit(int limit);

private:
    friend class TypingLimitValidator;

    int m_typingLimit = 0;
    QString m_committed;  // the text before the change being validated
};
