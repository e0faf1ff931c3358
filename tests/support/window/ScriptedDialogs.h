#pragma once

#include <deque>
#include <vector>

#include "ui/Dialogs.h"

// Dialogs answered from queues that a test fills in advance; records everything shown.
// With nothing queued a box answers with its default button (else OK, else its first
// button), a file dialog is cancelled and the font dialog is cancelled.
class ScriptedDialogs : public Dialogs {
public:
    void answerNext(QMessageBox::StandardButton button) { m_answers.push_back(button); }
    // An empty path answers the next file dialog with Cancel.
    void chooseNextFile(const QString& path) { m_files.push_back(path); }
    void chooseNextFont(std::optional<QFont> font) { m_fonts.push_back(std::move(font)); }

    const std::vector<MessageRequest>& messages() const { return m_messages; }
    const std::vector<FileDialogOptions>& openDialogs() const { return m_openDialogs; }
    const std::vector<FileDialogOptions>& saveDialogs() const { return m_saveDialogs; }
    const std::vector<QFont>& fontDialogs() const { return m_fontDialogs; }

    QMessageBox::StandardButton message(const MessageRequest& request) override;
    QString openFile(const FileDialogOptions& options) override;
    QString saveFile(const FileDialogOptions& options) override;
    std::optional<QFont> chooseFont(const QFont& initial) override;

private:
    QString nextFile();

    std::deque<QMessageBox::StandardButton> m_answers;
    std::deque<QString> m_files;
    std::deque<std::optional<QFont>> m_fonts;
    std::vector<MessageRequest> m_messages;
    std::vector<FileDialogOptions> m_openDialogs;
    std::vector<FileDialogOptions> m_saveDialogs;
    std::vector<QFont> m_fontDialogs;
};
