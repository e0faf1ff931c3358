#include "support/ScriptedDialogs.h"

QMessageBox::StandardButton ScriptedDialogs::message(const MessageRequest& request) {
    m_messages.push_back(request);
    if (!m_answers.empty()) {
        const QMessageBox::StandardButton answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    if (request.defaultButton != QMessageBox::NoButton) {
        return request.defaultButton;
    }
    if (request.buttons.testFlag(QMessageBox::Ok) || request.buttons == QMessageBox::NoButton) {
        return QMessageBox::Ok;
    }
    // The lowest flag is the first standard button in QMessageBox's own order.
    const auto bits = static_cast<unsigned>(request.buttons.toInt());
    return static_cast<QMessageBox::StandardButton>(bits & (~bits + 1));
}

QString ScriptedDialogs::openFile(const FileDialogOptions& options) {
    m_openDialogs.push_back(options);
    return nextFile();
}

QString ScriptedDialogs::saveFile(const FileDialogOptions& options) {
    m_saveDialogs.push_back(options);
    return nextFile();
}

std::optional<QFont> ScriptedDialogs::chooseFont(const QFont& initial) {
    m_fontDialogs.push_back(initial);
    if (m_fonts.empty()) {
        return std::nullopt;
    }
    std::optional<QFont> font = std::move(m_fonts.front());
    m_fonts.pop_front();
    return font;
}

QString ScriptedDialogs::nextFile() {
    if (m_files.empty()) {
        return {};
    }
    QString path = m_files.front();
    m_files.pop_front();
    return path;
}
