#include "ui/QtDialogs.h"

#include <QFileDialog>
#include <QFontDialog>

namespace {

QMessageBox::Icon qtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QString runFileDialog(QWidget* owner, const FileDialogOptions& options,
                      QFileDialog::AcceptMode mode) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    if (!options.filter.isEmpty()) {
        dialog.setNameFilters(qtNameFilters(options.filter));
    }
    dialog.setDefaultSuffix(options.defaultSuffix);
    if (!options.directory.isEmpty()) {
        dialog.setDirectory(options.directory);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

}  // namespace

QtDialogs::QtDialogs(QWidget* owner, SelfDismissArm arm) : m_owner(owner), m_arm(std::move(arm)) {}

QMessageBox::StandardButton QtDialogs::message(const MessageRequest& request) {
    // Without an owner Qt places a box on the middle of the screen.
    QMessageBox box(qtIcon(request.icon), request.caption, request.text, request.buttons,
                    request.centredOnScreen ? nullptr : m_owner);
    if (request.defaultButton != QMessageBox::NoButton) {
        box.setDefaultButton(request.defaultButton);
    }
    if (request.selfDismissing && m_arm) {
        m_arm(box);
    }
    box.exec();
    return box.standardButton(box.clickedButton());
}

QString QtDialogs::openFile(const FileDialogOptions& options) {
    return runFileDialog(m_owner, options, QFileDialog::AcceptOpen);
}

QString QtDialogs::saveFile(const FileDialogOptions& options) {
    return runFileDialog(m_owner, options, QFileDialog::AcceptSave);
}

std::optional<QFont> QtDialogs::chooseFont(const QFont& initial) {
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, initial, m_owner);
    if (!ok) {
        return std::nullopt;
    }
    return font;
}
