#pragma once

#include <optional>

#include <QFont>
#include <QMessageBox>
#include <QString>

// The application title: the caption of every box that has no caption of its own.
inline const QString kApplicationTitle = QStringLiteral("Tarifon");

enum class MessageIcon { None, Information, Warning, Error, Question };

struct MessageRequest {
    MessageIcon icon = MessageIcon::None;
    QString caption = kApplicationTitle;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    // Closes by itself, as if OK were pressed, a fixed time after it opened.
    bool selfDismissing = false;
    // On the middle of the screen rather than over the window.
    bool centredOnScreen = false;
};

// The settings of one file dialog. A window keeps one per dialog and lets its callers
// change them, so what one caller sets stays for the next (the picture dialogs are
// shared that way). The filter uses the "Description|*.EXT|Description|*.EXT" form.
struct FileDialogOptions {
    QString filter;
    QString defaultSuffix;
    QString directory;
};

// Every modal box and common dialog of the window goes through this interface, so
// tests can answer them in advance instead of a person.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Returns the button that closed the box.
    virtual QMessageBox::StandardButton message(const MessageRequest& request) = 0;
    // Return the chosen path, or an empty text when cancelled.
    virtual QString openFile(const FileDialogOptions& options) = 0;
    virtual QString saveFile(const FileDialogOptions& options) = 0;
    // Returns the confirmed font, or nothing when cancelled.
    virtual std::optional<QFont> chooseFont(const QFont& initial) = 0;

    // A bare text with an OK button under the application title.
    void showMessage(const QString& text);
    void information(const QString& caption, const QString& text);
    void warning(const QString& caption, const QString& text);
    void error(const QString& caption, const QString& text);
    // Yes and No, `defaultButton` being the default.
    QMessageBox::StandardButton question(
        const QString& caption, const QString& text,
        QMessageBox::StandardButton defaultButton = QMessageBox::Yes);
    // The application's general error box, for an error that ended an operator action.
    void applicationError(const QString& message);
};

// The text of the general error box: a full stop is added when the message ends in a
// letter or digit, so it reads as a sentence.
QString applicationErrorText(const QString& message);

// "Images (*.JPG)|*.JPG|..." as a Qt name filter list. Patterns also match their
// lower-case spelling, since Linux file names are case-sensitive.
QStringList qtNameFilters(const QString& filter);
