#include "ui/LimitedEdit.h"

#include <algorithm>

#include <QValidator>

// Cuts what an edit would insert so that the text does not grow past the limit.
// Text set by the program (the edit is not modified then) is accepted whole.
class TypingLimitValidator : public QValidator {
public:
    explicit TypingLimitValidator(LimitedEdit* edit) : QValidator(edit), m_edit(edit) {}

    State validate(QString& input, int& pos) const override {
        const int limit = m_edit->m_typingLimit;
        if (limit <= 0 || input.size() <= limit || !m_edit->isModified()) {
            return Acceptable;
        }
        const QString& before = m_edit->m_committed;
        if (input.size() <= before.size()) {
            return Acceptable;  // deleting from text that the program made longer
        }
        // The change replaced before[prefix, before.size() - suffix) by the inserted run.
        qsizetype prefix = 0;
        const qsizetype shorter = std::min(input.size(), before.size());
        while (prefix < shorter && input[prefix] == before[prefix]) {
            ++prefix;
        }
        qsizetype suffix = 0;
        while (suffix < shorter - prefix &&
               input[input.size() - 1 - suffix] == before[before.size() - 1 - suffix]) {
            ++suffix;
        }
        const qsizetype inserted = input.size() - prefix - suffix;
        const qsizetype kept = input.size() - inserted;
        const qsizetype room = std::max<qsizetype>(0, limit - kept);
        if (inserted <= room) {
            return Acceptable;
        }
        QString cut = input.left(prefix + room) + input.right(suffix);
        if (cut == before) {
            return Invalid;  // nothing fits: QLineEdit undoes the keystroke
        }
        input = cut;
        pos = static_cast<int>(prefix + room);
        return Acceptable;
    }

private:
    LimitedEdit* m_edit;
};

LimitedEdit::LimitedEdit(QWidget* parent) : QLineEdit(parent) {
    setValidator(new TypingLimitValidator(this));
    connect(this, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_committed = text; });
}

void LimitedEdit::setTypingLimit(int limit) {
    m_typingLimit = std::max(0, limit);
}
