#pragma once

#include <functional>

#include "ui/Dialogs.h"

class QWidget;

// The dialogs the operator sees: modal QMessageBox and QFileDialog owned by the window.
class QtDialogs : public Dialogs {
public:
    // Called with every self-dismissing box just before it runs, so the window can
    // arrange for it to be closed.
    using SelfDismissArm = std::function<void(QMessageBox&)>;

    QtDialogs(QWidget* owner, SelfDismissArm arm);

    QMessageBox::StandardButton message(const MessageRequest& request) override;
    QString openFile(const FileDialogOptions& options) override;
    QString saveFile(const FileDialogOptions& options) override;
    std::optional<QFont> chooseFont(const QFont& initial) override;

private:
    QWidget* m_owner;
    SelfDismissArm m_arm;
};
